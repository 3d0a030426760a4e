#include "platform/FileUtil.h"

#include "platform/Errors.h"
#include "platform/Localization.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <array>
#include <atomic>
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

namespace {

// Injected faults: for each step, how many more calls succeed before one fails, and with what.
struct Fault {
    int remaining = 0;
    int error = 0;
    int times = 0; // calls that fail from the nth on
};
QMutex faultLock;
std::array<Fault, 5> faults;
std::atomic<int> writeLimit{0};
std::atomic<bool> anyFault{false};

// True (with errno set) when this call of the step is the one a test asked to fail.
bool injected(WriteStep step)
{
    if (!anyFault.load(std::memory_order_relaxed))
        return false;
    const QMutexLocker locker(&faultLock);
    Fault &fault = faults[size_t(step)];
    if (fault.times <= 0 || --fault.remaining > 0)
        return false;
    --fault.times;
    errno = fault.error;
    return true;
}

int openFile(const char *path, int flags, mode_t mode)
{
    return injected(WriteStep::Open) ? -1 : ::open(path, flags, mode);
}

ssize_t writeSome(int fd, const char *data, size_t size)
{
    if (injected(WriteStep::Write))
        return -1;
    const int limit = writeLimit.load(std::memory_order_relaxed);
    return ::write(fd, data, limit > 0 ? std::min(size, size_t(limit)) : size);
}

int syncFile(int fd, WriteStep step)
{
    return injected(step) ? -1 : ::fsync(fd);
}

int renameFile(const char *from, const char *to)
{
    return injected(WriteStep::Rename) ? -1 : ::rename(from, to);
}

QByteArray temporaryName(const QString &path)
{
    static std::atomic<quint32> counter{0};
    const QFileInfo info(path);
    return QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp-")
                             + QString::number(::getpid()) + QLatin1Char('-') + QString::number(++counter));
}

} // namespace

SystemError writeError(int code, const QString &path)
{
    if (code == ENOSPC || code == EDQUOT)
        return SystemError(path + QStringLiteral(": ") + L(QStringLiteral("磁盘空间不足")), code);
    return SystemError::fromErrno(code, path);
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw writeError(errno, folder);
    const int result = syncFile(fd, WriteStep::SyncFolder);
    const int error = errno;
    ::close(fd);
    if (result != 0 && error != EINVAL) // some file systems cannot sync folders; nothing to do there
        throw writeError(error, folder);
}

void writeAll(int fd, const char *data, size_t left, const QString &path)
{
    while (left > 0) {
        const ssize_t written = writeSome(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw writeError(errno, path);
        }
        if (written == 0) // a regular file that takes nothing is full
            throw writeError(ENOSPC, path);
        data += written;
        left -= size_t(written);
    }
}

void syncOrThrow(int fd, const QString &path)
{
    if (syncFile(fd, WriteStep::Sync) != 0)
        throw writeError(errno, path);
}

void writeAllAndSync(int fd, const QByteArray &bytes, const QString &path)
{
    writeAll(fd, bytes.constData(), size_t(bytes.size()), path);
    syncOrThrow(fd, path);
}

PendingFile::PendingFile(const QString &path, const QByteArray &bytes, std::optional<int> permissions)
    : m_path(path), m_temporary(temporaryName(path))
{
    // Without permissions asked for, a file that is replaced keeps its own.
    struct stat existing {};
    if (!permissions && ::stat(QFile::encodeName(path).constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        permissions = int(existing.st_mode & 07777);
    const mode_t mode = permissions ? mode_t(*permissions) : mode_t(0666);
    const int fd = openFile(m_temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) {
        const int error = errno;
        m_temporary.clear(); // nothing was created: nothing to remove, and never someone else's file
        throw writeError(error, path);
    }
    try {
        // open applies the umask; exactly the permissions asked for.
        if (permissions && ::fchmod(fd, mode) != 0)
            throw writeError(errno, path);
        writeAllAndSync(fd, bytes, path);
    } catch (...) {
        ::close(fd);
        discard();
        throw;
    }
    // A failing close can report a write that never reached the disk.
    if (::close(fd) != 0) {
        const int error = errno;
        discard();
        throw writeError(error, path);
    }
}

PendingFile::~PendingFile()
{
    discard();
}

void PendingFile::discard()
{
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
    m_temporary.clear();
}

void PendingFile::replaceTarget()
{
    if (renameFile(m_temporary.constData(), QFile::encodeName(m_path).constData()) != 0) {
        const int error = errno;
        discard();
        throw writeError(error, m_path);
    }
    m_temporary.clear();
}

void syncAfterReplace(const QString &folder)
{
    // The new bytes are in place: a failed folder sync does not undo them. One more try covers a
    // passing failure; a second one is reported as what it is.
    try {
        syncFolder(folder);
    } catch (const SystemError &) {
        try {
            syncFolder(folder);
        } catch (const SystemError &again) {
            throw NotDurable(L(QStringLiteral("已写入，但系统没能确认它已存到磁盘：%@"))
                                 .replace(QLatin1String("%@"), again.description()),
                             again.code());
        }
    }
}

void writeAtomically(const QString &path, const QByteArray &bytes, std::optional<int> permissions)
{
    PendingFile file(path, bytes, permissions);
    file.replaceTarget();
    syncAfterReplace(QFileInfo(path).absolutePath());
}

void failNext(WriteStep step, int nth, int error, int times)
{
    const QMutexLocker locker(&faultLock);
    faults[size_t(step)] = Fault{nth, error, times};
    anyFault = true;
}

void limitWriteSize(int bytes)
{
    writeLimit = bytes;
}

void clearInjectedFaults()
{
    const QMutexLocker locker(&faultLock);
    faults = {};
    anyFault = false;
    writeLimit = 0;
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
            throw writeError(errno, folder);
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
