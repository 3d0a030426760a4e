// Two programs on one home library: a Workspace in this process (standing in for the window) and
// hushnote-cli as a child process, each changing the same note while the other holds it.

#include "library/RecordMerge.h"
#include "processing/JobFixture.h"
#include "support/FakeOllamaServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using LibraryFixture::newID;
using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

const QString conflict = QStringLiteral("另一个程序同时改动了同一处内容，这次修改没有保存；已载入最新版本。");

class SharedLibraryTest : public ::testing::Test {
protected:
    QString root() const { return m_home.filePath(QStringLiteral("data/Hushnote/Library")); }

    void start(QProcess &process, const QStringList &arguments, const QByteArray &input = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(HUSHNOTE_BIN_DIR "/hushnote-cli"), arguments);
        ASSERT_TRUE(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
    }

    // Runs hushnote-cli to its successful end; its output.
    QString cli(const QStringList &arguments) const
    {
        QProcess process;
        start(process, arguments);
        EXPECT_TRUE(process.waitForFinished(180000)) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, 0)
            << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // hushnote-cli summarizes the note with the fake Ollama, which holds the answer ("## 纪要")
    // until released; returns once the question was asked.
    void startHeldSummary(QProcess &summarize, const Recording &note)
    {
        ollama.setInstalledModels({QStringLiteral("llama3")});
        ollama.setShow();
        useOllama();
        ollama.enqueueAnswer("chat", TestSupport::CannedResponse::heldUntilReleased(TestSupport::CannedResponse::json(
                                         TestSupport::FakeOllamaServer::chatReply(QStringLiteral("## 纪要")))));
        start(summarize, {QStringLiteral("summarize"), note.id});
        ASSERT_TRUE(waitUntil([&] { return ollama.requestCount("/api/chat") == 1; }, 180000));
    }

    void useOllama() const
    {
        QProcess shown;
        start(shown, {QStringLiteral("config"), QStringLiteral("show")});
        ASSERT_TRUE(shown.waitForFinished(180000));
        QJsonObject document = QJsonDocument::fromJson(shown.readAllStandardOutput()).object();
        QJsonObject models = document.value(QStringLiteral("models")).toObject();
        models.insert(QStringLiteral("summaryService"), QStringLiteral("ollama"));
        models.insert(QStringLiteral("ollamaURL"), ollama.baseURL());
        models.insert(QStringLiteral("ollamaModel"), QStringLiteral("llama3"));
        document.insert(QStringLiteral("models"), models);
        QProcess applied;
        start(applied, {QStringLiteral("config"), QStringLiteral("apply"), QStringLiteral("-")},
              QJsonDocument(document).toJson());
        ASSERT_TRUE(applied.waitForFinished(180000));
        ASSERT_EQ(applied.exitCode(), 0) << applied.readAllStandardError().toStdString();
    }

    // A transcribed note on disk, ready for a summary.
    Recording transcribedNote() const
    {
        Recording note = LibraryFixture::note(newID());
        note.duration = 30;
        note.completedChunks = 1;
        note.segments = {Segment{newID(), 0, 30, QStringLiteral("we ship friday"), {}}};
        LibraryFixture::putNote(root(), note);
        return note;
    }

    static Recording inMemory(const Workspace &workspace, const QString &id)
    {
        for (const Recording &r : workspace.records())
            if (r.id == id)
                return r;
        return {};
    }

    QTemporaryDir m_home;
    TestSupport::FakeOllamaServer ollama;
};

} // namespace

