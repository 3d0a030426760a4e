#include "platform/FileLock.h"

#include "platform/Errors.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

std::optional<FileLock> FileLock::acquire(const QString &path, int flags, bool wait)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        throw SystemError::fromErrno(errno, path);
    FileLock lock(fd);
    for (;;) {
        if (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0)
            return lock;
        if (errno == EWOULDBLOCK && !wait)
            return std::nullopt;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) {
            lock.m_held = false;
            return lock;
        }
        if (errno != EINTR)
            throw SystemError::fromErrno(errno, path);
    }
}

FileLock::FileLock(FileLock &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_held(other.m_held) {}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_held = other.m_held;
    }
    return *this;
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor releases the lock
}

bool FileLock::isAt(const QString &path) const
{
    struct stat held {};
    struct stat named {};
    if (::fstat(m_fd, &held) != 0 || held.st_nlink == 0)
        return false;
    if (::lstat(QFile::encodeName(path).constData(), &named) != 0)
        return false;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}
