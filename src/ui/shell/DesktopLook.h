#pragma once

#include <QObject>
#include <QtQml/qqml.h>

// The desktop's accessibility settings the surfaces follow: reduced motion (GNOME's
// "enable-animations" off) and reduced transparency (high contrast on). Asked once, in the
// background, when the program starts; until the answer comes both are off.
class DesktopLook final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_DISABLE_COPY_MOVE(DesktopLook)
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)
    Q_PROPERTY(bool reduceTransparency READ reduceTransparency WRITE setReduceTransparency NOTIFY
                   reduceTransparencyChanged)

public:
    static DesktopLook &instance();
    static DesktopLook *create(QQmlEngine *, QJSEngine *);

    bool reduceMotion() const { return m_reduceMotion; }
    bool reduceTransparency() const { return m_reduceTransparency; }
    void setReduceMotion(bool on);
    void setReduceTransparency(bool on);

    // Starts asking the desktop (gsettings); does nothing when it is not installed.
    void readDesktopSettings();

Q_SIGNALS:
    void reduceMotionChanged();
    void reduceTransparencyChanged();

private:
    DesktopLook() = default;
    void ask(const QString &schema, const QString &key, void (DesktopLook::*apply)(bool), bool whenTrue);

    bool m_reduceMotion = false;
    bool m_reduceTransparency = false;
};
