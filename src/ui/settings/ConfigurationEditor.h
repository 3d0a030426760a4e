#pragma once

#include <QObject>
#include <QUrl>
#include <QtQml/qqml.h>

class Preferences;

// The configuration file editor: the current settings as JSON, loading a file into the editor
// (never more than 1,000,000 bytes, nothing applied yet) and applying the edited text, which writes
// the file and switches the interface language at once. A text that fails validation changes nothing.
class ConfigurationEditor : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(ConfigurationEditor)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY changed)
    Q_PROPERTY(QString error READ error NOTIFY changed)
    Q_PROPERTY(QString fileLocation READ fileLocation CONSTANT)

public:
    explicit ConfigurationEditor(QObject *parent = nullptr);
    // Reads and writes the given preferences store and configuration file.
    ConfigurationEditor(Preferences &preferences, QString file, QObject *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    QString error() const { return m_error; }
    // Where the file is, the home folder written as "~".
    QString fileLocation() const;

    // Back to the settings in effect now, error cleared (the sheet calls it when it opens).
    Q_INVOKABLE void reset();
    // Loads a chosen file into the editor when it is small enough and a valid configuration.
    Q_INVOKABLE void readFile(const QUrl &file);
    // Parses, writes and applies the text; true on success (the sheet closes).
    Q_INVOKABLE bool apply();

Q_SIGNALS:
    void changed();

private:
    Preferences &m_preferences;
    QString m_file;
    QString m_text;
    QString m_error;
};
