#include "processing/JobFixture.h"

#include "platform/Localization.h"

#include <QCoroTimer>
#include <QProcess>

using JobTest::Fixture;

TEST(JobTranscription, SavesEveryChunkAndShowsProgressInOrder)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 61, 16000, 1));
    ASSERT_NEAR(note.duration, 61, 0.01);
    std::vector<Recording> seenOnDisk;
    f.onChunk = [&](int) { seenOnDisk.push_back(f.onDisk(note.id)); };
    QStringList log;
    JobTest::observe(*f.workspace, log);

    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_EQ(f.workspace->jobID(), note.id);
    f.waitForJobEnd();

    EXPECT_EQ(log, QStringList({"job on", "text 准备转写…", "text 转写 1 / 2 · 已保存 00:00",
                                "text 转写 2 / 2 · 已保存 01:00", "progress 0.5", "progress 1", "text 已完成",
                                "notice 声音已变成文字，可以开始整理纪要了。", "job off"}))
        << log.join('\n').toStdString();
    // The store held status "transcribing" and exactly the finished chunks while each chunk ran.
    ASSERT_EQ(seenOnDisk.size(), 2u);
    EXPECT_EQ(seenOnDisk[0].status, QStringLiteral("transcribing"));
    EXPECT_EQ(seenOnDisk[0].completedChunks.value_or(0), 0);
    EXPECT_TRUE(seenOnDisk[0].segments.empty());
    EXPECT_EQ(seenOnDisk[1].completedChunks, 1);
    ASSERT_EQ(seenOnDisk[1].segments.size(), 1u);
    // The second window is one second of 16 kHz mono 16-bit samples.
    EXPECT_EQ(f.wavSizes, std::vector<qsizetype>({44 + 60 * 32000, 44 + 32000}));

    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("transcribed"));
    EXPECT_EQ(stored.completedChunks, 2);
    ASSERT_EQ(stored.segments.size(), 2u);
    EXPECT_EQ(stored.segments[1].start, 60);
    EXPECT_NEAR(stored.segments[1].end, 61, 0.01);
    EXPECT_EQ(stored.segments[1].text, QStringLiteral("第2段"));
    EXPECT_EQ(stored.segments[1].speaker, QString());
    EXPECT_EQ(stored.segments[0].id, stored.segments[0].id.toUpper());
    EXPECT_FALSE(QUuid::fromString(stored.segments[0].id).isNull());
    EXPECT_EQ(f.workspace->selectedRecord()->segments, stored.segments);

    // Done: a new request only says so.
    log.clear();
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_FALSE(f.workspace->jobID());
    EXPECT_EQ(f.workspace->notice(), QStringLiteral("转写已经完成，可直接生成纪要。"));
}

TEST(JobTranscription, StopKeepsFinishedChunksAndTheNextJobResumes)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 600, 8000, 1));
    // The stop arrives while chunk 4 is being transcribed; its text comes back afterwards.
    f.onChunk = [&](int call) {
        if (call == 4) {
            f.workspace->stopJob();
            EXPECT_EQ(f.workspace->progressText(), QStringLiteral("正在停止，保留已完成的内容…"));
        }
    };
    f.runJob(false);

    EXPECT_EQ(f.workspace->notice(), QStringLiteral("已停止本机任务，原有结果已保留。"));
    EXPECT_FALSE(f.workspace->error());
    EXPECT_EQ(f.workspace->progressText(), QStringLiteral("已暂停"));
    EXPECT_DOUBLE_EQ(f.workspace->progress(), 0.3);
    Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("paused"));
    EXPECT_EQ(stored.completedChunks, 3);
    EXPECT_EQ(stored.segments.size(), 3u);
    EXPECT_EQ(f.workspace->selectedRecord()->status, QStringLiteral("paused"));

    f.onChunk = nullptr;
    QStringList log;
    JobTest::observe(*f.workspace, log);
    f.runJob(false);
    ASSERT_GE(log.size(), 6);
    EXPECT_EQ(log.mid(0, 6), QStringList({"notice -", "job on", "progress 0", "text 准备转写…",
                                          "text 转写 4 / 10 · 已保存 03:00", "progress 0.3"}));
    stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("transcribed"));
    ASSERT_EQ(stored.segments.size(), 10u);
    EXPECT_EQ(stored.segments[3].start, 180);
    EXPECT_EQ(stored.segments[3].text, QStringLiteral("第5段")); // the fifth call of the fake overall
    EXPECT_EQ(stored.segments[9].end, 600);
}

