#pragma once

#include <QByteArray>
#include <QString>

// A new file written front to back as its content arrives (a recording's audio and levels). Every
// write reaches the file in full or throws SystemError naming it ("磁盘空间不足" on a full disk);
// sync() makes what was written survive a crash or a power cut.
class GrowingFile final {
public:
    // Creates path (never over an existing file, never through a link) with permissions 0600.
    explicit GrowingFile(QString path);
    ~GrowingFile();
    GrowingFile(const GrowingFile &) = delete;
    GrowingFile &operator=(const GrowingFile &) = delete;

    void append(const char *data, size_t size);
    void append(const QByteArray &bytes) { append(bytes.constData(), size_t(bytes.size())); }
    void sync();
    // Syncs and closes; a late error of close is reported too.
    void close();

    const QString &path() const { return m_path; }
    qint64 size() const { return m_size; }

private:
    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
};
