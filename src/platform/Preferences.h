#pragma once

#include <QByteArray>
#include <QString>
#include <QList>
#include <QVariant>
#include <functional>
#include <optional>
#include <utility>

class QSettings;

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
    // Writes throw SystemError when the file cannot be written; the file is then as it was.
    void setString(const QString &key, const QString &value);
    void setData(const QString &key, const QByteArray &value);
    // Several values in one write: all of them are saved, or none.
    void setValues(const QList<std::pair<QString, QVariant>> &values);
    void remove(const QString &key);
    bool contains(const QString &key) const;

private:
    void change(const std::function<void(QSettings &)> &edit);

    static constexpr qint64 maxFileBytes = 16 * 1024 * 1024;
    QString m_filePath;
};
