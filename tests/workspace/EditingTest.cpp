#include "WorkspaceFixture.h"

#include "../processing/JobFixture.h"

#include <QCoroTimer>
#include "platform/FileUtil.h"

#include <functional>

using TestSupport::runTask;

namespace {

const QString idA = QStringLiteral("0A0A0A0A-0000-4000-8000-00000000000A");
const QString idB = QStringLiteral("0B0B0B0B-0000-4000-8000-00000000000B");
const QString idC = QStringLiteral("0C0C0C0C-0000-4000-8000-00000000000C");

Recording note(const QString &id, const QString &createdAt, const QString &summary)
{
    Recording r = LibraryFixture::note(id, createdAt);
    r.title = QStringLiteral("Note ") + id.left(2);
    r.duration = 30;
    r.segments = {Segment{QStringLiteral("s1"), 0, 10, QStringLiteral("hello"), QStringLiteral("Ann")},
                  Segment{QStringLiteral("s2"), 10, 20, QStringLiteral("world"), QStringLiteral("Bob")}};
    r.summary = summary;
    r.summaryStale = false;
    r.status = QStringLiteral("done");
    return r;
}

// A home library with three notes (newest A, then B, then C, C without a summary and without a
// star key) and one project.
class EditingTest : public WorkspaceFixture {
protected:
    void SetUp() override
    {
        LibraryFixture::putNote(root, note(idA, QStringLiteral("2026-03-03T08:00:00Z"), QStringLiteral("## A summary")));
        LibraryFixture::putNote(root, note(idB, QStringLiteral("2026-03-02T08:00:00Z"), QStringLiteral("B summary")));
        Recording c = note(idC, QStringLiteral("2026-03-01T08:00:00Z"), QString());
        c.starred.reset();
        LibraryFixture::putNote(root, c);
        LibraryFixture::writeBytes(root + QStringLiteral("/projects.json"),
                                   RecordCodec::encodeProjects({{QStringLiteral("P-1"), QStringLiteral("work")}}));
        start();
        ASSERT_TRUE(workspace->isManaged());
        ASSERT_EQ(workspace->records().size(), 3u);
    }

