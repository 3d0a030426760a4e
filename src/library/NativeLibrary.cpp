#include "library/NativeLibrary.h"

#include "library/RecordCodec.h"
#include "library/RecordMerge.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/FileUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QString unsafeLink = QStringLiteral("资料库包含不安全的链接。");

} // namespace

NativeLibrary::NativeLibrary(QString root) : m_root(std::move(root)) {}

QString NativeLibrary::defaultRoot()
{
    static const QString root = AppPaths::homeLibrary();
    return root;
}

QString NativeLibrary::recordingsFolder() const
{
    return m_root + QStringLiteral("/recordings");
}

QString NativeLibrary::noteFolder(const QString &id) const
{
    return m_root + QStringLiteral("/recordings/") + id;
}

QString NativeLibrary::projectsFile() const
{
    return m_root + QStringLiteral("/projects.json");
}

QCoro::Task<LibrarySnapshot> NativeLibrary::loadHome(std::stop_token stop)
{
    return runOn(executor(), [this, stop] { return loadHomeNow(stop); });
}

QCoro::Task<Recording> NativeLibrary::save(Recording base, Recording changed)
{
    return runOn(executor(), [this, base = std::move(base), changed = std::move(changed)] {
        return saveNow(base, changed);
    });
}

QCoro::Task<std::shared_ptr<FileLock>> NativeLibrary::claimForJob(QString id)
{
    return runOn(executor(), [this, id = std::move(id)] {
        if (!LibraryReader::isUuidString(id))
            throw AppFailure(QStringLiteral("这条记录不能写入资料库。"));
        const QString folder = noteFolder(id);
        const QString path = folder + QStringLiteral("/job.lock");
        if (FileUtil::isSymbolicLink(folder) || FileUtil::isSymbolicLink(path))
            throw AppFailure(unsafeLink);
        std::optional<FileLock> lock = FileLock::acquire(path, O_RDWR | O_CREAT, false);
        if (!lock)
            throw AppFailure(QStringLiteral("这条笔记正在别处转写或整理，请等它结束后再试。"));
        return std::make_shared<FileLock>(std::move(*lock));
    });
}

QCoro::Task<std::vector<Project>> NativeLibrary::saveProjects(std::vector<Project> base, std::vector<Project> changed)
{
    return runOn(executor(), [this, base = std::move(base), changed = std::move(changed)] {
        return saveProjectsNow(base, changed);
    });
}

QCoro::Task<LibraryChanges> NativeLibrary::changes()
{
    return runOn(executor(), [this] { return changesNow(); });
}

void NativeLibrary::prepare() const
{
    if (FileUtil::isSymbolicLink(m_root) || FileUtil::isSymbolicLink(recordingsFolder())
        || FileUtil::isSymbolicLink(projectsFile()))
        throw AppFailure(unsafeLink);
    FileUtil::createFolders(recordingsFolder(), 0700);
}

LibrarySnapshot NativeLibrary::loadHomeNow(std::stop_token stop) const
{
    prepare();
    reclaimAbandonedImports();
    recoverInterruptedRecordings();
    // Stamped before reading: a note rewritten in between is read again by the next changesNow().
    QHash<QString, Stamp> stamps = noteStamps();
    std::optional<Stamp> projects = stampOf(projectsFile());
    LibrarySnapshot snapshot = LibraryReader::read(m_root, true, true, stop);
    const QMutexLocker locker(&m_stampsLock);
    m_stamps = std::move(stamps);
    m_projectsStamp = projects;
    return snapshot;
}

Recording NativeLibrary::saveNow(const Recording &base, const Recording &changed) const
{
    if (!LibraryReader::isUuidString(changed.id) || base.id != changed.id)
        throw AppFailure(QStringLiteral("这条记录不能写入资料库。"));
    prepare();
    const QString folder = noteFolder(changed.id);
    const QString file = recordFile(changed.id);
    if (FileUtil::isSymbolicLink(folder) || FileUtil::isSymbolicLink(file))
        throw AppFailure(unsafeLink);
    if (!QFileInfo(folder).isDir())
        throw AppFailure(QStringLiteral("录音目录不存在，未保存修改。"));
    const QString backupFile = file + QStringLiteral(".backup");
    if (FileUtil::isSymbolicLink(backupFile))
        throw AppFailure(unsafeLink);

    // Every program's save of this note holds the folder's lock from its read to its rename.
    const std::optional<FileLock> lock = FileLock::acquire(folder, O_RDONLY | O_DIRECTORY, true);
    Recording stored = changed;
    std::optional<QByteArray> previous;
    if (QFileInfo::exists(file)) {
        // Anything above the reader's cap could not have been read as this note anyway.
        previous = FileUtil::readFile(file, LibraryReader::maxRecordBytes);
        std::optional<Recording> current;
        try {
            current = RecordCodec::decodeRecording(*previous);
        } catch (const RecordFormatError &) {
            // Nothing to carry the change onto: the note is written whole, the backup keeps this.
        }
        if (current)
            stored = RecordMerge::merge(base, changed, *current);
    }
    // Encode first: a value that cannot be written must not cost the backup of the good version.
    const QByteArray encoded = RecordCodec::encodeRecording(stored);
    // Both files are written in full before either is replaced, so a disk that fills up while
    // writing them leaves the note and its backup exactly as they were. 0600 is set on the
    // temporary files, so the note is never readable by others, not even for a moment.
    std::optional<FileUtil::PendingFile> backup;
    if (previous)
        backup.emplace(backupFile, *previous, 0600);
    FileUtil::PendingFile note(file, encoded, 0600);
    if (backup)
        backup->replaceTarget();
    note.replaceTarget();
    try {
        FileUtil::syncAfterReplace(folder);
    } catch (const FileUtil::NotDurable &) {
        // The new version is in place but the save is reported as failed: the store forgets what it
        // knew of the file, so the next look at the library reads the note as it is on disk.
        remember(changed.id, std::nullopt);
        throw;
    }
    remember(changed.id, stampOf(file));
    // New times on the note's folder are an event in the folder of notes, which programs showing
    // this library watch; the rename inside the note's folder alone is not.
    ::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), nullptr, 0);
    return stored;
}

