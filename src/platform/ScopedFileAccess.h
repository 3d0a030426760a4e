#pragma once

#include <QString>

// Holds the operating system's access to a file or folder the user picked. Linux has no such
// permission model, so it records started = false and does nothing; callers still keep it alive for
// as long as they use the item, so the code reads the same on every system.
class ScopedFileAccess final {
public:
    explicit ScopedFileAccess(QString path) : m_path(std::move(path)) {}
    ScopedFileAccess(const ScopedFileAccess &) = delete;
    ScopedFileAccess &operator=(const ScopedFileAccess &) = delete;

    const QString &path() const { return m_path; }
    bool started() const { return m_started; }

private:
    QString m_path;
    bool m_started = false;
};