    QString failureOf(Recording edited)
    {
        return LibraryFixture::failureOf([&] { runTask(workspace->saveEdits(std::move(edited))); });
    }
};

TEST_F(EditingTest, SavedEditsMarkTheSummaryStaleOnlyWhenTheTranscriptChanged)
{
    workspace->setSelectedID(idB);

    Recording speakerRenamed = inMemory(idA);
    speakerRenamed.segments[1].speaker = QStringLiteral("Robert");
    runTask(workspace->saveEdits(speakerRenamed));
    EXPECT_EQ(inMemory(idA).summaryStale, true);
    EXPECT_EQ(stored(idA).summaryStale, true);
    EXPECT_EQ(stored(idA).segments[1].speaker, QStringLiteral("Robert"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("修改已保存。"));
    EXPECT_EQ(workspace->selectedID(), idB) << "saving does not move the selection";
    EXPECT_FALSE(workspace->loading());

    // Only the title: the mark stays as it was; the title keeps its surrounding spaces.
    Recording retitled = inMemory(idA);
    retitled.title = QStringLiteral("  Board meeting ");
    runTask(workspace->saveEdits(retitled));
    EXPECT_EQ(stored(idA).summaryStale, true);
    EXPECT_EQ(stored(idA).title, QStringLiteral("  Board meeting "));

    // A rewritten summary is current again.
    Recording resummarized = inMemory(idA);
    resummarized.summary = QStringLiteral("## A summary, revised");
    runTask(workspace->saveEdits(resummarized));
    EXPECT_EQ(stored(idA).summaryStale, false);

    // Transcript and summary both changed: the transcript rule wins.
    Recording both = inMemory(idA);
    both.segments.pop_back();
    both.summary = QStringLiteral("shorter");
    runTask(workspace->saveEdits(both));
    EXPECT_EQ(stored(idA).summaryStale, true);

    // Without a summary there is nothing to go stale.
    Recording unsummarized = inMemory(idC);
    unsummarized.segments[0].text = QStringLiteral("changed");
    std::swap(unsummarized.segments[0], unsummarized.segments[1]);
    runTask(workspace->saveEdits(unsummarized));
    EXPECT_EQ(stored(idC).summaryStale, false);
    EXPECT_EQ(stored(idC).segments[0].text, QStringLiteral("world"));
}

TEST_F(EditingTest, EditsThatCannotBeSavedAreRefusedAndChangeNothing)
{
    Recording blank = inMemory(idA);
    blank.title = QStringLiteral(" \n ");
    EXPECT_EQ(failureOf(blank), QStringLiteral("标题不能为空。"));

    Recording unknown = inMemory(idA);
    unknown.id = QStringLiteral("FFFFFFFF-0000-4000-8000-000000000000");
    EXPECT_EQ(failureOf(unknown), QStringLiteral("当前记录无法编辑。"));

    workspace->organize(idB, OrganizeChange::trash());
    // The trash write is still running: nothing else may write meanwhile.
    EXPECT_EQ(failureOf(inMemory(idA)), QStringLiteral("当前记录无法编辑。"));
    settle();
    EXPECT_EQ(failureOf(inMemory(idB)), QStringLiteral("当前记录无法编辑。")) << "trashed notes are read-only";

    // The store fails (the note's folder vanished): the error goes to the editor, memory keeps
    // what is on disk.
    ASSERT_TRUE(QDir(root + QStringLiteral("/recordings/") + idA).removeRecursively());
    Recording lost = inMemory(idA);
    lost.title = QStringLiteral("Lost");
    EXPECT_EQ(failureOf(lost), QStringLiteral("录音目录不存在，未保存修改。"));
    EXPECT_EQ(inMemory(idA).title, QStringLiteral("Note 0A"));
    EXPECT_FALSE(workspace->loading());
    EXPECT_FALSE(workspace->notice());

    // A foreign library is read-only.
    const Recording fromHome = inMemory(idC);
    QTemporaryDir foreign;
    LibraryFixture::putNote(foreign.path(), fromHome);
    workspace->openLibrary(foreign.path());
    settle();
    ASSERT_FALSE(workspace->isManaged());
    ASSERT_EQ(workspace->records().size(), 1u);
    EXPECT_EQ(failureOf(fromHome), QStringLiteral("当前记录无法编辑。"));
}

TEST_F(EditingTest, ProjectNamesAreUniqueIgnoringCase)
{
    workspace->createProject(QStringLiteral("Work"));
    EXPECT_EQ(workspace->error(), QStringLiteral("已经有同名项目。"));
    EXPECT_FALSE(workspace->loading());
    workspace->setError(std::nullopt);

    workspace->createProject(QStringLiteral("  \t "));
    EXPECT_FALSE(workspace->error());
    EXPECT_FALSE(workspace->loading());

    workspace->createProject(QStringLiteral("  Café "));
    settle();
    ASSERT_EQ(workspace->projects().size(), 2u);
    const Project cafe = workspace->projects()[1];
    EXPECT_EQ(cafe.name, QStringLiteral("Café"));
    EXPECT_EQ(QUuid::fromString(cafe.id).toString(QUuid::WithoutBraces).toUpper(), cafe.id);
    EXPECT_EQ(RecordCodec::decodeProjects(LibraryFixture::readBytes(root + QStringLiteral("/projects.json"))),
              workspace->projects());
    EXPECT_FALSE(workspace->notice()) << "creating a project is silent";

    // The same name written with a combining accent and other letter case is the same name.
    workspace->createProject(QStringLiteral("CAFE\u0301"));
    EXPECT_EQ(workspace->error(), QStringLiteral("已经有同名项目。"));

    // Renaming to another case of its own name is fine; to another project's name is not.
    runTask(workspace->renameProject(QStringLiteral("P-1"), QStringLiteral(" Work ")));
    EXPECT_EQ(workspace->projects()[0].name, QStringLiteral("Work"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("项目名称已更新。"));
    auto renameFailure = [&](const QString &id, const QString &name) {
        return LibraryFixture::failureOf([&] { runTask(workspace->renameProject(id, name)); });
    };
    EXPECT_EQ(renameFailure(cafe.id, QStringLiteral("WORK")), QStringLiteral("已经有同名项目。"));
    EXPECT_EQ(renameFailure(cafe.id, QStringLiteral("   ")), QStringLiteral("项目名称不能为空。"));
    EXPECT_EQ(renameFailure(QStringLiteral("nope"), QStringLiteral("X")), QStringLiteral("当前项目无法修改。"));
    EXPECT_EQ(workspace->projects()[1].name, QStringLiteral("Café"));

    // A failed write keeps the list as it is on disk and shows the bare reason.
    const QString projectsFile = root + QStringLiteral("/projects.json");
    QFile::remove(projectsFile);
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/elsewhere.json"), projectsFile));
    workspace->setError(std::nullopt);
    workspace->createProject(QStringLiteral("Home"));
    settle();
    EXPECT_EQ(workspace->projects().size(), 2u);
    ASSERT_TRUE(workspace->error());
    EXPECT_FALSE(workspace->error()->isEmpty());
    EXPECT_FALSE(workspace->error()->startsWith(QStringLiteral("导出")));
}

TEST_F(EditingTest, OrganizingWritesTheChangeAndKeepsASensibleSelection)
{
    // The star key is missing on C: the first toggle stars, the second unstars.
    workspace->organize(idC, OrganizeChange::toggleStar());
    settle();
    EXPECT_EQ(stored(idC).starred, true);
    EXPECT_EQ(workspace->pinnedCount(), 1);
    workspace->organize(idC, OrganizeChange::toggleStar());
    settle();
    EXPECT_EQ(stored(idC).starred, false);

    workspace->organize(idB, OrganizeChange::moveToProject(QStringLiteral("P-1")));
    settle();
    EXPECT_EQ(stored(idB).folderId, QStringLiteral("P-1"));
    EXPECT_EQ(workspace->projectCount(QStringLiteral("P-1")), 1);

    // While one change is being written, another is ignored.
    workspace->organize(idB, OrganizeChange::takeOutOfProject());
    workspace->organize(idA, OrganizeChange::trash());
    settle();
    EXPECT_FALSE(stored(idB).folderId);
    EXPECT_FALSE(stored(idA).deletedAt);

    // Trashing the selected note hands the selection to the first note still listed.
    ASSERT_EQ(workspace->selectedID(), idA);
    workspace->organize(idA, OrganizeChange::trash());
    settle();
    ASSERT_TRUE(stored(idA).deletedAt);
    EXPECT_EQ(stored(idA).deletedAt->size(), 20) << stored(idA).deletedAt->toStdString();
    EXPECT_EQ(workspace->selectedID(), idB);
    EXPECT_EQ(workspace->trashCount(), 1);
    workspace->organize(idB, OrganizeChange::trash());
    settle();
    EXPECT_EQ(workspace->selectedID(), idC);
    workspace->organize(idC, OrganizeChange::trash());
    settle();
    EXPECT_FALSE(workspace->selectedID());
    EXPECT_TRUE(workspace->filtered().empty());

    workspace->organize(idB, OrganizeChange::restore());
    settle();
    EXPECT_FALSE(stored(idB).deletedAt);
    EXPECT_EQ(workspace->selectedID(), idB);

    // A failed write shows the bare reason and leaves the note as it is on disk.
    ASSERT_TRUE(QDir(root + QStringLiteral("/recordings/") + idB).removeRecursively());
    workspace->organize(idB, OrganizeChange::toggleStar());
    settle();
    ASSERT_TRUE(workspace->error());
    EXPECT_FALSE(workspace->error()->isEmpty());
    EXPECT_FALSE(inMemory(idB).starred.value_or(false));
}

// A running job leaves the rest of the library to the person: notes are starred, moved, trashed
// and imported meanwhile, and the job's own note keeps those changes. Only what the job itself
// writes waits: its note's text and its trip to the trash.
TEST(EditingDuringAJob, OrganizingGoesOnWhileTheJobsNoteStaysLiveAndUnedited)
{
    JobTest::Fixture f;
    const Recording other = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 5, 8000, 1));
    const Recording busy = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 130, 8000, 1));
    bool held = true;
    int calls = 0;
    f.transcribe = [&](QByteArray, QString, std::stop_token) -> QCoro::Task<QString> {
        ++calls;
        while (held)
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        co_return QStringLiteral("chunk %1").arg(calls);
    };
    Workspace &ws = *f.workspace;
    const auto settle = [&] { EXPECT_TRUE(TestSupport::waitUntil([&] { return !ws.loading(); })); };
    ws.startJob(false, SummaryPreferences());
    ASSERT_TRUE(TestSupport::waitUntil([&] { return calls == 1; }));
    ASSERT_EQ(ws.jobID(), busy.id);
    EXPECT_TRUE(ws.canOrganize());

    ws.organize(busy.id, OrganizeChange::toggleStar());
    settle();
    ws.createProject(QStringLiteral("Work"));
    settle();
    ASSERT_EQ(ws.projects().size(), 1u);
    ws.organize(busy.id, OrganizeChange::moveToProject(ws.projects()[0].id));
    settle();
    ws.organize(other.id, OrganizeChange::trash());
    settle();
    EXPECT_TRUE(f.onDisk(other.id).deletedAt);

    ws.organize(busy.id, OrganizeChange::trash());
    EXPECT_FALSE(ws.loading()) << "the job's note is not sent to the trash";
    Recording retitled = busy;
    retitled.title = QStringLiteral("Renamed");
    EXPECT_EQ(LibraryFixture::failureOf([&] { TestSupport::runTask(ws.saveEdits(retitled)); }),
              QStringLiteral("当前记录无法编辑。"));

    ws.importAudio(AudioFixtures::tone(QStringLiteral("wav"), 3, 8000, 1));
    settle();
    EXPECT_FALSE(ws.error());
    EXPECT_EQ(ws.records().size(), 3u);
    EXPECT_EQ(ws.jobID(), busy.id) << "the import left the job running";

    held = false;
    f.waitForJobEnd();
    const Recording done = f.onDisk(busy.id);
    EXPECT_EQ(done.status, QStringLiteral("transcribed"));
    EXPECT_EQ(done.segments.size(), 3u);
    EXPECT_EQ(done.title, busy.title);
    EXPECT_FALSE(done.deletedAt);
    EXPECT_EQ(done.starred, true) << "the job's saves kept the star given meanwhile";
    EXPECT_EQ(done.folderId, ws.projects()[0].id);
    EXPECT_FALSE(ws.error());
}

} // namespace