std::vector<Project> NativeLibrary::saveProjectsNow(const std::vector<Project> &base,
                                                    const std::vector<Project> &changed) const
{
    prepare();
    const std::optional<FileLock> lock = FileLock::acquire(m_root, O_RDONLY | O_DIRECTORY, true);
    std::vector<Project> stored = changed;
    if (QFileInfo::exists(projectsFile())) {
        std::optional<std::vector<Project>> current;
        try {
            current = RecordCodec::decodeProjects(FileUtil::readFile(projectsFile(), LibraryReader::maxRecordBytes));
        } catch (const RecordFormatError &) {
            // An unreadable list is replaced whole.
        }
        if (current)
            stored = RecordMerge::mergeProjects(base, changed, *current);
    }
    try {
        FileUtil::writeAtomically(projectsFile(), RecordCodec::encodeProjects(stored));
    } catch (const FileUtil::NotDurable &) {
        const QMutexLocker locker(&m_stampsLock);
        m_projectsStamp.reset(); // read again on the next look, as it is on disk
        throw;
    }
    const QMutexLocker locker(&m_stampsLock);
    m_projectsStamp = stampOf(projectsFile());
    return stored;
}

LibraryChanges NativeLibrary::changesNow() const
{
    prepare();
    QHash<QString, Stamp> stamps = noteStamps();
    const std::optional<Stamp> projectsStamp = stampOf(projectsFile());
    QHash<QString, Stamp> known;
    std::optional<Stamp> knownProjects;
    {
        const QMutexLocker locker(&m_stampsLock);
        known = m_stamps;
        knownProjects = m_projectsStamp;
    }
    LibraryChanges changes;
    for (auto it = stamps.cbegin(); it != stamps.cend(); ++it) {
        const auto before = known.constFind(it.key());
        if (before != known.cend() && *before == it.value())
            continue;
        if (std::optional<Recording> note = LibraryReader::readNote(m_root, it.key(), true, true))
            changes.notes.push_back(std::move(*note));
        else if (before != known.cend())
            changes.gone.append(it.key());
    }
    for (auto it = known.cbegin(); it != known.cend(); ++it) {
        if (!stamps.contains(it.key()))
            changes.gone.append(it.key());
    }
    if (projectsStamp != knownProjects) {
        try {
            changes.projects = LibraryReader::readProjects(m_root);
        } catch (...) {
            // A list being replaced or broken: the window keeps the projects it shows.
        }
    }
    const QMutexLocker locker(&m_stampsLock);
    m_stamps = std::move(stamps);
    m_projectsStamp = projectsStamp;
    return changes;
}

std::optional<NativeLibrary::Stamp> NativeLibrary::stampOf(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    auto nanoseconds = [](const timespec &t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return Stamp{quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size), nanoseconds(info.st_mtim),
                 nanoseconds(info.st_ctim)};
}

QString NativeLibrary::recordFile(const QString &id) const
{
    return noteFolder(id) + QStringLiteral("/record.json");
}

QHash<QString, NativeLibrary::Stamp> NativeLibrary::noteStamps() const
{
    QHash<QString, Stamp> stamps;
    const QStringList names = QDir(recordingsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (const std::optional<Stamp> stamp = stampOf(recordFile(name)))
            stamps.insert(name, *stamp);
    }
    return stamps;
}

void NativeLibrary::remember(const QString &id, std::optional<Stamp> stamp) const
{
    const QMutexLocker locker(&m_stampsLock);
    if (stamp)
        m_stamps.insert(id, *stamp);
    else
        m_stamps.remove(id);
}
