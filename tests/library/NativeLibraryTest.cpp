#include "LibraryFixture.h"

#include "support/TaskRunner.h"
#include "library/NativeLibrary.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Localization.h"

#include <QTemporaryDir>

using namespace LibraryFixture;
using TestSupport::runTask;

namespace {

class NativeLibraryTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString root = m_dir.path() + QStringLiteral("/Hushnote/Library");
    NativeLibrary library{root};

    // Saves a change of the note as it is on disk now (or as given when it cannot be read).
    Recording saveNow(const Recording &changed) { return library.saveNow(onDisk(root, changed), changed); }
    Recording save(const Recording &changed) { return runTask(library.save(onDisk(root, changed), changed)); }
};

} // namespace

TEST_F(NativeLibraryTest, LoadHomePreparesOwnerOnlyFoldersAndReads)
{
    const LibrarySnapshot empty = runTask(library.loadHome());
    EXPECT_TRUE(empty.recordings.empty());
    EXPECT_EQ(modeOf(root + QStringLiteral("/recordings")), 0700);
    EXPECT_EQ(modeOf(root), 0700);
    EXPECT_EQ(modeOf(m_dir.path() + QStringLiteral("/Hushnote")), 0700);

    // An existing folder keeps its permissions.
    ::chmod(QFile::encodeName(root + QStringLiteral("/recordings")).constData(), 0755);
    const Recording note1 = note(newID());
    putNote(root, note1);
    const LibrarySnapshot one = runTask(library.loadHome());
    ASSERT_EQ(one.recordings.size(), 1u);
    EXPECT_EQ(one.recordings[0].id, note1.id);
    EXPECT_EQ(modeOf(root + QStringLiteral("/recordings")), 0755);
}

TEST_F(NativeLibraryTest, SaveKeepsOneBackupAndWritesOwnerOnly)
{
    Recording recording = note(newID());
    const QString folder = putNote(root, recording);
    const QByteArray original = readBytes(folder + QStringLiteral("/record.json"));

    recording.title = QStringLiteral("第二版");
    save(recording);
    EXPECT_EQ(readBytes(folder + QStringLiteral("/record.json.backup")), original);
    EXPECT_EQ(modeOf(folder + QStringLiteral("/record.json")), 0600);

    const QByteArray second = readBytes(folder + QStringLiteral("/record.json"));
    recording.title = QStringLiteral("第三版");
    save(recording);
    EXPECT_EQ(readBytes(folder + QStringLiteral("/record.json.backup")), second);
    EXPECT_EQ(RecordCodec::decodeRecording(readBytes(folder + QStringLiteral("/record.json"))).title,
              QStringLiteral("第三版"));
    EXPECT_EQ(modeOf(folder + QStringLiteral("/record.json.backup")), 0600);

    // Lower-case UUIDs are valid ids for the store.
    Recording lower = note(newID().toLower());
    putNote(root, lower);
    lower.summary = QStringLiteral("s");
    EXPECT_NO_THROW(saveNow(lower));
}

TEST_F(NativeLibraryTest, SaveRefusesWhatItMustNotWrite)
{
    Recording bad = note(QStringLiteral("not-a-uuid"));
    EXPECT_EQ(failureOf([&] { saveNow(bad); }), QStringLiteral("这条记录不能写入资料库。"));

    // A save never creates a note.
    const Recording gone = note(newID());
    EXPECT_EQ(failureOf([&] { save(gone); }),
              QStringLiteral("录音目录不存在，未保存修改。"));
    EXPECT_FALSE(QFileInfo::exists(library.noteFolder(gone.id)));

    // A value that cannot be encoded costs neither the note nor its backup.
    Recording recording = note(newID());
    const QString folder = putNote(root, recording);
    const QByteArray original = readBytes(folder + QStringLiteral("/record.json"));
    recording.duration = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(saveNow(recording), RecordFormatError);
    EXPECT_EQ(readBytes(folder + QStringLiteral("/record.json")), original);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/record.json.backup")));

    // When the backup cannot be written the note itself stays as it was.
    QDir().mkpath(folder + QStringLiteral("/record.json.backup/blocker"));
    recording.duration = 10;
    EXPECT_EQ(failureOf([&] { saveNow(recording); }), QStringLiteral("SystemError"));
    EXPECT_EQ(readBytes(folder + QStringLiteral("/record.json")), original);
}

