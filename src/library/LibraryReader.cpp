#include "library/LibraryReader.h"

#include "library/RecordCodec.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <numeric>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString unsafeLink = QStringLiteral("资料库包含不安全的链接。");

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// Reads a regular file of at most maxBytes into bytes (reusing its buffer, with
// RecordCodec::decodePadding bytes to spare) without following a link and without blocking on a
// FIFO or device someone left in the library. False when it is not a readable regular file of that
// size.
bool readRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes)
{
    const int fd = ::open(encoded(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool read = false;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 && info.st_size <= maxBytes) {
        bytes.resize(0); // keeps the buffer, unlike clear()
        bytes.reserve(qsizetype(info.st_size) + RecordCodec::decodePadding);
        bytes.resize(qsizetype(info.st_size));
        qint64 total = 0;
        bool failed = false;
        while (total < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                failed = got < 0;
                break;
            }
            total += got;
        }
        // A file that shrank while being read is read as what is there; one that grew beyond the
        // cap is refused.
        char extra = 0;
        if (!failed && total == bytes.size() && ::read(fd, &extra, 1) > 0 && total + 1 > maxBytes)
            failed = true;
        if (!failed) {
            bytes.truncate(qsizetype(total));
            read = true;
        }
    }
    ::close(fd);
    return read;
}

enum class Verdict { Silent, Counted, Candidate };

struct EntryOutcome {
    Verdict verdict = Verdict::Silent;
    Recording recording;
    bool audioAcceptable = false; // steps 13 and 14
};

bool isBareFileName(const QString &name)
{
    // "." and ".." pass a last-component test but name folders, and a NUL would cut the path short.
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0))
        && name != QLatin1String(".") && name != QLatin1String("..");
}

bool segmentsValid(const Recording &recording)
{
    QSet<QString> ids;
    for (const Segment &segment : recording.segments) {
        if (!std::isfinite(segment.start) || !std::isfinite(segment.end) || segment.start < 0
            || segment.start > segment.end)
            return false;
    }
    for (const Segment &segment : recording.segments) {
        if (ids.contains(segment.id))
            return false;
        ids.insert(segment.id);
    }
    return true;
}

bool numbersValid(const Recording &recording)
{
    const double duration = recording.duration;
    if (!std::isfinite(duration) || duration < 0 || duration > 43200)
        return false;
    const qint64 chunks = recording.completedChunks.value_or(0);
    return chunks >= 0 && double(chunks) <= std::ceil(duration / 60);
}

// Steps 4.1 to 4.11 and 4.13 to 4.15 for one listed entry; they depend on nothing but the entry.
EntryOutcome examine(const QString &folder, const QString &name, bool includeDeleted, bool managed)
{
    EntryOutcome outcome;
    const QString entry = folder + QLatin1Char('/') + name;
    struct stat info {};
    if (::stat(encoded(entry).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return outcome;
    outcome.verdict = Verdict::Counted;
    const QString recordFile = entry + QStringLiteral("/record.json");
    if (LibraryReader::isSymbolicLink(entry) || LibraryReader::isSymbolicLink(recordFile))
        return outcome;
    // One buffer per reading thread: a fresh one per note would be fresh memory for the kernel to
    // clear, note after note. One that an unusually large note grew is let go.
    thread_local QByteArray bytes;
    bool decoded = false;
    try {
        if (readRegularFile(recordFile, LibraryReader::maxRecordBytes, bytes)) {
            outcome.recording = RecordCodec::decodeRecording(bytes);
            decoded = true;
        }
    } catch (...) {
    }
    if (bytes.capacity() > 4'000'000)
        bytes = QByteArray();
    if (!decoded)
        return outcome;
    Recording &recording = outcome.recording;
    if (managed && (!LibraryReader::isUuidString(recording.id) || recording.id != name))
        return outcome;
    if (!includeDeleted && recording.deletedAt) {
        outcome.verdict = Verdict::Silent;
        return outcome;
    }
    if (!LibraryReader::noteValid(recording))
        return outcome;
    outcome.verdict = Verdict::Candidate;
    const QString audioName = recording.storedAudioName.value_or(QStringLiteral("playback.mp3"));
    if (!isBareFileName(audioName))
        return outcome;
    const QString audioPath = entry + QLatin1Char('/') + audioName;
    if (LibraryReader::isSymbolicLink(audioPath))
        return outcome;
    outcome.audioAcceptable = true;
    if (::stat(encoded(audioPath).constData(), &info) == 0 && !S_ISDIR(info.st_mode))
        recording.audioURL = audioPath;
    return outcome;
}

// Visible entry names of the folder of notes, sorted so that ties and duplicates resolve the same
// way on every run.
QStringList listNotes(const QString &folder)
{
    DIR *dir = ::opendir(encoded(folder).constData());
    if (!dir)
        throw SystemError::fromErrno(errno, folder);
    QStringList names;
    errno = 0;
    while (const dirent *item = ::readdir(dir)) {
        if (item->d_name[0] != '.')
            names.append(QFile::decodeName(item->d_name));
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0)
        throw SystemError::fromErrno(error, folder);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return QFile::encodeName(a) < QFile::encodeName(b);
    });
    return names;
}

} // namespace