TEST(JobTranscription, FailuresKeepEveryEarlierChunk)
{
    Fixture f;
    Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 61, 16000, 1));
    // Invalid settings pause the note with the validation message before any chunk runs.
    f.configuration.localASRModel = QStringLiteral("medium");
    f.runJob(false);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("转写配置无效。"));
    EXPECT_EQ(f.onDisk(note.id).status, QStringLiteral("paused"));
    EXPECT_TRUE(f.wavSizes.empty());
    f.configuration.localASRModel = ModelConfiguration().localASRModel;

    // The stored length runs past the end of the audio: the third window holds nothing.
    note = f.onDisk(note.id);
    note.duration = 125;
    note.status = QStringLiteral("done");
    f.store(note);
    f.runJob(false);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("音频片段为空。"));
    EXPECT_EQ(f.workspace->progressText(), QStringLiteral("已暂停"));
    Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("paused"));
    EXPECT_EQ(stored.completedChunks, 2);
    EXPECT_EQ(stored.segments.size(), 2u);

    // A transcriber failure after a stop-free start keeps its own message and the saved chunks.
    stored.duration = 61;
    stored.completedChunks = 1;
    stored.segments.resize(1);
    f.store(stored);
    f.transcribe = [](QByteArray, QString, std::stop_token) -> QCoro::Task<QString> {
        throw AppFailure(QStringLiteral("此片段没有识别出文字，已保留之前的进度。"));
        co_return QString();
    };
    f.runJob(false);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("此片段没有识别出文字，已保留之前的进度。"));
    EXPECT_EQ(f.onDisk(note.id).segments.size(), 1u);

    // The audio copy is gone.
    QFile::remove(*f.onDisk(note.id).audioURL);
    f.reload(note.id);
    f.runJob(false);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("没有找到原始音频。"));
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 1);
}

TEST(JobTranscription, StartChecksRefuseWithoutChangingAnything)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 2, 16000, 1));
    // A summary before the transcript is complete.
    f.workspace->startJob(true, SummaryPreferences());
    EXPECT_EQ(f.workspace->error(), QStringLiteral("请先完成转写，再生成纪要。"));
    EXPECT_FALSE(f.workspace->jobID());

    // Two quick starts run one job; the second (a summary) is ignored and sets no error.
    f.workspace->setError(std::nullopt);
    f.workspace->startJob(false, SummaryPreferences());
    f.workspace->startJob(true, SummaryPreferences());
    EXPECT_FALSE(f.workspace->error());
    f.waitForJobEnd();
    EXPECT_EQ(f.wavSizes.size(), 1u);

    // A note of no length has nothing to transcribe.
    Recording empty = f.onDisk(note.id);
    empty.duration = 0;
    empty.completedChunks.reset();
    f.store(empty);
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_EQ(f.workspace->notice(), QStringLiteral("转写已经完成，可直接生成纪要。"));

    // A trashed note is left alone.
    Recording trashed = f.onDisk(note.id);
    trashed.duration = 2;
    trashed.completedChunks = 0;
    trashed.deletedAt = QStringLiteral("2026-01-01T00:00:00Z");
    f.store(trashed);
    f.workspace->setNotice(std::nullopt);
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_FALSE(f.workspace->jobID());
    EXPECT_FALSE(f.workspace->notice());
}

// --- a crash in the middle of a job ---------------------------------------------------------

namespace {
const char *const crashLibraryVariable = "HUSHNOTE_JOB_CRASH_LIBRARY";
}

// Run only as the child of the test below: transcribes the newest note of the given library slowly
// and forever until killed.
TEST(JobTranscription, DISABLED_CrashChild)
{
    const QByteArray root = qgetenv(crashLibraryVariable);
    if (root.isEmpty())
        GTEST_SKIP() << "runs only as a child process";
    Fixture f(QString::fromUtf8(root));
    f.transcribe = [](QByteArray, QString, std::stop_token) -> QCoro::Task<QString> {
        co_await QCoro::sleepFor(std::chrono::milliseconds(50));
        co_return QStringLiteral("片段");
    };
    f.workspace->startJob(false, SummaryPreferences());
    TestSupport::waitUntil([&] { return !f.workspace->jobID(); }, 600000);
}

