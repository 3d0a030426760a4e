// The main window's C++ side on a real home library: the note list model's row-level updates,
// the scope switch's selection rule, the record menu's variants, the quit decision and the import
// queue.
#include "../processing/JobFixture.h"
#include "../workspace/WorkspaceFixture.h"

#include "models/LocalDate.h"
#include "models/NoteListModel.h"
#include "models/ProjectListModel.h"
#include "shell/ImportQueue.h"
#include "shell/LibraryShell.h"
#include "shell/ProjectRenameForm.h"
#include "shell/QuitGuard.h"
#include "support/AudioFixtures.h"

#include <QAbstractItemModelTester>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtConcurrent/QtConcurrentRun>
#include <QUrl>

using TestSupport::waitUntil;

namespace {

const QString project = QStringLiteral("P-1");
const QString emptyProject = QStringLiteral("P-2");

Recording note(const QString &title, const QString &createdAt, bool starred = false, bool trashed = false,
               std::optional<QString> folder = std::nullopt)
{
    Recording r = LibraryFixture::note(LibraryFixture::newID(), createdAt);
    r.title = title;
    r.duration = 75;
    r.starred = starred;
    if (trashed)
        r.deletedAt = QStringLiteral("2026-03-05T08:00:00Z");
    r.folderId = folder;
    return r;
}

QStringList titles(const QAbstractItemModel &model)
{
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row)
        out << model.index(row, 0).data(NoteListModel::TitleRole).toString();
    return out;
}

// A record menu as lines: "—" for a separator, " (off)" after what is disabled, " > " before
// each item of a submenu.
QStringList texts(const QVariantList &menu)
{
    QStringList out;
    for (const QVariant &entry : menu) {
        const QVariantMap map = entry.toMap();
        QString text = map.value(QStringLiteral("type")).toString() == QLatin1String("separator")
            ? QStringLiteral("—")
            : map.value(QStringLiteral("text")).toString();
        if (!map.value(QStringLiteral("enabled")).toBool())
            text += QStringLiteral(" (off)");
        for (const QVariant &child : map.value(QStringLiteral("items")).toList())
            text += QStringLiteral(" > ") + child.toMap().value(QStringLiteral("text")).toString();
        out << text;
    }
    return out;
}

// Four live notes (apple, banana, cherry in the project, pinned date) and one in the trash.
class ShellTest : public WorkspaceFixture {
protected:
    QString apple, banana, cherry, pinned, trashed;
    LibraryShell shell;

    static QString put(const QString &root, const Recording &recording)
    {
        LibraryFixture::putNote(root, recording);
        return recording.id;
    }

    void SetUp() override
    {
        apple = put(root, note(QStringLiteral("apple pie"), QStringLiteral("2026-03-04T08:00:00Z")));
        banana = put(root, note(QStringLiteral("banana bread"), QStringLiteral("2026-03-03T08:00:00Z")));
        cherry = put(root, note(QStringLiteral("cherry tart"), QStringLiteral("2026-03-02T08:00:00Z"), false, false, project));
        pinned = put(root, note(QStringLiteral("date loaf"), QStringLiteral("2026-03-01T08:00:00Z"), true));
        trashed = put(root, note(QStringLiteral("old apple"), QStringLiteral("2026-02-01T08:00:00Z"), false, true));
        LibraryFixture::writeBytes(root + QStringLiteral("/projects.json"),
                                   RecordCodec::encodeProjects({{project, QStringLiteral("work")},
                                                                {emptyProject, QStringLiteral("idle")}}));
        start();
        shell.setWorkspace(workspace.get());
    }
};

