// Making a new note of the home library from an audio file, or copying a foreign note with its
// audio. The note is built in a hidden ".import-" folder and moved into place in one rename, so
// a reader never sees half a note and a failed import leaves nothing behind. The import holds a
// lock on that folder for its whole life; a folder nobody holds was left by an import that died
// (a crash, a kill, a power cut) and is reclaimed when the home library is read.

#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/FileUtil.h"
#include "platform/MediaFile.h"
#include "platform/ScopedFileAccess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 maxAudioBytes = 524'288'000;
constexpr double maxAudioSeconds = 43'200;
constexpr double chunkSeconds = 60;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }
    // Closing can report a late write error (network file systems); it must not go unnoticed.
    void close(const QString &path)
    {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            throw SystemError::fromErrno(errno, path);
    }

private:
    int m_fd;
};

// Copies in the kernel: a clone where the file system shares blocks, else copy_file_range, else
// sendfile; the data never passes through this process. The copy is flushed before it counts.
void copyFile(const QString &from, const QString &to)
{
    FileDescriptor in(::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        throw SystemError::fromErrno(errno, from);
    FileDescriptor out(::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        throw SystemError::fromErrno(errno, to);

    if (::ioctl(out.get(), FICLONE, in.get()) != 0) {
        bool kernelCopy = true;
        for (;;) {
            const ssize_t copied = kernelCopy
                ? ::copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0)
                : ::sendfile(out.get(), in.get(), nullptr, 1 << 30);
            if (copied > 0)
                continue;
            if (copied == 0)
                break;
            if (errno == EINTR)
                continue;
            // Across file systems or on ones without support: sendfile still copies in the kernel.
            if (kernelCopy && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                kernelCopy = false;
                continue;
            }
            throw SystemError::fromErrno(errno, to);
        }
    }
    if (::fsync(out.get()) != 0)
        throw SystemError::fromErrno(errno, to);
    out.close(to);
}

qint64 sizeOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        throw SystemError::fromErrno(errno, path);
    return qint64(info.st_size);
}

// "Meeting.M4A" gives "Meeting" and "m4a"; a name without a dot, or whose only dot leads it (a
// hidden file's name), has no extension.
std::pair<QString, QString> splitName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {name, QString()};
    return {name.left(dot), name.mid(dot + 1).toLower()};
}

double measure(const QString &path)
{
    const qint64 size = sizeOf(path);
    if (size <= 0 || size > maxAudioBytes)
        throw AppFailure(QStringLiteral("请选择大于 0 且不超过 500 MB 的音频。"));
    MediaFile file(path);
    const double duration = file.duration();
    if (!std::isfinite(duration) || !(duration > 0) || duration > maxAudioSeconds)
        throw AppFailure(QStringLiteral("音频需短于 12 小时，且能被系统解码。"));
    return duration;
}

Recording describe(const QString &id, const QString &title, double duration, const QString &audioName,
                   const std::optional<Recording> &source)
{
    Recording note;
    note.id = id;
    note.title = source ? source->title : title;
    note.duration = duration;
    note.createdAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    note.starred = false;
    note.storedAudioName = audioName;
    note.summaryStale = source && source->summaryStale == true;
    note.completedChunks = 0;
    note.status = QStringLiteral("ready");
    if (!source)
        return note;

    note.segments = source->segments;
    note.summary = source->summary;
    note.summaryTemplate = source->summaryTemplate;
    note.summaryTemplateName = source->summaryTemplateName;
    note.summaryTemplateVersion = source->summaryTemplateVersion;
    note.spokenLanguage = source->spokenLanguage; // a copy resumes in the language already found
    const qint64 chunks = qint64(std::ceil(duration / chunkSeconds));
    const qint64 done = source->completedChunks ? std::clamp<qint64>(*source->completedChunks, 0, chunks)
                                                : (source->segments.empty() ? 0 : chunks);
    note.completedChunks = done;
    note.status = done == chunks ? QStringLiteral("transcribed")
                                 : done == 0 ? QStringLiteral("ready") : QStringLiteral("paused");
    return note;
}

// Never onto an existing folder; file systems without the no-replace flag get a plain rename (the
// name is a fresh UUID, so nothing is there to replace).
void moveIntoPlace(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int result = ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS))
        result = ::rename(source.constData(), target.constData());
    if (result != 0)
        throw SystemError::fromErrno(errno, to);
}

void removeQuietly(const QString &folder)
{
    QDir(folder).removeRecursively();
}

const QString buildingPrefix = QStringLiteral(".import-");

struct BuildingFolder {
    QString id;
    QString path;
    FileLock lock;
};

