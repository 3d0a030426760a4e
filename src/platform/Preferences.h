#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The per-user preferences store: one INI file ("Hushnote/Hushnote.conf" under the XDG config folder)
// holding strings and JSON data values. Every call opens its own QSettings, so the store may be used
// from any thread, and a change made by another process is seen on the next read.
class Preferences final {
public:
    explicit Preferences(QString filePath);

    // The process-wide store. Its file is the XDG default unless setSharedFilePath was called first.
    static Preferences &shared();
    static void setSharedFilePath(const QString &filePath);
    static QString defaultFilePath();

    const QString &filePath() const { return m_filePath; }

    // A string value; absent when missing or stored with another type.
    std::optional<QString> string(const QString &key) const;
    // A data value (JSON bytes); absent when missing or stored with another type.
    std::optional<QByteArray> data(const QString &key) const;
    // Writes throw SystemError when the file cannot be written.
    void setString(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    void remove(const QString &key);
    bool contains(const QString &key) const;

private:
    QString m_filePath;
};
