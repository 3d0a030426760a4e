#include "processing/JobFixture.h"

#include "platform/FileUtil.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "services/LocalTranscriber.h"
#include "services/WhisperModels.h"
#include "support/ServicesTestHelpers.h"

#include <QCoroTimer>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThreadPool>

#include <utility>

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
    EXPECT_FALSE(QUuid::fromString(stored.segments[0].id).isNull());
    EXPECT_EQ(f.workspace->selectedRecord()->segments, stored.segments);

    // Done: a new request only says so.
    log.clear();
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_FALSE(f.workspace->jobID());
    EXPECT_EQ(f.workspace->notice(), QStringLiteral("转写已经完成，可直接生成纪要。"));
}

TEST(JobTranscription, ChunksWithoutSpeechAreFinishedAndCounted)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 125, 16000, 1));
    std::vector<Recording> seenOnDisk;
    f.onChunk = [&](int) { seenOnDisk.push_back(f.onDisk(note.id)); };
    // A quiet first minute and a last chunk the engine answers with white space only.
    f.transcribe = [&](QByteArray, QString, std::stop_token) -> QCoro::Task<QString> {
        const int call = int(seenOnDisk.size()) + 1;
        f.onChunk(call);
        co_return call == 2 ? QStringLiteral("第2段") : QStringLiteral(" \n ");
    };
    f.runJob(false);

    EXPECT_FALSE(f.workspace->error());
    EXPECT_EQ(f.workspace->notice(),
              QStringLiteral("声音已变成文字，可以开始整理纪要了。 其中 2 个片段没有语音，没有生成文字。"));
    ASSERT_EQ(seenOnDisk.size(), 3u);
    // The silent chunk was saved as finished before the next one ran.
    EXPECT_EQ(seenOnDisk[1].completedChunks, 1);
    EXPECT_TRUE(seenOnDisk[1].segments.empty());
    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("transcribed"));
    EXPECT_EQ(stored.completedChunks, 3);
    ASSERT_EQ(stored.segments.size(), 1u);
    EXPECT_EQ(stored.segments[0].start, 60);
    EXPECT_EQ(stored.segments[0].end, 120);
}

TEST(JobTranscription, DetectsTheSpokenLanguageOncePerNoteAndKeepsItAcrossAResume)
{
    Fixture f;
    f.configuration.localThreads = 3;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 185, 8000, 1));
    // Chunk 1 is silent (its guess is worth nothing), chunk 2 finds Chinese, chunk 3 fails.
    f.timedTranscribe = [&](QByteArray, WhisperRun run, std::stop_token) -> QCoro::Task<ChunkTranscript> {
        ChunkTranscript transcript = ChunkTranscript::whole(f.runs.size() == 1 ? QString() : QStringLiteral("你好"));
        transcript.language = f.runs.size() == 1 ? QStringLiteral("en") : run.language == u"auto" ? QStringLiteral("zh") : run.language;
        if (f.runs.size() == 3)
            throw AppFailure(QStringLiteral("本地转写失败，请检测模型或尝试较小的模型。"));
        co_return transcript;
    };
    f.runJob(false);
    EXPECT_EQ(f.onDisk(note.id).spokenLanguage, QStringLiteral("zh"));
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 2);
    f.runJob(false); // resumes at chunk 3
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 4);
    QStringList languages;
    for (const WhisperRun &run : f.runs) {
        languages << run.language;
        EXPECT_EQ(run.threads, 3);
        EXPECT_EQ(run.modelID, f.configuration.localASRModel);
    }
    EXPECT_EQ(languages, QStringList({"auto", "auto", "zh", "zh", "zh"}));

    // A language set in the settings is used as it is and not stored in the note.
    Recording other = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 5, 8000, 1));
    f.configuration.spokenLanguage = QStringLiteral("ja");
    f.runs.clear();
    f.runJob(false);
    ASSERT_EQ(f.runs.size(), 1u);
    EXPECT_EQ(f.runs[0].language, QStringLiteral("ja"));
    EXPECT_FALSE(f.onDisk(other.id).spokenLanguage);
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

