#include "DesktopLook.h"

#include <QJSEngine>
#include <QProcess>
#include <QStandardPaths>

DesktopLook &DesktopLook::instance()
{
    static DesktopLook *look = new DesktopLook; // lives as long as the program
    return *look;
}

DesktopLook *DesktopLook::create(QQmlEngine *, QJSEngine *)
{
    QJSEngine::setObjectOwnership(&instance(), QJSEngine::CppOwnership);
    return &instance();
}

void DesktopLook::setReduceMotion(bool on)
{
    if (m_reduceMotion == on)
        return;
    m_reduceMotion = on;
    Q_EMIT reduceMotionChanged();
}

void DesktopLook::setReduceTransparency(bool on)
{
    if (m_reduceTransparency == on)
        return;
    m_reduceTransparency = on;
    Q_EMIT reduceTransparencyChanged();
}

void DesktopLook::readDesktopSettings()
{
    if (QStandardPaths::findExecutable(QStringLiteral("gsettings")).isEmpty())
        return;
    ask(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"),
        &DesktopLook::setReduceMotion, false);
    ask(QStringLiteral("org.gnome.desktop.a11y.interface"), QStringLiteral("high-contrast"),
        &DesktopLook::setReduceTransparency, true);
}

// Runs "gsettings get schema key" without waiting; apply(answer == "true") follows when it prints
// true or false (an unknown schema prints an error and changes nothing).
void DesktopLook::ask(const QString &schema, const QString &key, void (DesktopLook::*apply)(bool), bool whenTrue)
{
    auto *process = new QProcess(this);
    connect(process, &QProcess::finished, this, [this, process, apply, whenTrue] {
        const QByteArray answer = process->readAllStandardOutput().trimmed();
        if (answer == "true" || answer == "false")
            (this->*apply)((answer == "true") == whenTrue);
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
    process->start(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key});
}
