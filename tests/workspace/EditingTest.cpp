#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "support/TaskRunner.h"
#include "workspace/UserPrompts.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

class NoPrompts final : public UserPrompts {
public:
    std::optional<QString> chooseFolder(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseAudioFile(const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseSaveLocation(const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QCoro::Task<bool> confirmCloudUpload(QString, QString, QString, QString) override { co_return false; }
};

const QString idA = QStringLiteral("0A0A0A0A-0000-4000-8000-00000000000A");
const QString idB = QStringLiteral("0B0B0B0B-0000-4000-8000-00000000000B");
const QString idC = QStringLiteral("0C0C0C0C-0000-4000-8000-00000000000C");

Recording note(const QString &id, const QString &createdAt, const QString &summary)
{
    Recording r;
    r.id = id;
    r.title = QStringLiteral("Note ") + id.left(2);
    r.duration = 30;
    r.createdAt = createdAt;
    r.segments = {Segment{QStringLiteral("s1"), 0, 10, QStringLiteral("hello"), QStringLiteral("Ann")},
                  Segment{QStringLiteral("s2"), 10, 20, QStringLiteral("world"), QStringLiteral("Bob")}};
    r.summary = summary;
    r.summaryStale = false;
    r.status = QStringLiteral("done");
    return r;
}

// A home library with three notes (newest A, then B, then C, C without a summary and without a
// star key) and one project, read through the real store.
class EditingTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::unique_ptr<NativeLibrary> library;
    NoPrompts prompts;
    std::unique_ptr<Workspace> workspace;

    void SetUp() override
    {
        writeNote(note(idA, QStringLiteral("2026-03-03T08:00:00Z"), QStringLiteral("## A summary")));
        writeNote(note(idB, QStringLiteral("2026-03-02T08:00:00Z"), QStringLiteral("B summary")));
        writeNote(note(idC, QStringLiteral("2026-03-01T08:00:00Z"), QString()));
        const std::vector<Project> projects{{QStringLiteral("P-1"), QStringLiteral("work")}};
        FileUtil::writeAtomically(folder.path() + QStringLiteral("/projects.json"),
                                  RecordCodec::encodeProjects(projects));
        library = std::make_unique<NativeLibrary>(folder.path());
        workspace = std::make_unique<Workspace>(*library, prompts, JobServices{}, false);
        workspace->loadHome();
        ASSERT_TRUE(waitUntil([&] { return workspace->isManaged() && !workspace->loading(); }));
        ASSERT_EQ(workspace->records().size(), 3u);
    }

    void writeNote(Recording recording)
    {
        if (recording.id == idC)
            recording.starred.reset();
        const QString dir = folder.path() + QStringLiteral("/recordings/") + recording.id;
        QDir().mkpath(dir);
        FileUtil::writeAtomically(dir + QStringLiteral("/record.json"), RecordCodec::encodeRecording(recording));
    }

    Recording onDisk(const QString &id)
    {
        return RecordCodec::decodeRecording(
            FileUtil::readFile(folder.path() + QStringLiteral("/recordings/") + id + QStringLiteral("/record.json"),
                               1 << 20));
    }

    Recording inMemory(const QString &id)
    {
        for (const Recording &r : workspace->records())
            if (r.id == id)
                return r;
        ADD_FAILURE() << "no note " << id.toStdString();
        return {};
    }

    void settle() { ASSERT_TRUE(waitUntil([&] { return !workspace->loading(); })); }

    QString failureOf(Recording edited)
    {
        try {
            runTask(workspace->saveEdits(std::move(edited)));
        } catch (const AppFailure &failure) {
            return failure.message();
        } catch (...) {
            return QStringLiteral("other: ") + describeCurrentError();
        }
        return {};
    }
};

TEST_F(EditingTest, SavedEditsMarkTheSummaryStaleOnlyWhenTheTranscriptChanged)
{
    workspace->setSelectedID(idB);

    Recording speakerRenamed = inMemory(idA);
    speakerRenamed.segments[1].speaker = QStringLiteral("Robert");
    runTask(workspace->saveEdits(speakerRenamed));
    EXPECT_EQ(inMemory(idA).summaryStale, true);
    EXPECT_EQ(onDisk(idA).summaryStale, true);
    EXPECT_EQ(onDisk(idA).segments[1].speaker, QStringLiteral("Robert"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("修改已保存。"));
    EXPECT_EQ(workspace->selectedID(), idB) << "saving does not move the selection";
    EXPECT_FALSE(workspace->loading());

    // Only the title: the mark stays as it was; the title keeps its surrounding spaces.
    Recording retitled = inMemory(idA);
    retitled.title = QStringLiteral("  Board meeting ");
    runTask(workspace->saveEdits(retitled));
    EXPECT_EQ(onDisk(idA).summaryStale, true);
    EXPECT_EQ(onDisk(idA).title, QStringLiteral("  Board meeting "));

    // A rewritten summary is current again.
    Recording resummarized = inMemory(idA);
    resummarized.summary = QStringLiteral("## A summary, revised");
    runTask(workspace->saveEdits(resummarized));
    EXPECT_EQ(onDisk(idA).summaryStale, false);

    // Transcript and summary both changed: the transcript rule wins.
    Recording both = inMemory(idA);
    both.segments.pop_back();
    both.summary = QStringLiteral("shorter");
    runTask(workspace->saveEdits(both));
    EXPECT_EQ(onDisk(idA).summaryStale, true);

    // Without a summary there is nothing to go stale.
    Recording unsummarized = inMemory(idC);
    unsummarized.segments[0].text = QStringLiteral("changed");
    std::swap(unsummarized.segments[0], unsummarized.segments[1]);
    runTask(workspace->saveEdits(unsummarized));
    EXPECT_EQ(onDisk(idC).summaryStale, false);
    EXPECT_EQ(onDisk(idC).segments[0].text, QStringLiteral("world"));
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
    ASSERT_TRUE(QDir(folder.path() + QStringLiteral("/recordings/") + idA).removeRecursively());
    Recording lost = inMemory(idA);
    lost.title = QStringLiteral("Lost");
    EXPECT_EQ(failureOf(lost), QStringLiteral("录音目录不存在，未保存修改。"));
    EXPECT_EQ(inMemory(idA).title, QStringLiteral("Note 0A"));
    EXPECT_FALSE(workspace->loading());
    EXPECT_FALSE(workspace->notice());

    // A foreign library is read-only.
    const Recording fromHome = inMemory(idC);
    QTemporaryDir foreign;
    const QString foreignNote = foreign.path() + QStringLiteral("/recordings/") + idC;
    QDir().mkpath(foreignNote);
    FileUtil::writeAtomically(foreignNote + QStringLiteral("/record.json"), RecordCodec::encodeRecording(fromHome));
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
    EXPECT_EQ(RecordCodec::decodeProjects(FileUtil::readFile(folder.path() + QStringLiteral("/projects.json"), 4096)),
              workspace->projects());
    EXPECT_FALSE(workspace->notice()) << "creating a project is silent";

    // The same name written with a combining accent and other letter case is the same name.
    workspace->createProject(QStringLiteral("CAFE\u0301"));
    EXPECT_EQ(workspace->error(), QStringLiteral("已经有同名项目。"));

    // Renaming to another case of its own name is fine; to another project's name is not.
    runTask(workspace->renameProject(QStringLiteral("P-1"), QStringLiteral(" Work ")));
    EXPECT_EQ(workspace->projects()[0].name, QStringLiteral("Work"));
    EXPECT_EQ(workspace->notice(), QStringLiteral("项目名称已更新。"));
    auto renameFailure = [&](QString id, QString name) {
        try {
            runTask(workspace->renameProject(std::move(id), std::move(name)));
        } catch (const AppFailure &failure) {
            return failure.message();
        }
        return QString();
    };
    EXPECT_EQ(renameFailure(cafe.id, QStringLiteral("WORK")), QStringLiteral("已经有同名项目。"));
    EXPECT_EQ(renameFailure(cafe.id, QStringLiteral("   ")), QStringLiteral("项目名称不能为空。"));
    EXPECT_EQ(renameFailure(QStringLiteral("nope"), QStringLiteral("X")), QStringLiteral("当前项目无法修改。"));
    EXPECT_EQ(workspace->projects()[1].name, QStringLiteral("Café"));

    // A failed write keeps the list as it is on disk and shows the bare reason.
    const QString projectsFile = folder.path() + QStringLiteral("/projects.json");
    QFile::remove(projectsFile);
    ASSERT_TRUE(QFile::link(folder.path() + QStringLiteral("/elsewhere.json"), projectsFile));
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
    EXPECT_EQ(onDisk(idC).starred, true);
    EXPECT_EQ(workspace->pinnedCount(), 1);
    workspace->organize(idC, OrganizeChange::toggleStar());
    settle();
    EXPECT_EQ(onDisk(idC).starred, false);

    workspace->organize(idB, OrganizeChange::moveToProject(QStringLiteral("P-1")));
    settle();
    EXPECT_EQ(onDisk(idB).folderId, QStringLiteral("P-1"));
    EXPECT_EQ(workspace->projectCount(QStringLiteral("P-1")), 1);

    // While one change is being written, another is ignored.
    workspace->organize(idB, OrganizeChange::takeOutOfProject());
    workspace->organize(idA, OrganizeChange::trash());
    settle();
    EXPECT_FALSE(onDisk(idB).folderId);
    EXPECT_FALSE(onDisk(idA).deletedAt);

    // Trashing the selected note hands the selection to the first note still listed.
    ASSERT_EQ(workspace->selectedID(), idA);
    workspace->organize(idA, OrganizeChange::trash());
    settle();
    ASSERT_TRUE(onDisk(idA).deletedAt);
    EXPECT_EQ(onDisk(idA).deletedAt->size(), 20) << onDisk(idA).deletedAt->toStdString();
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
    EXPECT_FALSE(onDisk(idB).deletedAt);
    EXPECT_EQ(workspace->selectedID(), idB);

    // A failed write shows the bare reason and leaves the note as it is on disk.
    ASSERT_TRUE(QDir(folder.path() + QStringLiteral("/recordings/") + idB).removeRecursively());
    workspace->organize(idB, OrganizeChange::toggleStar());
    settle();
    ASSERT_TRUE(workspace->error());
    EXPECT_FALSE(workspace->error()->isEmpty());
    EXPECT_FALSE(inMemory(idB).starred.value_or(false));
}

} // namespace