std::vector<Project> LibraryReader::readProjects(const QString &root)
{
    const QString file = root + QStringLiteral("/projects.json");
    if (LibraryReader::isSymbolicLink(file))
        throw AppFailure(unsafeLink);
    struct stat info {};
    if (::lstat(encoded(file).constData(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        throw SystemError::fromErrno(errno, file);
    }
    if (!S_ISREG(info.st_mode))
        throw SystemError::fromErrno(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, file);
    QByteArray bytes;
    if (!readRegularFile(file, LibraryReader::maxRecordBytes, bytes))
        throw SystemError::fromErrno(errno ? errno : EFBIG, file);
    return RecordCodec::decodeProjects(bytes);
}

namespace LibraryReader {

bool noteValid(const Recording &recording)
{
    return numbersValid(recording) && segmentsValid(recording);
}

bool isSymbolicLink(const QString &path)
{
    struct stat info {};
    if (::lstat(encoded(path).constData(), &info) != 0)
        return false;
    return S_ISLNK(info.st_mode);
}

bool isUuidString(const QString &text)
{
    if (text.size() != 36)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != QLatin1Char('-'))
                return false;
        } else if (!isxdigit(c.unicode()) || c.unicode() > 0x7f) {
            return false;
        }
    }
    return true;
}

static bool namesRecordings(const QString &clean)
{
    return QFileInfo(clean).fileName() == QLatin1String("recordings");
}

QString recordingsFolder(const QString &url)
{
    const QString clean = QDir::cleanPath(url);
    return namesRecordings(clean) ? clean : clean + QStringLiteral("/recordings");
}

QString libraryRoot(const QString &url)
{
    const QString clean = QDir::cleanPath(url);
    return namesRecordings(clean) ? QFileInfo(clean).path() : clean;
}

std::optional<Recording> readNote(const QString &url, const QString &name, bool includeDeleted, bool managed)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')))
        return std::nullopt; // not an entry read() would list
    EntryOutcome outcome = examine(recordingsFolder(url), name, includeDeleted, managed);
    if (outcome.verdict != Verdict::Candidate || !outcome.audioAcceptable)
        return std::nullopt;
    return std::move(outcome.recording);
}

LibrarySnapshot read(const QString &url, bool includeDeleted, bool managed, std::stop_token stop)
{
    const QString folder = recordingsFolder(url);
    if (isSymbolicLink(folder))
        throw AppFailure(unsafeLink);
    const QStringList names = listNotes(folder);

    // Notes are parsed in parallel; everything that depends on order happens afterwards, in
    // listing order. A pool of its own: the caller may itself be a task of the global pool, and
    // waiting there for work queued behind it deadlocks once every pool thread waits.
    QThreadPool pool;
    std::vector<EntryOutcome> outcomes(size_t(names.size()));
    std::vector<size_t> positions(outcomes.size());
    std::iota(positions.begin(), positions.end(), size_t(0));
    QtConcurrent::blockingMap(&pool, positions, [&](size_t i) {
        if (!stop.stop_requested())
            outcomes[i] = examine(folder, names[qsizetype(i)], includeDeleted, managed);
    });
    if (stop.stop_requested())
        throw Cancelled();

    LibrarySnapshot snapshot;
    QSet<QString> accepted;
    for (EntryOutcome &outcome : outcomes) {
        if (outcome.verdict == Verdict::Silent)
            continue;
        if (outcome.verdict == Verdict::Counted || accepted.contains(outcome.recording.id)
            || !outcome.audioAcceptable) {
            ++snapshot.skipped;
            continue;
        }
        accepted.insert(outcome.recording.id);
        snapshot.recordings.push_back(std::move(outcome.recording));
    }

    snapshot.projects = readProjects(libraryRoot(url));
    std::stable_sort(snapshot.recordings.begin(), snapshot.recordings.end(),
                     [](const Recording &a, const Recording &b) { return a.createdAt > b.createdAt; });
    return snapshot;
}

} // namespace LibraryReader