TEST_F(ShellTest, TypingInTheSearchFieldChangesRowsWithoutResettingTheList)
{
    NoteListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setWorkspace(workspace.get());
    ASSERT_EQ(titles(model), QStringList({"apple pie", "banana bread", "cherry tart", "date loaf"}));
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    const struct {
        QString query;
        QStringList shown;
    } keystrokes[] = {
        {QStringLiteral("a"), {"apple pie", "banana bread", "cherry tart", "date loaf"}},
        {QStringLiteral("ap"), {"apple pie"}},
        {QStringLiteral("a"), {"apple pie", "banana bread", "cherry tart", "date loaf"}},
        {QStringLiteral("br"), {"banana bread"}},
        {QString(), {"apple pie", "banana bread", "cherry tart", "date loaf"}},
    };
    for (const auto &keystroke : keystrokes) {
        shell.setQuery(keystroke.query);
        EXPECT_EQ(titles(model), keystroke.shown) << keystroke.query.toStdString();
    }
    EXPECT_EQ(resets.count(), 0);
    EXPECT_GT(removed.count(), 0);
    EXPECT_GT(inserted.count(), 0);

    // The selected row follows the selection; only the old and the new row change.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    shell.select(banana);
    EXPECT_EQ(model.selectedRow(), 1);
    EXPECT_TRUE(model.index(1, 0).data(NoteListModel::SelectedRole).toBool());
    EXPECT_FALSE(model.index(0, 0).data(NoteListModel::SelectedRole).toBool());
    EXPECT_EQ(changed.count(), 2);

    // Another library has no note in common: the list shows only its notes.
    const QString other = m_dir.path() + QStringLiteral("/Other");
    put(other, note(QStringLiteral("elsewhere"), QStringLiteral("2026-01-01T08:00:00Z")));
    workspace->openLibrary(other);
    settle();
    EXPECT_EQ(titles(model), QStringList({"elsewhere"}));
}

