#include "WorkspaceFixture.h"

#include <QSemaphore>

using namespace LibraryFixture;

namespace {

template<typename Notes>
QStringList ids(const Notes &records)
{
    QStringList result;
    for (const Recording &r : records)
        result << r.id;
    return result;
}

class WorkspaceTest : public WorkspaceFixture {
protected:
    Recording put(const QString &createdAt, const std::function<void(Recording &)> &change = {})
    {
        Recording r = note(newID(), createdAt);
        if (change)
            change(r);
        putNote(root, r);
        return r;
    }
};

} // namespace

TEST_F(WorkspaceTest, StartsOnAnEmptyHomeLibrary)
{
    Workspace workspace(*library, prompts, JobServices{}, true);
    EXPECT_TRUE(workspace.loading());
    EXPECT_FALSE(workspace.isManaged());
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !workspace.loading(); }));
    EXPECT_TRUE(workspace.records().empty());
    EXPECT_TRUE(workspace.isManaged());
    EXPECT_FALSE(workspace.error());
    EXPECT_EQ(workspace.libraryLabel(), QStringLiteral("我的资料库"));
    EXPECT_EQ(workspace.scopeTitle(), QStringLiteral("全部笔记"));
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/recordings")).isDir());
}

TEST_F(WorkspaceTest, SelectsTheNewestLiveNoteAndReportsSkippedNotes)
{
    put(QStringLiteral("2026-03-03T00:00:00Z"), [](Recording &r) { r.deletedAt = QStringLiteral("2026-03-04T00:00:00Z"); });
    const Recording live = put(QStringLiteral("2026-03-02T00:00:00Z"));
    put(QStringLiteral("2026-03-01T00:00:00Z"));
    putRaw(root, newID(), "broken");
    putRaw(root, newID(), "broken");

    start();
    EXPECT_EQ(workspace->records().size(), 3u);
    EXPECT_EQ(workspace->filtered().size(), 2u);
    EXPECT_EQ(workspace->selectedID(), live.id);
    EXPECT_EQ(workspace->notice(), QStringLiteral("已跳过 2 条无法读取的记录。"));
    EXPECT_EQ(workspace->liveCount(), 2);
    EXPECT_EQ(workspace->trashCount(), 1);
}

TEST_F(WorkspaceTest, FiltersByScopeAndCaseFoldedQuery)
{
    const Recording foo = put("2026-03-05T00:00:00Z", [](Recording &r) {
        r.title = QStringLiteral("foo");
        r.summary = QStringLiteral("bar");
    });
    const Recording ab = put("2026-03-04T00:00:00Z", [](Recording &r) { r.summary = QStringLiteral("xxABxx"); });
    const Recording spoken = put("2026-03-03T00:00:00Z", [](Recording &r) {
        r.segments = {{"s1", 0, 1, QStringLiteral("Die Straße"), QStringLiteral("Zebedee")},
                      {"s2", 1, 2, QStringLiteral("ΣΟΦΙΑ"), QString()}};
    });
    const Recording trashedStar = put("2026-03-02T00:00:00Z", [](Recording &r) {
        r.starred = true;
        r.deletedAt = QStringLiteral("2026-03-06T00:00:00Z");
        r.title = QStringLiteral("foo in trash");
    });
    const Recording filed = put("2026-03-01T00:00:00Z", [](Recording &r) {
        r.starred = true;
        r.folderId = QStringLiteral("P");
    });
    writeBytes(root + QStringLiteral("/projects.json"), R"([{"id":"P","name":"客户"}])");
    start();

    auto query = [&](const QString &text) {
        workspace->setQuery(text);
        return ids(workspace->filtered());
    };
    EXPECT_EQ(query(QStringLiteral("  ab  ")), QStringList{ab.id});
    EXPECT_EQ(query(QStringLiteral("obar")), QStringList{foo.id});
    EXPECT_EQ(query(QStringLiteral("zebedee")), QStringList{});
    EXPECT_EQ(query(QStringLiteral("STRASSE")), QStringList{spoken.id});
    EXPECT_EQ(query(QStringLiteral("σοφια")), QStringList{spoken.id});
    EXPECT_EQ(query(QStringLiteral(" \n")).size(), 4);

    workspace->setScope(LibraryScope::trash());
    EXPECT_EQ(ids(workspace->filtered()).size(), 4); // assigning the scope alone does not refilter
    workspace->filter();
    EXPECT_EQ(ids(workspace->filtered()), QStringList{trashedStar.id});
    EXPECT_EQ(workspace->scopeTitle(), QStringLiteral("废纸篓"));
    EXPECT_EQ(query(QStringLiteral("FOO")), QStringList{trashedStar.id});

    workspace->setQuery(QString());
    workspace->setScope(LibraryScope::pinned());
    workspace->filter();
    EXPECT_EQ(ids(workspace->filtered()), QStringList{filed.id});
    EXPECT_EQ(workspace->pinnedCount(), 1);

    workspace->setScope(LibraryScope::project(QStringLiteral("P")));
    workspace->filter();
    EXPECT_EQ(ids(workspace->filtered()), QStringList{filed.id});
    EXPECT_EQ(workspace->scopeTitle(), QStringLiteral("客户"));
    EXPECT_EQ(workspace->projectCount(QStringLiteral("P")), 1);
    workspace->setScope(LibraryScope::project(QStringLiteral("p")));
    workspace->filter();
    EXPECT_TRUE(workspace->filtered().empty());
    EXPECT_EQ(workspace->scopeTitle(), QStringLiteral("项目"));
}

