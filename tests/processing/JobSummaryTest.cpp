#include "processing/JobFixture.h"

#include "support/FakeOllamaServer.h"
#include "support/FakeProviderServer.h"

#include <QJsonArray>

using JobTest::Fixture;
using TestSupport::FakeOllamaServer;
using TestSupport::FakeProviderServer;

namespace {

// Points OpenAI at a local fake for one test.
struct OpenAIOnLoopback {
    FakeProviderServer server;
    OpenAIOnLoopback() { CloudProvider::setBaseURLOverride(CloudProvider::openai, QUrl(server.baseURL())); }
    ~OpenAIOnLoopback() { CloudProvider::setBaseURLOverride(CloudProvider::openai, std::nullopt); }
};

// A note whose transcript is complete and renders to exactly `characters` characters (one segment
// without a speaker: "[00:00] ：" then the text), with an earlier summary.
Recording transcribedNote(Fixture &f, qsizetype characters)
{
    Recording note = f.onDisk(f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 2, 16000, 1)).id);
    Segment segment;
    segment.id = QStringLiteral("A6C1D3E0-0000-4000-8000-000000000001");
    segment.end = 2;
    segment.text = QString(characters - 9, QLatin1Char('x'));
    note.segments = {segment};
    note.completedChunks = 1;
    note.status = QStringLiteral("done");
    note.summary = QStringLiteral("旧纪要");
    note.summaryTemplate = QStringLiteral("memo");
    note.summaryStale = true;
    f.store(note);
    return note;
}

// Transcription through OpenAI with a saved key.
void transcribeWithOpenAI(Fixture &f)
{
    f.configuration.asrService = QStringLiteral("openai");
    f.configuration.asrModel = QStringLiteral("whisper-1");
    f.keys[QStringLiteral("openai")] = QStringLiteral("sk-test");
}

QString userMessage(const TestSupport::RecordedRequest &request)
{
    const QJsonArray messages = request.json().value(QStringLiteral("messages")).toArray();
    return messages.size() == 2 ? messages.at(1).toObject().value(QStringLiteral("content")).toString() : QString();
}

} // namespace

TEST(JobSummary, CloudSummaryOfTwoPartsMergesOnceAndSavesTheTemplate)
{
    OpenAIOnLoopback cloud;
    Fixture f;
    f.configuration.summaryService = QStringLiteral("openai");
    f.configuration.summaryModel = QStringLiteral("gpt-4.1-mini");
    f.keys[QStringLiteral("openai")] = QStringLiteral("sk-test");
    const Recording note = transcribedNote(f, 20001);
    cloud.server.enqueueCompletion(QStringLiteral("第一部分"));
    cloud.server.enqueueCompletion(QStringLiteral("第二部分"));
    cloud.server.enqueueCompletion(QStringLiteral("## 合并后的纪要"));
    QStringList log;
    JobTest::observe(*f.workspace, log);

    SummaryPreferences interview;
    interview.templateID = QStringLiteral("interview");
    f.workspace->startJob(true, interview);
    f.waitForJobEnd();

    EXPECT_EQ(f.prompts.cloudAsked, 1);
    EXPECT_TRUE(f.prompts.cloudInformative.startsWith(QStringLiteral("OpenAI\n127.0.0.1\n\n将发送这条笔记的逐字稿")));
    EXPECT_EQ(f.keyRequests, QStringList({QStringLiteral("openai")}));
    EXPECT_EQ(log, QStringList({"job on", "text 准备整理纪要…", "text 整理纪要 1 / 2…", "progress 0.333333",
                                "text 整理纪要 2 / 2…", "progress 0.666667", "text 正在合并纪要…", "progress 1",
                                "text 已完成", "notice 纪要已整理好。", "job off"}))
        << log.join('\n').toStdString();
    const auto requests = cloud.server.requestsTo("chat/completions");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(userMessage(requests[0]).size(), 20000);
    EXPECT_EQ(userMessage(requests[1]), QStringLiteral("x"));
    EXPECT_EQ(userMessage(requests[2]), QStringLiteral("第一部分\n\n第二部分"));

    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.summary, QStringLiteral("## 合并后的纪要"));
    EXPECT_EQ(stored.summaryTemplate, QStringLiteral("interview"));
    EXPECT_EQ(stored.summaryTemplateName, SummaryTemplate::builtin(QStringLiteral("interview"))->name);
    EXPECT_EQ(stored.summaryTemplateVersion, 1);
    EXPECT_EQ(stored.summaryStale, false);
    EXPECT_EQ(stored.status, QStringLiteral("done"));
    EXPECT_EQ(stored.segments, note.segments);
    EXPECT_EQ(f.workspace->selectedRecord()->summary, stored.summary);
}

TEST(JobSummary, OllamaCutsSmallerPartsAndNeedsNoConsentOrKey)
{
    FakeOllamaServer ollama;
    ollama.setInstalledModels({QStringLiteral("qwen3:8b")});
    ollama.setShow();
    Fixture f;
    f.configuration.ollamaURL = ollama.baseURL();
    const Recording note = transcribedNote(f, 20001);
    for (int i = 1; i <= 7; ++i)
        ollama.enqueueChat(QStringLiteral("笔记%1").arg(i));

    f.runJob(true);
    EXPECT_FALSE(f.workspace->error()) << f.workspace->error()->toStdString();
    EXPECT_EQ(f.prompts.cloudAsked, 0);
    EXPECT_TRUE(f.keyRequests.isEmpty());
    const auto chats = ollama.requestsTo("chat");
    ASSERT_EQ(chats.size(), 7u);
    EXPECT_LE(userMessage(chats[0]).size(), 4000); // the part sizes are SummaryStage's own test
    EXPECT_EQ(userMessage(chats[6]), QStringLiteral("笔记1\n\n笔记2\n\n笔记3\n\n笔记4\n\n笔记5\n\n笔记6"));
    EXPECT_EQ(f.onDisk(note.id).summary, QStringLiteral("笔记7"));
    EXPECT_EQ(f.onDisk(note.id).summaryTemplate, QStringLiteral("meeting"));
}