TEST_F(NativeLibraryTest, NothingIsWrittenThroughALink)
{
    library.prepare();
    const QString unsafe = QStringLiteral("资料库包含不安全的链接。");
    Recording recording = note(newID());
    const QString folder = putNote(root, recording);
    const QString outside = m_dir.path() + QStringLiteral("/outside.json");
    writeBytes(outside, "untouched");

    // A linked record.json or backup.
    for (const char *name : {"record.json", "record.json.backup"}) {
        const QString target = folder + QLatin1Char('/') + QLatin1String(name);
        const QByteArray kept = readBytes(target);
        QFile::remove(target);
        link(outside, target);
        EXPECT_EQ(failureOf([&] { saveNow(recording); }), unsafe) << name;
        EXPECT_EQ(readBytes(outside), QByteArray("untouched"));
        QFile::remove(target);
        if (!kept.isEmpty())
            writeBytes(target, kept);
    }

    // A linked projects.json.
    link(outside, root + QStringLiteral("/projects.json"));
    EXPECT_EQ(failureOf([&] { runTask(library.saveProjects({}, {})); }), unsafe);
    QFile::remove(root + QStringLiteral("/projects.json"));

    // The recordings folder replaced by a link: every operation refuses.
    const QString real = m_dir.path() + QStringLiteral("/real-recordings");
    ASSERT_TRUE(QDir().rename(root + QStringLiteral("/recordings"), real));
    link(real, root + QStringLiteral("/recordings"));
    EXPECT_EQ(failureOf([&] { runTask(library.loadHome()); }), unsafe);
    EXPECT_EQ(failureOf([&] { save(recording); }), unsafe);
    EXPECT_EQ(failureOf([&] { runTask(library.saveProjects({}, {})); }), unsafe);
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/projects.json")));
}

TEST_F(NativeLibraryTest, SavesTheProjectListCompactly)
{
    runTask(library.saveProjects({}, {}));
    EXPECT_EQ(readBytes(root + QStringLiteral("/projects.json")), QByteArray("[]"));
    const std::vector<Project> projects = {{newID(), QStringLiteral("客户")}, {newID(), QStringLiteral("内部")}};
    runTask(library.saveProjects({}, projects));
    EXPECT_EQ(runTask(library.loadHome()).projects, projects);
}

TEST_F(NativeLibraryTest, OperationsRunInTheOrderCalled)
{
    Recording recording = note(newID());
    putNote(root, recording);
    std::vector<QCoro::Task<Recording>> saves;
    for (int i = 0; i < 20; ++i) {
        Recording changed = recording;
        changed.title = QString::number(i);
        saves.push_back(library.save(recording, changed));
        recording = changed;
    }
    for (auto &save : saves)
        runTask(std::move(save));
    const LibrarySnapshot snapshot = runTask(library.loadHome());
    ASSERT_EQ(snapshot.recordings.size(), 1u);
    EXPECT_EQ(snapshot.recordings[0].title, QStringLiteral("19"));
}

// A save that fails at any step, for example on a disk that fills up while it writes, changes
// neither the note nor its backup; only a failed rename of the note itself, after the backup took
// the previous version, leaves the backup holding that version (which is still the note's).
TEST_F(NativeLibraryTest, FailedSaveKeepsTheNoteAndItsBackup)
{
    Recording recording = note(newID());
    const QString folder = putNote(root, recording);
    const QString file = folder + QStringLiteral("/record.json");
    recording.title = QStringLiteral("第二版");
    save(recording);
    const QByteArray note = readBytes(file);
    const QByteArray backup = readBytes(file + QStringLiteral(".backup"));
    ASSERT_NE(note, backup);

    struct Case {
        FileUtil::WriteStep step;
        int nth;
        bool backupTakesTheNote;
    };
    const Case cases[] = {{FileUtil::WriteStep::Open, 1, false},  {FileUtil::WriteStep::Open, 2, false},
                          {FileUtil::WriteStep::Write, 1, false}, {FileUtil::WriteStep::Write, 2, false},
                          {FileUtil::WriteStep::Sync, 1, false},  {FileUtil::WriteStep::Sync, 2, false},
                          {FileUtil::WriteStep::Rename, 1, false}, {FileUtil::WriteStep::Rename, 2, true}};
    recording.title = QStringLiteral("第三版");
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << int(c.step) << " call " << c.nth);
        FileUtil::failNext(c.step, c.nth, ENOSPC);
        try {
            save(recording);
            ADD_FAILURE() << "a failed save was reported as saved";
        } catch (const SystemError &error) {
            EXPECT_TRUE(error.description().contains(folder)) << error.description().toStdString();
            EXPECT_TRUE(error.description().contains(L(QStringLiteral("磁盘空间不足"))));
        }
        FileUtil::clearInjectedFaults();
        EXPECT_EQ(readBytes(file), note);
        EXPECT_EQ(readBytes(file + QStringLiteral(".backup")), c.backupTakesTheNote ? note : backup);
        writeBytes(file + QStringLiteral(".backup"), backup);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 3); // audio, note, backup
    }

    // The folder could not be synced after the rename: the new version is on disk, the save says
    // it is not yet safe, and the store reads the note again on its next look instead of trusting
    // what it knew.
    runTask(library.loadHome());
    FileUtil::failNext(FileUtil::WriteStep::SyncFolder, 1, EIO, 2);
    EXPECT_THROW(save(recording), FileUtil::NotDurable);
    FileUtil::clearInjectedFaults();
    EXPECT_EQ(RecordCodec::decodeRecording(readBytes(file)).title, QStringLiteral("第三版"));
    const LibraryChanges changes = runTask(library.changes());
    ASSERT_EQ(changes.notes.size(), 1u);
    EXPECT_EQ(changes.notes[0].title, QStringLiteral("第三版"));
}