// With the disk full, every change fails with the disk's reason for the window's alert, the note
// stays listed as it was, and nothing on disk changes.
TEST_F(EditingTest, OnAFullDiskChangesShowTheReasonAndKeepEveryNote)
{
    const QByteArray noteBytes = LibraryFixture::readBytes(root + QStringLiteral("/recordings/") + idA + QStringLiteral("/record.json"));
    const QByteArray projectBytes = LibraryFixture::readBytes(root + QStringLiteral("/projects.json"));
    const QList<std::function<void()>> changes = {
        [&] { workspace->organize(idA, OrganizeChange::toggleStar()); },
        [&] { workspace->organize(idA, OrganizeChange::trash()); },
        [&] { workspace->organize(idA, OrganizeChange::moveToProject(QStringLiteral("P-1"))); },
        [&] { workspace->createProject(QStringLiteral("other")); },
    };
    for (qsizetype i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        workspace->setError(std::nullopt);
        FileUtil::failNext(FileUtil::WriteStep::Write, 1, ENOSPC, 1000);
        changes[i]();
        ASSERT_TRUE(TestSupport::waitUntil([&] { return workspace->error().has_value(); }));
        settle();
        FileUtil::clearInjectedFaults();
        EXPECT_TRUE(workspace->error()->contains(QStringLiteral("磁盘空间不足"))) << workspace->error()->toStdString();
        EXPECT_EQ(workspace->records().size(), 3u);
        EXPECT_EQ(workspace->filtered().size(), 3u);
        EXPECT_EQ(inMemory(idA).title, QStringLiteral("Note 0A"));
        EXPECT_FALSE(inMemory(idA).deletedAt);
        EXPECT_EQ(LibraryFixture::readBytes(root + QStringLiteral("/recordings/") + idA + QStringLiteral("/record.json")), noteBytes);
        EXPECT_EQ(LibraryFixture::readBytes(root + QStringLiteral("/projects.json")), projectBytes);
    }

    // The editor's save reports to its sheet, which keeps the draft.
    Recording edited = inMemory(idA);
    edited.title = QStringLiteral("新标题");
    FileUtil::failNext(FileUtil::WriteStep::Write, 1, ENOSPC, 1000);
    EXPECT_EQ(failureOf(edited), QStringLiteral("SystemError"));
    FileUtil::clearInjectedFaults();
    EXPECT_EQ(inMemory(idA).title, QStringLiteral("Note 0A"));
    EXPECT_EQ(LibraryFixture::readBytes(root + QStringLiteral("/recordings/") + idA + QStringLiteral("/record.json")), noteBytes);
}