TEST(JobSummary, FailuresKeepThePreviousSummary)
{
    OpenAIOnLoopback cloud;
    Fixture f;
    f.configuration.summaryService = QStringLiteral("openai");
    f.configuration.summaryModel = QStringLiteral("gpt-4.1-mini");
    const Recording note = transcribedNote(f, 40001);

    // No key: the note is paused, its summary and transcript untouched, nothing sent.
    f.runJob(true);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("请先在模型 API 设置中保存密钥。 OpenAI"));
    Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("paused"));
    EXPECT_EQ(stored.summary, QStringLiteral("旧纪要"));
    EXPECT_EQ(stored.segments, note.segments);
    EXPECT_EQ(cloud.server.requestCount(), 0u);

    // Notes as long as a whole group: merging two notes would take three requests, never fewer.
    f.keys[QStringLiteral("openai")] = QStringLiteral("sk-test");
    cloud.server.setStandingAnswer("chat/completions",
                                   TestSupport::CannedResponse::json(FakeProviderServer::completion(QString(30000, 'n'))));
    f.runJob(true);
    EXPECT_EQ(f.workspace->error(), QStringLiteral("纪要过长，无法安全合并。原有纪要已保留。"));
    EXPECT_EQ(cloud.server.requestCount(), 3u + 4u); // 3 parts, then 4 groups of the 90,004 joined characters
    stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("paused"));
    EXPECT_EQ(stored.summary, QStringLiteral("旧纪要"));
    EXPECT_EQ(stored.summaryTemplate, QStringLiteral("memo"));
    EXPECT_EQ(stored.summaryStale, true);
    EXPECT_EQ(f.prompts.cloudAsked, 2); // asked again for every job
}

TEST(JobCloud, ConsentIsAskedForEveryJobAndADeclineChangesNothing)
{
    OpenAIOnLoopback cloud;
    Fixture f;
    transcribeWithOpenAI(f);
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 2, 16000, 1));
    const Recording before = f.onDisk(note.id);
    f.workspace->setNotice(QStringLiteral("之前的消息"));
    f.prompts.cloudAnswer = false;
    QStringList log;
    JobTest::observe(*f.workspace, log);

    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_TRUE(TestSupport::waitUntil([&] { return f.prompts.cloudAsked == 1; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.isEmpty()) << log.join('\n').toStdString();
    EXPECT_EQ(f.workspace->notice(), QStringLiteral("之前的消息"));
    EXPECT_FALSE(f.workspace->jobID());
    EXPECT_EQ(f.onDisk(note.id), before);
    EXPECT_TRUE(f.keyRequests.isEmpty());
    EXPECT_EQ(cloud.server.requestCount(), 0u);
    EXPECT_TRUE(f.prompts.cloudInformative.contains(QStringLiteral("将分段发送这条笔记的录音音频。")));

    // Accepting the next time starts the job after a new question; a start while it is open is ignored.
    f.prompts.cloudAnswer = true;
    f.prompts.holdCloud = true;
    cloud.server.setStandingAnswer("audio/transcriptions", TestSupport::CannedResponse::json(QJsonObject{{"text", "你好"}}));
    f.workspace->startJob(false, SummaryPreferences());
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_EQ(f.prompts.cloudAsked, 2);
    EXPECT_FALSE(f.workspace->jobID());
    f.prompts.holdCloud = false;
    EXPECT_TRUE(TestSupport::waitUntil([&] { return f.workspace->jobID().has_value(); }));
    f.waitForJobEnd();
    EXPECT_EQ(f.prompts.cloudAsked, 2);
    EXPECT_EQ(cloud.server.requestCount(), 1u);
    ASSERT_EQ(f.onDisk(note.id).segments.size(), 1u);
    EXPECT_EQ(f.onDisk(note.id).segments.at(0).text, QStringLiteral("你好"));
}

TEST(JobCloud, StoppingDuringARequestWarnsAboutBilling)
{
    OpenAIOnLoopback cloud;
    Fixture f;
    transcribeWithOpenAI(f);
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 90, 16000, 1));
    cloud.server.enqueueTranscript(QStringLiteral("第一分钟"));
    cloud.server.enqueueAnswer("audio/transcriptions", TestSupport::CannedResponse::neverAnswer());

    f.workspace->startJob(false, SummaryPreferences());
    ASSERT_TRUE(TestSupport::waitUntil([&] { return cloud.server.heldCount() == 1; }));
    f.workspace->stopJob();
    f.waitForJobEnd();
    cloud.server.releaseHeld();

    EXPECT_EQ(f.workspace->notice(), QStringLiteral("已停止；完成的内容已保留。正在处理的请求仍可能由供应商计费。"));
    EXPECT_FALSE(f.workspace->error());
    EXPECT_EQ(f.workspace->progressText(), QStringLiteral("已暂停"));
    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.status, QStringLiteral("paused"));
    EXPECT_EQ(stored.completedChunks, 1);
    ASSERT_EQ(stored.segments.size(), 1u);
    EXPECT_EQ(stored.segments[0].text, QStringLiteral("第一分钟"));
    EXPECT_EQ(cloud.server.requestsTo("audio/transcriptions").at(0).header("Authorization"), "Bearer sk-test");
}
