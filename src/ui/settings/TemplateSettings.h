#pragma once

#include <QObject>
#include <QVariantList>
#include <QtQml/qqml.h>

class Preferences;

// The "模板市场" section: the ten built-in templates with the stored default marked, and making
// another one the default. Everything else of the stored preferences stays as it is.
class TemplateSettings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(TemplateSettings)
    // One map per template: id, name, description, isDefault, editLabel.
    Q_PROPERTY(QVariantList templates READ templates NOTIFY changed)
    Q_PROPERTY(QString selectedID READ selectedID NOTIFY changed)
    Q_PROPERTY(QString error READ error NOTIFY changed)

public:
    explicit TemplateSettings(QObject *parent = nullptr);
    explicit TemplateSettings(Preferences &preferences, QObject *parent = nullptr);

    QVariantList templates() const;
    // The stored default's id; "meeting" when the stored value does not decode.
    QString selectedID() const;
    QString error() const { return m_error; }

    Q_INVOKABLE void setDefault(const QString &id);
    // The stored preferences may have changed elsewhere.
    Q_INVOKABLE void reload() { Q_EMIT changed(); }

Q_SIGNALS:
    void changed();

private:
    Preferences &m_preferences;
    QString m_error;
};

// The prompt editor sheet of one built-in template: the stored replacement or the built-in text,
// its N / 8000 counter, restoring the built-in text and saving (the built-in text removes the
// replacement).
class PromptEditor : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(PromptEditor)
    Q_PROPERTY(QString templateID READ templateID WRITE setTemplateID NOTIFY changed)
    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(QString prompt READ prompt WRITE setPrompt NOTIFY changed)
    Q_PROPERTY(QString counter READ counter NOTIFY changed)
    Q_PROPERTY(bool over READ over NOTIFY changed)
    Q_PROPERTY(QString error READ error NOTIFY changed)

public:
    explicit PromptEditor(QObject *parent = nullptr);
    explicit PromptEditor(Preferences &preferences, QObject *parent = nullptr);

    QString templateID() const { return m_templateID; }
    // Loads the template's stored replacement, else its built-in text.
    void setTemplateID(const QString &id);
    QString name() const;
    QString prompt() const { return m_prompt; }
    void setPrompt(const QString &prompt);
    QString counter() const;
    bool over() const;
    QString error() const { return m_error; }

    Q_INVOKABLE void restoreBuiltIn();
    // True when saved (the sheet closes); false keeps the sheet open with the error.
    Q_INVOKABLE bool save();

Q_SIGNALS:
    void changed();
    void saved();

private:
    Preferences &m_preferences;
    QString m_templateID;
    QString m_prompt;
    QString m_error;
};