TEST(JobTranscription, AJobStartedTheMomentTheLastOneEndsFindsTheNoteFree)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 61, 16000, 1));
    f.onChunk = [&](int call) {
        if (call == 1)
            f.workspace->stopJob();
    };
    // Started again from the very signal that says the stopped job has ended, as the next minute
    // of a recording or the summary after a queued transcript is.
    bool again = false;
    QObject::connect(f.workspace.get(), &Workspace::jobIDChanged, [&] {
        if (!f.workspace->jobID() && !std::exchange(again, true))
            f.workspace->startJob(false, SummaryPreferences());
    });
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_TRUE(TestSupport::waitUntil([&] { return again && !f.workspace->jobID(); }, 120000));
    EXPECT_FALSE(f.workspace->error()) << f.workspace->error()->toStdString();
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 2);
}

TEST(JobTranscription, FailuresKeepEveryEarlierChunk)
{
    Fixture f;
    Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 61, 16000, 1));
    // Invalid settings pause the note with the validation message before any chunk runs.
    f.configuration.localASRModel = QStringLiteral("huge");
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
        throw AppFailure(QStringLiteral("本地转写失败，请检测模型或尝试较小的模型。"));
        co_return QString();
    };
    f.runJob(false);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("本地转写失败，请检测模型或尝试较小的模型。"));
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
    if (progressed) {
        // While it runs, a job on the same note here is refused and changes nothing of it.
        f.reload(note.id);
        f.runJob(false);
        EXPECT_EQ(f.workspace->error(), QStringLiteral("这条笔记正在别处转写或整理，请等它结束后再试。"));
        EXPECT_TRUE(f.wavSizes.empty());
        EXPECT_EQ(f.onDisk(note.id).status, QStringLiteral("transcribing"));
    }
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

// The disk fills up during chunk 2: the job stops there with the disk's message, transcribes
// nothing more into memory it cannot keep, and the note and its backup stay as chunk 1 left them.
TEST(JobTranscription, AFullDiskStopsTheJobAtTheChunkItCouldNotSave)
{
    Fixture f;
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 190, 8000, 1));
    const QString file = f.library->noteFolder(note.id) + QStringLiteral("/record.json");
    QByteArray afterChunk1;
    f.onChunk = [&](int call) {
        if (call == 2) {
            afterChunk1 = LibraryFixture::readBytes(file);
            FileUtil::failNext(FileUtil::WriteStep::Write, 1, ENOSPC, 1000);
        }
    };
    f.runJob(false);
    FileUtil::clearInjectedFaults();
    EXPECT_EQ(f.wavSizes.size(), 2u);
    ASSERT_TRUE(f.workspace->error());
    EXPECT_TRUE(f.workspace->error()->contains(file));
    EXPECT_TRUE(f.workspace->error()->contains(QStringLiteral("磁盘空间不足")));
    EXPECT_EQ(LibraryFixture::readBytes(file), afterChunk1);
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 1);
    EXPECT_EQ(f.workspace->selectedRecord()->completedChunks, 1);

    // With room again, the same job resumes at chunk 2.
    f.onChunk = nullptr;
    f.runJob(false);
    EXPECT_FALSE(f.workspace->error());
    EXPECT_EQ(f.onDisk(note.id).completedChunks, 4);
    EXPECT_EQ(f.onDisk(note.id).segments.size(), 4u);
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
    // Let the job's late work run before looking (it must not touch the closed Workspace): its
    // background steps end, their results come back, and any save they led to is queued on the
    // store's one executor ahead of this read.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    TestSupport::runTask(f.library->loadHome());
    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.completedChunks, 1);
    EXPECT_EQ(stored.segments.size(), 1u);
}