TEST_F(SharedLibraryTest, AJobHereKeepsWhatTheCommandLineChangedMeanwhileAndTheWindowFollows)
{
    JobTest::Fixture here(root());
    const Recording note = here.importNote(AudioFixtures::tone(QStringLiteral("wav"), 30, 16000, 1));
    // While the chunk is being transcribed here, another program stars and renames the note.
    here.onChunk = [&](int) {
        cli({QStringLiteral("star"), note.id});
        cli({QStringLiteral("edit"), note.id, QStringLiteral("--title"), QStringLiteral("Renamed")});
    };
    here.runJob(false);
    EXPECT_EQ(here.workspace->error(), std::nullopt);

    const Recording stored = here.onDisk(note.id);
    EXPECT_EQ(stored.title, QStringLiteral("Renamed"));
    EXPECT_EQ(stored.starred, true);
    EXPECT_EQ(stored.status, QStringLiteral("transcribed"));
    EXPECT_EQ(stored.completedChunks, 1);
    ASSERT_EQ(stored.segments.size(), 1u);
    EXPECT_EQ(inMemory(*here.workspace, note.id), stored);

    // What another program does appears here without a reload: a note it adds, a change of a note
    // that is not the open one, and the open note trashed (the selection moves on).
    const QString added = cli({QStringLiteral("import"), AudioFixtures::tone(QStringLiteral("wav"), 2, 16000, 1)});
    EXPECT_TRUE(waitUntil([&] { return here.workspace->records().size() == 2; }));
    cli({QStringLiteral("star"), added});
    EXPECT_TRUE(waitUntil([&] { return here.workspace->pinnedCount() == 2; }));
    cli({QStringLiteral("trash"), note.id});
    EXPECT_TRUE(waitUntil([&] { return here.workspace->trashCount() == 1; }));
    EXPECT_EQ(here.workspace->selectedID(), added);
}

TEST_F(SharedLibraryTest, ACommandLineJobKeepsWhatTheWindowChangedMeanwhile)
{
    const Recording note = transcribedNote();
    JobTest::Fixture here(root());
    Workspace &window = *here.workspace;
    QProcess summarize;
    startHeldSummary(summarize, note);

    window.organize(note.id, OrganizeChange::toggleStar());
    ASSERT_TRUE(waitUntil([&] { return !window.loading(); }));
    Recording edited = inMemory(window, note.id);
    edited.title = QStringLiteral("Weekly");
    runTask(window.saveEdits(edited));

    ollama.releaseHeld();
    ASSERT_TRUE(summarize.waitForFinished(180000));
    EXPECT_EQ(summarize.exitCode(), 0) << summarize.readAllStandardError().toStdString();
    const Recording stored = here.onDisk(note.id);
    EXPECT_EQ(stored.summary, QStringLiteral("## 纪要"));
    EXPECT_EQ(stored.status, QStringLiteral("done"));
    EXPECT_EQ(stored.title, QStringLiteral("Weekly"));
    EXPECT_EQ(stored.starred, true);
    // The window shows the summary the other program wrote.
    EXPECT_TRUE(waitUntil([&] { return inMemory(window, note.id) == stored; }));
}

TEST_F(SharedLibraryTest, BothChangingTheSamePartIsRefusedAndKeepsWhatIsOnDisk)
{
    const Recording note = transcribedNote();
    JobTest::Fixture here(root());
    Workspace &window = *here.workspace;
    // The command line's summary arrives after the person here wrote minutes by hand.
    QProcess summarize;
    startHeldSummary(summarize, note);
    Recording edited = inMemory(window, note.id);
    edited.summary = QStringLiteral("hand minutes");
    runTask(window.saveEdits(edited));
    ollama.releaseHeld();
    ASSERT_TRUE(summarize.waitForFinished(180000));
    EXPECT_EQ(summarize.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(summarize.readAllStandardError()).contains(conflict));
    Recording stored = here.onDisk(note.id);
    EXPECT_EQ(stored.summary, QStringLiteral("hand minutes"));
    EXPECT_EQ(stored.status, QStringLiteral("paused"));

    // An edit here that started before the command line's rename is refused, and the window
    // shows the rename.
    const Recording original = inMemory(window, note.id);
    cli({QStringLiteral("edit"), note.id, QStringLiteral("--title"), QStringLiteral("From the command line")});
    edited = original;
    edited.title = QStringLiteral("From the window");
    EXPECT_THROW(runTask(window.saveEdits(edited, original)), SaveConflict);
    EXPECT_TRUE(waitUntil([&] { return inMemory(window, note.id).title == QStringLiteral("From the command line"); }));
    EXPECT_EQ(here.onDisk(note.id).title, QStringLiteral("From the command line"));
}