TEST_F(ShellTest, DateLineShowsTheDayWithDotsAndTheLength)
{
    const struct {
        QString createdAt;
        double duration;
        QString line;
    } cases[] = {
        {QStringLiteral("2025-03-14T09:30:00Z"), 65, QStringLiteral("2025.03.14 · 01:05")},
        {QStringLiteral("2025-3-1"), 3725, QStringLiteral("2025.3.1 · 1:02:05")},
        {QString(), 0, QStringLiteral(" · 00:00")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NoteListModel::dateLine(c.createdAt, c.duration), c.line);

    // The day is the one where the person is: 07:30 in Beijing is stored as the evening before.
    const QTimeZone beijing(QByteArrayLiteral("Asia/Shanghai"));
    ASSERT_TRUE(beijing.isValid());
    EXPECT_EQ(LocalDate::dayLabel(QStringLiteral("2025-03-13T23:30:00Z"), beijing), QStringLiteral("2025.03.14"));
    EXPECT_EQ(LocalDate::dayLabel(QStringLiteral("2025-03-13T23:30:00.250Z"), beijing), QStringLiteral("2025.03.14"));
    EXPECT_EQ(LocalDate::dayLabel(QStringLiteral("2025-03-14T03:00:00Z"), QTimeZone(QByteArrayLiteral("America/New_York"))),
              QStringLiteral("2025.03.13"));
}

TEST_F(ShellTest, ChangingScopeKeepsAListedSelectionElseTakesTheFirstOrNone)
{
    ProjectListModel projects;
    projects.setWorkspace(workspace.get());
    ASSERT_EQ(projects.rowCount(), 2);
    EXPECT_EQ(projects.index(0, 0).data(ProjectListModel::CountRole).toInt(), 1);

    const struct {
        QString kind, projectID, selectBefore;
        std::optional<QString> selectedAfter;
        QString title;
    } steps[] = {
        {QStringLiteral("trash"), {}, apple, trashed, QStringLiteral("废纸篓")},
        {QStringLiteral("project"), project, {}, cherry, QStringLiteral("work")},
        {QStringLiteral("all"), {}, {}, cherry, QStringLiteral("全部笔记")},
        {QStringLiteral("pinned"), {}, {}, pinned, QStringLiteral("置顶")},
        {QStringLiteral("project"), emptyProject, {}, std::nullopt, QStringLiteral("idle")},
    };
    for (const auto &step : steps) {
        if (!step.selectBefore.isEmpty())
            shell.select(step.selectBefore);
        shell.chooseScope(step.kind, step.projectID);
        EXPECT_EQ(workspace->selectedID(), step.selectedAfter) << step.kind.toStdString();
        EXPECT_EQ(shell.scopeKind(), step.kind);
        EXPECT_EQ(shell.scopeTitle(), step.title);
    }
    EXPECT_EQ(shell.emptyListText(), QStringLiteral("暂无笔记"));
    shell.chooseScope(QStringLiteral("trash"));
    EXPECT_EQ(shell.emptyListText(), QStringLiteral("废纸篓是空的"));
}

TEST_F(ShellTest, RecordMenuOffersWhatTheNoteAndLibraryAllow)
{
    EXPECT_EQ(texts(shell.recordMenu(apple)),
              QStringList({"置顶", "移到项目 > work > idle > 未分类", "—", "移到废纸篓"}));
    EXPECT_EQ(texts(shell.recordMenu(pinned)).first(), QStringLiteral("取消置顶"));
    EXPECT_EQ(texts(shell.recordMenu(trashed)), QStringList({"恢复笔记"}));

    // Each action reaches the note.
    shell.organize(apple, QStringLiteral("move"), project);
    settle();
    EXPECT_EQ(inMemory(apple).folderId, project);
    shell.organize(apple, QStringLiteral("move"));
    settle();
    shell.organize(trashed, QStringLiteral("restore"));
    settle();
    EXPECT_EQ(inMemory(apple).folderId, std::nullopt);
    EXPECT_TRUE(inMemory(trashed).isLive());

    // A foreign library only says so.
    workspace->openLibrary(root);
    settle();
    EXPECT_EQ(texts(shell.recordMenu(apple)), QStringList({"只读资料 (off)"}));
    EXPECT_FALSE(shell.canChange());
}

TEST(QuitGuardTest, QuitDuringAJobStopsItKeepingWhatIsSavedAndASecondQuitChangesNothing)
{
    JobTest::Fixture fixture;
    fixture.importNote(AudioFixtures::tone(QStringLiteral("wav"), 70, 8000, 1));
    // The first chunk is saved; the second runs until it is told to stop.
    fixture.transcribe = [](QByteArray, QString, std::stop_token stop) -> QCoro::Task<QString> {
        static int calls = 0;
        if (++calls == 1)
            co_return QStringLiteral("第一段");
        while (!stop.stop_requested())
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        co_return QStringLiteral("太晚了");
    };
    QuitGuard guard;
    guard.setProperty("workspace", QVariant::fromValue(fixture.workspace.get()));
    EXPECT_TRUE(guard.requestQuit()) << "idle: quit at once";

    QSignalSpy confirmed(&guard, &QuitGuard::quitConfirmed);
    fixture.workspace->startJob(false, SummaryPreferences());
    ASSERT_TRUE(waitUntil([&] { return fixture.workspace->progress() > 0; }));
    EXPECT_FALSE(guard.requestQuit());
    EXPECT_TRUE(guard.terminating());
    EXPECT_FALSE(guard.requestQuit());
    ASSERT_TRUE(waitUntil([&] { return confirmed.count() > 0; }));
    EXPECT_EQ(confirmed.count(), 1);
    EXPECT_FALSE(fixture.workspace->jobID().has_value());
    const Recording kept = fixture.onDisk(fixture.workspace->selectedID().value());
    ASSERT_EQ(kept.segments.size(), 1u);
    EXPECT_EQ(kept.segments[0].text, QStringLiteral("第一段"));
}

// A library read under way when the person quits is stopped like a job: its result is dropped,
// nothing is reported, and the quit goes ahead.
TEST_F(ShellTest, QuitDuringALibraryReadStopsTheRead)
{
    put(root, note(QStringLiteral("written elsewhere"), QStringLiteral("2026-03-06T08:00:00Z")));
    // The home read waits on the store's one executor behind this gate, so the stop comes first.
    QSemaphore gate;
    QtConcurrent::run(library->executor(), [&gate] { gate.acquire(); });
    workspace->loadHome();
    ASSERT_TRUE(workspace->loading());
    QuitGuard guard;
    guard.setProperty("workspace", QVariant::fromValue(workspace.get()));
    QSignalSpy confirmed(&guard, &QuitGuard::quitConfirmed);
    EXPECT_FALSE(guard.requestQuit());
    gate.release();
    ASSERT_TRUE(waitUntil([&] { return confirmed.count() == 1; }));
    EXPECT_FALSE(workspace->loading());
    EXPECT_EQ(workspace->records().size(), 5u) << "the stopped read's notes were not shown";
    EXPECT_FALSE(workspace->error());
}

TEST_F(ShellTest, DroppedFilesAreImportedInTurnAndAFailureWaitsToBeSeen)
{
    ImportQueue queue;
    queue.setWorkspace(workspace.get());
    const QString good = AudioFixtures::tone(QStringLiteral("wav"), 1, 8000, 1);
    const QList<QUrl> urls = {QUrl::fromLocalFile(AudioFixtures::textAsMp3()), QUrl(QStringLiteral("https://example.com/a.mp3")),
                              QUrl::fromLocalFile(good)};
    EXPECT_TRUE(queue.addUrls(urls));
    EXPECT_EQ(queue.pending(), 1) << "only local files are queued; the first starts at once";

    ASSERT_TRUE(waitUntil([&] { return workspace->error().has_value(); }));
    EXPECT_TRUE(workspace->error()->startsWith(QStringLiteral("导入失败：")));
    // The next file waits while the failure is on screen. A star given now goes through the same
    // store and event loop; an import the queue had started would have come first and refused it.
    ASSERT_TRUE(waitUntil([&] { return !workspace->loading(); }));
    workspace->organize(apple, OrganizeChange::toggleStar());
    settle();
    EXPECT_TRUE(inMemory(apple).starred.value_or(false));
    EXPECT_EQ(queue.pending(), 1);
    EXPECT_EQ(workspace->records().size(), 5u);
    EXPECT_TRUE(workspace->isIdle());

    workspace->setError(std::nullopt);
    // Until the queue has seen its last import end: it must not be left waiting on the workspace.
    ASSERT_TRUE(waitUntil([&] { return !queue.draining() && workspace->isIdle(); }));
    EXPECT_EQ(queue.pending(), 0);
    EXPECT_EQ(workspace->records().size(), 6u);
    EXPECT_FALSE(workspace->error().has_value());
}

TEST_F(ShellTest, RenameSheetOpensWithoutTheErrorOfAnEarlierOpening)
{
    ProjectRenameForm form;
    form.setProperty("workspace", QVariant::fromValue(workspace.get()));
    form.begin(project, QStringLiteral("work"));
    form.setName(QStringLiteral("IDLE"));
    form.save();
    ASSERT_TRUE(waitUntil([&] { return !form.saving(); }));
    EXPECT_EQ(form.error(), QStringLiteral("已经有同名项目。"));

    form.begin(emptyProject, QStringLiteral("idle"));
    EXPECT_TRUE(form.error().isEmpty());
    EXPECT_EQ(form.name(), QStringLiteral("idle"));
    form.setName(QStringLiteral("later"));
    form.save();
    ASSERT_TRUE(waitUntil([&] { return !form.saving(); }));
    EXPECT_TRUE(form.error().isEmpty());
    EXPECT_EQ(workspace->projects()[1].name, QStringLiteral("later"));
    EXPECT_EQ(workspace->projects()[0].name, QStringLiteral("work"));
}

// While a job runs the library stays open for organizing; what must wait says why.
TEST(ShellDuringAJobTest, OnlyTheJobsNoteWaitsAndSaysWhy)
{
    JobTest::Fixture fixture;
    const Recording other = fixture.importNote(AudioFixtures::tone(QStringLiteral("wav"), 2, 8000, 1));
    const Recording busy = fixture.importNote(AudioFixtures::tone(QStringLiteral("wav"), 70, 8000, 1));
    bool held = true;
    fixture.transcribe = [&](QByteArray, QString, std::stop_token) -> QCoro::Task<QString> {
        while (held)
            co_await QCoro::sleepFor(std::chrono::milliseconds(5));
        co_return QStringLiteral("段");
    };
    LibraryShell shell;
    shell.setWorkspace(fixture.workspace.get());
    EXPECT_TRUE(shell.canEdit());
    fixture.workspace->startJob(false, SummaryPreferences());
    ASSERT_TRUE(waitUntil([&] { return shell.jobRunning() && !shell.loading(); }));

    EXPECT_TRUE(shell.canChange());
    EXPECT_FALSE(shell.canSwitchLibrary());
    EXPECT_FALSE(shell.canEdit());
    EXPECT_EQ(shell.editWaitReason(), QStringLiteral("整理结束后才能修改这条笔记。"));
    EXPECT_EQ(texts(shell.recordMenu(busy.id)),
              QStringList({"置顶", "移到项目 > 未分类", "—", "整理结束后才能移到废纸篓 (off)"}));
    EXPECT_EQ(texts(shell.recordMenu(other.id)).last(), QStringLiteral("移到废纸篓"));
    shell.select(other.id);
    EXPECT_TRUE(shell.canEdit());
    EXPECT_TRUE(shell.editWaitReason().isEmpty());

    held = false;
    fixture.waitForJobEnd();
    EXPECT_TRUE(shell.canSwitchLibrary());
}

} // namespace