TEST(JobTranscription, StoresTheEnginesSentencesInOneScriptAndCutsLoops)
{
    // whisper-cli's stand-in behind the real local transcriber, with a verified model to use.
    QTemporaryDir answers;
    qputenv("FAKE_WHISPER_ANSWERS", QFile::encodeName(answers.path()));
    const QByteArray modelBytes("model");
    Fixture f;
    WhisperModels models(answers.filePath(QStringLiteral("models")),
                         {WhisperModel{f.configuration.localASRModel, QStringLiteral("Test"), modelBytes.size(),
                                       QString::fromLatin1(QCryptographicHash::hash(modelBytes, QCryptographicHash::Sha256).toHex())}},
                         QUrl());
    QDir().mkpath(models.root());
    ServicesTest::writeFile(models.installedFile(models.catalogue().first()), modelBytes);
    LocalTranscriber transcriber(models, QStringLiteral(HUSHNOTE_SOURCE_DIR "/tests/support/fake-whisper-cli"));
    f.timedTranscribe = [&](QByteArray wav, QString model, std::stop_token stop) {
        return transcriber.transcribe(std::move(wav), std::move(model), std::move(stop));
    };
    auto answer = [&](const QString &name, const QList<std::tuple<int, int, QString>> &items) {
        QJsonArray transcription;
        for (const auto &[from, to, text] : items)
            transcription.append(QJsonObject{{"offsets", QJsonObject{{"from", from}, {"to", to}}}, {"text", text}});
        ServicesTest::writeFile(answers.filePath(name), QJsonDocument(QJsonObject{{"transcription", transcription}}).toJson());
    };
    Preferences::shared().setString(QStringLiteral("app.language"), QStringLiteral("zh-Hant"));

    // Three chunks: 0-60, 60-120, 120-150. Each gets two sentences (a blank one dropped), the
    // second timed past the chunk's end; the job is stopped before the third chunk.
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 150, 8000, 1));
    answer(QStringLiteral("answer.json"), {{0, 2500, QStringLiteral(" 第一句。")}, {2500, 2600, QStringLiteral(" ")},
                                           {2600, 70000, QStringLiteral(" 这是一個测试")}});
    const QMetaObject::Connection stopper = QObject::connect(f.workspace.get(), &Workspace::progressChanged, [&] {
        if (f.workspace->progress() > 0.6)
            f.workspace->stopJob();
    });
    f.runJob(false);
    Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.completedChunks, 2);
    std::vector<std::tuple<double, double, QString>> times;
    for (const Segment &segment : stored.segments)
        times.emplace_back(segment.start, segment.end, segment.text);
    EXPECT_EQ(times, (std::vector<std::tuple<double, double, QString>>{{0, 2.5, QStringLiteral("第一句。")},
                                                                      {2.6, 60, QStringLiteral("這是一個測試")},
                                                                      {60, 62.5, QStringLiteral("第一句。")},
                                                                      {60 + 2.6, 120, QStringLiteral("這是一個測試")}}));

    // The last chunk loops, and still loops when retried: it is cut down to once and reported.
    QObject::disconnect(stopper);
    QList<std::tuple<int, int, QString>> loop;
    for (int i = 0; i < 12; ++i)
        loop.append({i * 1000, i * 1000 + 1000, QStringLiteral("谢谢大家观看。")});
    answer(QStringLiteral("answer.json"), loop);
    answer(QStringLiteral("retry.json"), loop);
    f.runJob(false);
    stored = f.onDisk(note.id);
    EXPECT_EQ(stored.completedChunks, 3);
    ASSERT_EQ(stored.segments.size(), 5u);
    EXPECT_EQ(stored.segments[4].text, QStringLiteral("謝謝大家觀看。"));
    EXPECT_EQ(stored.segments[4].start, 120);
    EXPECT_EQ(stored.segments[4].end, 132);
    EXPECT_TRUE(f.workspace->notice().value_or(QString()).endsWith(QStringLiteral("02:00 處的轉寫反覆重複同一句話，重複部分只保留了一遍。")))
        << f.workspace->notice().value_or(QString()).toStdString();
    // Each chunk ran once; the looping one once more, with the engine told not to carry context.
    const QStringList calls = QString::fromUtf8(ServicesTest::readAll(answers.filePath(QStringLiteral("calls")))).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(calls.size(), 4);
    EXPECT_FALSE(calls[2].contains(QStringLiteral(" -mc 0")));
    EXPECT_TRUE(calls[3].endsWith(QStringLiteral("-oj -sns -et 2.8 -mc 0 -tp 0.2")));

    Preferences::shared().remove(QStringLiteral("app.language"));
    qunsetenv("FAKE_WHISPER_ANSWERS");
}
