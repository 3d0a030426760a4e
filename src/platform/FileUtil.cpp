#include "platform/FileUtil.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileUtil {

bool isSymbolicLink(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISLNK(info.st_mode);
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw SystemError::fromErrno(errno, folder);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0 && error != EINVAL) // some file systems cannot sync folders; nothing to do there
        throw SystemError::fromErrno(error, folder);
}

void writeAtomically(const QString &path, const QByteArray &bytes, std::optional<int> permissions)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw SystemError(file.errorString());
    if (permissions) {
        if (::fchmod(file.handle(), mode_t(*permissions)) != 0) {
            const int error = errno;
            file.cancelWriting();
            throw SystemError::fromErrno(error, path);
        }
    }
    if (file.write(bytes) != bytes.size()) {
        const QString message = file.errorString();
        file.cancelWriting();
        throw SystemError(message);
    }
    if (!file.commit())
        throw SystemError(file.errorString());
    syncFolder(QFileInfo(path).absolutePath());
}

void createFolders(const QString &path, int permissions)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;
    QString current = absolute;
    while (!current.isEmpty() && !QFileInfo::exists(current)) {
        missing.prepend(current);
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            break;
        current = parent;
    }
    for (const QString &folder : missing) {
        if (::mkdir(QFile::encodeName(folder).constData(), mode_t(permissions)) != 0 && errno != EEXIST)
            throw SystemError::fromErrno(errno, folder);
        // mkdir applies the umask; set exactly what was asked.
        ::chmod(QFile::encodeName(folder).constData(), mode_t(permissions));
    }
    if (!QFileInfo(absolute).isDir())
        throw SystemError::fromErrno(ENOTDIR, absolute);
}

QByteArray readFile(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SystemError(file.errorString());
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        throw SystemError::fromErrno(EFBIG, path);
    if (file.error() != QFileDevice::NoError)
        throw SystemError(file.errorString());
    return bytes;
}

} // namespace FileUtil
