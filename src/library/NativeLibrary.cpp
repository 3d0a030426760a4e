#include "library/NativeLibrary.h"

#include "library/RecordCodec.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QCoro::Task<LibrarySnapshot> NativeLibrary::loadHome()
{
    return runOn(executor(), [this] { return loadHomeNow(); });
}

QCoro::Task<> NativeLibrary::save(Recording recording)
{
    return runOn(executor(), [this, recording = std::move(recording)] { saveNow(recording); });
}

QCoro::Task<> NativeLibrary::saveProjects(std::vector<Project> projects)
{
    return runOn(executor(), [this, projects = std::move(projects)] { saveProjectsNow(projects); });
}

void NativeLibrary::prepare() const
{
    if (FileUtil::isSymbolicLink(m_root) || FileUtil::isSymbolicLink(recordingsFolder())
        || FileUtil::isSymbolicLink(projectsFile()))
        throw AppFailure(unsafeLink);
    FileUtil::createFolders(recordingsFolder(), 0700);
}

LibrarySnapshot NativeLibrary::loadHomeNow() const
{
    prepare();
    reclaimAbandonedImports();
    return LibraryReader::read(m_root, true, true);
}

void NativeLibrary::saveNow(const Recording &recording) const
{
    if (!LibraryReader::isUuidString(recording.id))
        throw AppFailure(QStringLiteral("这条记录不能写入资料库。"));
    prepare();
    const QString folder = noteFolder(recording.id);
    const QString recordFile = folder + QStringLiteral("/record.json");
    if (FileUtil::isSymbolicLink(folder) || FileUtil::isSymbolicLink(recordFile))
        throw AppFailure(unsafeLink);
    if (!QFileInfo(folder).isDir())
        throw AppFailure(QStringLiteral("录音目录不存在，未保存修改。"));

    // Encode first: a value that cannot be written must not cost the backup of the good version.
    const QByteArray encoded = RecordCodec::encodeRecording(recording);
    const QString backupFile = recordFile + QStringLiteral(".backup");
    if (FileUtil::isSymbolicLink(backupFile))
        throw AppFailure(unsafeLink);
    if (QFileInfo::exists(recordFile)) {
        // Anything above the reader's cap could not have been read as this note anyway.
        const QByteArray previous = FileUtil::readFile(recordFile, LibraryReader::maxRecordBytes);
        FileUtil::writeAtomically(backupFile, previous, 0600);
    }
    // 0600 is set on the temporary file before the rename, so the note is never readable by others,
    // not even for a moment.
    FileUtil::writeAtomically(recordFile, encoded, 0600);
}

void NativeLibrary::saveProjectsNow(const std::vector<Project> &projects) const
{
    prepare();
    FileUtil::writeAtomically(projectsFile(), RecordCodec::encodeProjects(projects));
}
