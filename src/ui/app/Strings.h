#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqml.h>

// The program's texts for QML: every visible text is a Simplified-Chinese key looked up in the
// stored interface language. `language` changes when "app.language" is set through setLanguage;
// the main window keys its content on it, so a change rebuilds every text.
class Strings final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_DISABLE_COPY_MOVE(Strings)
    Q_PROPERTY(QString language READ language NOTIFY languageChanged)
    Q_PROPERTY(QString fontFamily READ fontFamily NOTIFY languageChanged)
    Q_PROPERTY(QString monoFamily READ monoFamily NOTIFY languageChanged)
    // Why the last language choice could not be stored (the language then stays as it was).
    Q_PROPERTY(QString saveError READ saveError NOTIFY saveErrorChanged)

public:
    static Strings &instance();
    static Strings *create(QQmlEngine *, QJSEngine *);

    QString language() const { return m_language; }
    // The interface's typefaces: the Traditional-Chinese cut in Traditional Chinese (its glyph
    // forms, and punctuation centred in the square as readers there expect), else the Simplified.
    QString fontFamily() const;
    QString monoFamily() const;
    QString saveError() const { return m_saveError; }
    // Stores "app.language" and announces the change (nothing happens when it is the same). When
    // it cannot be stored, nothing changes and saveError says why.
    Q_INVOKABLE void setLanguage(const QString &raw);

    // The key in the current language.
    Q_INVOKABLE QString t(const QString &key) const;
    // The key in the current language with its placeholders (%@, %d) filled in order.
    Q_INVOKABLE QString f(const QString &key, const QVariantList &arguments) const;

Q_SIGNALS:
    void languageChanged();
    void saveErrorChanged();

private:
    Strings();
    void setSaveError(const QString &error);
    QString m_language;
    QString m_saveError;
};