TEST(JobTranscription, KilledInTheMiddleLosesAtMostTheChunkInProgress)
{
    if (!qEnvironmentVariableIsEmpty(crashLibraryVariable))
        GTEST_SKIP();
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 1800, 8000, 1));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromUtf8(crashLibraryVariable), f.library->root());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=JobTranscription.DISABLED_CrashChild")});
    ASSERT_TRUE(child.waitForStarted());
    // Kill it once a few chunks are on disk, while it is writing more.
    const bool progressed = TestSupport::waitUntil(
        [&] {
            const LibrarySnapshot snapshot = LibraryReader::read(f.library->root(), true, true);
            return !snapshot.recordings.empty() && snapshot.recordings.front().completedChunks.value_or(0) >= 4;
        },
        120000);
    child.kill();
    child.waitForFinished();
    ASSERT_TRUE(progressed);

    const Recording stored = f.onDisk(note.id);
    const qint64 done = stored.completedChunks.value_or(0);
    EXPECT_GE(done, 4);
    EXPECT_LT(done, 30);
    ASSERT_EQ(qint64(stored.segments.size()), done);
    for (qint64 i = 0; i < done; ++i)
        EXPECT_EQ(stored.segments[size_t(i)].start, 60.0 * double(i));

    // The note resumes at the first missing chunk.
    f.reload(note.id);
    f.runJob(false);
    const Recording finished = f.onDisk(note.id);
    EXPECT_EQ(finished.completedChunks, 30);
    EXPECT_EQ(finished.segments.size(), 30u);
    EXPECT_EQ(f.wavSizes.size(), size_t(30 - done));
}

TEST(JobTranscription, FailedSavesAreReportedAndTheWorkspaceKeepsTheLastSavedNote)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 130, 8000, 1));
    const QString folder = f.library->noteFolder(note.id);
    const QString aside = f.dir.filePath(QStringLiteral("aside"));

    // The note's folder disappears during chunk 2: that chunk's save fails, and so does the
    // "paused" save after it. The error is the save's own message.
    f.onChunk = [&](int call) {
        if (call == 2)
            ASSERT_TRUE(QDir().rename(folder, aside));
    };
    f.runJob(false);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("录音目录不存在，未保存修改。"));
    EXPECT_FALSE(f.workspace->notice());
    EXPECT_EQ(f.workspace->selectedRecord()->completedChunks, 1);
    EXPECT_EQ(f.workspace->selectedRecord()->status, QStringLiteral("transcribing"));

    // Stopped while the folder is gone: the stop notice, and the failed progress save as error.
    ASSERT_TRUE(QDir().rename(aside, folder));
    f.reload(note.id);
    f.onChunk = [&](int call) {
        if (call == 3) {
            f.workspace->stopJob();
            ASSERT_TRUE(QDir().rename(folder, aside));
        }
    };
    f.runJob(false);
    EXPECT_EQ(f.workspace->notice(), QStringLiteral("已停止本机任务，原有结果已保留。"));
    EXPECT_EQ(f.workspace->error(), QStringLiteral("进度保存失败：录音目录不存在，未保存修改。"));
    EXPECT_EQ(f.workspace->progressText(), QStringLiteral("已暂停"));
    ASSERT_TRUE(QDir().rename(aside, folder));
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 1);
    EXPECT_EQ(f.onDisk(note.id).status, QStringLiteral("transcribing"));
}

TEST(JobTranscription, AWorkspaceClosedDuringAJobLeavesAResumableNote)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 130, 8000, 1));
    f.onChunk = [&](int call) {
        if (call == 2)
            f.workspace.reset();
    };
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_TRUE(TestSupport::waitUntil([&] { return !f.workspace; }));
    // Let any late work of the job run: it must not touch the closed Workspace.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.completedChunks, 1);
    EXPECT_EQ(stored.segments.size(), 1u);
}
