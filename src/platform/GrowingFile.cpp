#include "platform/GrowingFile.h"

#include "platform/FileUtil.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

GrowingFile::GrowingFile(QString path) : m_path(std::move(path))
{
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        throw FileUtil::writeError(errno, m_path);
}

GrowingFile::~GrowingFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void GrowingFile::append(const char *data, size_t size)
{
    FileUtil::writeAll(m_fd, data, size, m_path);
    m_size += qint64(size);
}

void GrowingFile::sync()
{
    FileUtil::syncOrThrow(m_fd, m_path);
}

void GrowingFile::close()
{
    if (m_fd < 0)
        return;
    sync();
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        throw FileUtil::writeError(errno, m_path);
}