// Creates and locks a fresh hidden folder. A home read in another process may take the new folder
// for an abandoned one in the instant between its creation and the lock; the import then sees its
// folder gone and starts again under a new id.
BuildingFolder createBuildingFolder(const NativeLibrary &library)
{
    for (int attempt = 1;; ++attempt) {
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const QString path = library.recordingsFolder() + QLatin1Char('/') + buildingPrefix + id;
        if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
            throw SystemError::fromErrno(errno, path);
        std::optional<FileLock> lock;
        try {
            lock = FileLock::acquire(path, O_RDONLY | O_DIRECTORY, true);
        } catch (const SystemError &) {
            ::rmdir(QFile::encodeName(path).constData());
            if (attempt == 4)
                throw;
            continue;
        }
        if (lock->isAt(path))
            return {id, path, std::move(*lock)};
        if (attempt == 4)
            throw SystemError::fromErrno(ENOENT, path);
    }
}

Recording importNow(const NativeLibrary &library, const QString &audioPath, const std::optional<Recording> &source)
{
    const ScopedFileAccess access(audioPath);
    library.prepare();
    const double duration = measure(audioPath);

    const BuildingFolder created = createBuildingFolder(library);
    const QString &id = created.id;
    const QString &building = created.path;
    const QString finalFolder = library.noteFolder(id);

    try {
        ::chmod(QFile::encodeName(building).constData(), 0700); // whatever the umask says
        const auto [title, extension] = splitName(audioPath);
        const QString audioName = QStringLiteral("audio.") + extension;
        copyFile(audioPath, building + QLatin1Char('/') + audioName);

        Recording note = describe(id, title, duration, audioName, source);
        // Writing the note also flushes the folder's entries, so the audio and record.json are on
        // disk before the rename makes the note visible.
        FileUtil::writeAtomically(building + QStringLiteral("/record.json"), RecordCodec::encodeRecording(note));
        moveIntoPlace(building, finalFolder);
        try {
            FileUtil::syncFolder(library.recordingsFolder());
        } catch (...) {
            removeQuietly(finalFolder);
            throw;
        }
        note.audioURL = finalFolder + QLatin1Char('/') + audioName;
        return note;
    } catch (...) {
        removeQuietly(building);
        throw;
    }
}

// The new note's folder, made visible in one rename: its note and the lock, nothing else yet.
Recording recordingNow(const NativeLibrary &library, const QString &title, std::shared_ptr<FileLock> &lock)
{
    library.prepare();
    const BuildingFolder created = createBuildingFolder(library);
    const QString finalFolder = library.noteFolder(created.id);
    try {
        ::chmod(QFile::encodeName(created.path).constData(), 0700);
        const QString lockPath = created.path + QLatin1Char('/') + NativeLibrary::recordingLockName();
        FileUtil::writeAtomically(lockPath, {}, 0600);
        std::optional<FileLock> held = FileLock::acquire(lockPath, O_RDONLY, false);
        if (!held)
            throw SystemError::fromErrno(EWOULDBLOCK, lockPath);
        lock = std::make_shared<FileLock>(std::move(*held));

        Recording note = describe(created.id, title, 0, QStringLiteral("audio.ogg"), std::nullopt);
        note.status = QStringLiteral("recording");
        FileUtil::writeAtomically(created.path + QStringLiteral("/record.json"), RecordCodec::encodeRecording(note));
        moveIntoPlace(created.path, finalFolder);
        try {
            FileUtil::syncFolder(library.recordingsFolder());
        } catch (...) {
            removeQuietly(finalFolder);
            throw;
        }
        note.audioURL = finalFolder + QLatin1Char('/') + *note.storedAudioName;
        return note;
    } catch (...) {
        lock.reset();
        removeQuietly(created.path);
        throw;
    }
}

} // namespace

RecordingStart NativeLibrary::beginRecordingNow(const QString &title) const
{
    RecordingStart start;
    start.note = recordingNow(*this, title, start.lock);
    return start;
}

QCoro::Task<RecordingStart> NativeLibrary::beginRecording(QString title)
{
    return runOn(executor(), [this, title = std::move(title)] { return beginRecordingNow(title); });
}

void NativeLibrary::reclaimAbandonedImports() const
{
    const QStringList names = QDir(recordingsFolder())
                                  .entryList({buildingPrefix + QLatin1Char('*')},
                                             QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QString path = recordingsFolder() + QLatin1Char('/') + name;
        try {
            const std::optional<FileLock> lock = FileLock::acquire(path, O_RDONLY | O_DIRECTORY, false);
            // Removed while locked, so an import that opens it meanwhile sees it gone.
            if (lock && lock->held() && lock->isAt(path))
                removeQuietly(path);
        } catch (const SystemError &) {
            // Gone already, or not ours to open: the read goes on without it.
        }
    }
}

QCoro::Task<Recording> NativeLibrary::importAudio(QString audioPath, std::optional<Recording> copyOf)
{
    return runOn(executor(), [this, audioPath = std::move(audioPath), copyOf = std::move(copyOf)] {
        return importNow(*this, audioPath, copyOf);
    });
}