TEST_F(WorkspaceTest, OpensAForeignLibraryReadOnlyAndGoesBackHome)
{
    put("2026-03-01T00:00:00Z");
    start();
    workspace->setScope(LibraryScope::trash());
    workspace->setQuery(QStringLiteral("nothing"));

    const QString foreign = m_dir.path() + QStringLiteral("/Old Notes");
    const Recording live = note(QStringLiteral("old-1"), QStringLiteral("2025-01-01T00:00:00Z"));
    Recording trashed = note(QStringLiteral("old-2"), QStringLiteral("2025-01-02T00:00:00Z"));
    trashed.deletedAt = QStringLiteral("2025-02-01T00:00:00Z");
    putNote(foreign, live);
    putNote(foreign, trashed);

    prompts.folderAnswer = foreign + QStringLiteral("/recordings");
    workspace->chooseLibrary();
    ASSERT_EQ(prompts.folderRequests.size(), 1u);
    EXPECT_EQ(prompts.folderRequests[0].mid(0, 2),
              (QStringList{QStringLiteral("打开资料库（只读）"),
                           QStringLiteral("选择包含 recordings 的目录。旧资料保持只读，可复制到我的资料库后继续整理。")}));
    EXPECT_TRUE(prompts.folderRequests[0][2].endsWith(QStringLiteral("/Documents/Hushnote")));

    TestSupport::runTask(workspace->whenIdle());
    EXPECT_FALSE(workspace->isManaged());
    EXPECT_EQ(workspace->libraryLabel(), QStringLiteral("recordings"));
    EXPECT_EQ(workspace->scope(), LibraryScope::all());
    EXPECT_EQ(workspace->query(), QString());
    EXPECT_EQ(ids(workspace->records()), QStringList{live.id});
    EXPECT_EQ(workspace->selectedID(), live.id);
    EXPECT_FALSE(workspace->notice());

    // A failed open keeps the library that is shown.
    workspace->openLibrary(m_dir.path() + QStringLiteral("/missing"));
    TestSupport::runTask(workspace->whenIdle());
    ASSERT_TRUE(workspace->error());
    EXPECT_TRUE(workspace->error()->startsWith(QStringLiteral("资料库无法打开：")));
    EXPECT_EQ(ids(workspace->records()), QStringList{live.id});

    workspace->openLibrary(foreign);
    TestSupport::runTask(workspace->whenIdle());
    EXPECT_EQ(workspace->libraryLabel(), QStringLiteral("Old Notes"));

    workspace->loadHome();
    TestSupport::runTask(workspace->whenIdle());
    EXPECT_TRUE(workspace->isManaged());
    EXPECT_EQ(workspace->libraryLabel(), QStringLiteral("我的资料库"));
    EXPECT_EQ(workspace->records().size(), 1u);

    // Cancelling the chooser does nothing.
    prompts.folderAnswer.reset();
    workspace->chooseLibrary();
    EXPECT_FALSE(workspace->loading());
    EXPECT_TRUE(workspace->isManaged());
}

TEST_F(WorkspaceTest, IgnoresLibraryCommandsWhileALoadRuns)
{
    start();
    put("2026-03-01T00:00:00Z");
    // Hold the store's executor so the load stays in flight.
    QSemaphore gate;
    library->executor()->start([&gate] { gate.acquire(); });
    workspace->loadHome();
    EXPECT_TRUE(workspace->loading());
    EXPECT_FALSE(workspace->isIdle());

    prompts.folderAnswer = m_dir.path();
    workspace->chooseLibrary();
    workspace->openLibrary(m_dir.path());
    workspace->loadHome();
    EXPECT_TRUE(prompts.folderRequests.empty());

    gate.release();
    TestSupport::runTask(workspace->whenIdle());
    EXPECT_TRUE(workspace->isManaged());
    EXPECT_FALSE(workspace->error());
    EXPECT_EQ(workspace->records().size(), 1u);
}

TEST_F(WorkspaceTest, AFailedHomeLoadLeavesTheWorkspaceEmptyAndRetryable)
{
    QDir().mkpath(m_dir.path() + QStringLiteral("/elsewhere"));
    QDir().mkpath(root);
    link(m_dir.path() + QStringLiteral("/elsewhere"), root + QStringLiteral("/recordings"));
    start();
    EXPECT_EQ(workspace->error(), QStringLiteral("资料库无法打开：资料库包含不安全的链接。"));
    EXPECT_FALSE(workspace->isManaged());
    EXPECT_TRUE(workspace->records().empty());

    QFile::remove(root + QStringLiteral("/recordings"));
    put("2026-03-01T00:00:00Z");
    workspace->loadHome();
    TestSupport::runTask(workspace->whenIdle());
    EXPECT_TRUE(workspace->isManaged());
    EXPECT_EQ(workspace->records().size(), 1u);
}

TEST_F(WorkspaceTest, MayGoAwayWhileAReadIsInFlight)
{
    put("2026-03-01T00:00:00Z");
    auto loading = std::make_unique<Workspace>(*library, prompts, JobServices{}, true);
    loading->setQuery(QStringLiteral("x")); // folds on the spot while the background fold runs
    loading.reset();
    EXPECT_EQ(TestSupport::runTask(library->loadHome()).recordings.size(), 1u);
}
