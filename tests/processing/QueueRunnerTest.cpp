#include "processing/QueueRunner.h"

#include "library/LibraryReader.h"
#include "library/NativeLibrary.h"
#include "services/CustomServer.h"
#include "services/ModelClient.h"
#include "support/AudioFixtures.h"
#include "support/FakeProviderServer.h"
#include "support/TaskRunner.h"
#include "support/WorkspacePrompts.h"
#include "workspace/Workspace.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestSupport::CannedResponse;
using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

// Several Workspaces (lanes) on one temporary library, a fake engine on this computer and the
// queue saved in the same temporary folder.
class QueueFixture {
public:
    explicit QueueFixture(int lanes = 2)
    {
        person.cloudAnswer = false;
        configuration.asrService = QStringLiteral("whisper");
        configuration.summaryService = QStringLiteral("ollama");
        configuration.ollamaModel = QStringLiteral("qwen3:8b");
        services.configurationProvider = [this] { return configuration; };
        services.keyProvider = [](QString) -> QCoro::Task<std::optional<QString>> { co_return std::nullopt; };
        services.client = std::make_shared<ModelClient>();
        services.localTranscribe = [this](QByteArray, QString, std::stop_token) -> QCoro::Task<ChunkTranscript> {
            const int call = ++calls;
            if (onChunk)
                onChunk(call);
            if (failing && call == *failing)
                throw AppFailure(QStringLiteral("模型返回空内容或无效转写，未保存为成功。"));
            co_return ChunkTranscript::whole(QStringLiteral("第%1段").arg(call));
        };
        for (int i = 0; i < lanes; ++i) {
            workspaces.push_back(std::make_unique<Workspace>(library, prompts, services, false));
            lanePointers.push_back(workspaces.back().get());
        }
    }

    QString importNote(double seconds)
    {
        return runTask(library.importAudio(AudioFixtures::tone(QStringLiteral("wav"), seconds, 16000, 1), std::nullopt)).id;
    }

    Recording onDisk(const QString &id) const
    {
        for (const Recording &recording : LibraryReader::read(library.root(), true, true).recordings) {
            if (recording.id == id)
                return recording;
        }
        ADD_FAILURE() << "note not on disk";
        return {};
    }

    void enqueue(const QStringList &ids, bool summarize = false)
    {
        queue.update([&](QueueContents &contents) {
            for (const QString &id : ids)
                contents.items.push_back(QueueItem{id, summarize, QueueItem::waiting, {}});
        });
    }

    std::unique_ptr<QueueRunner> runner(int parallel = 2)
    {
        return std::make_unique<QueueRunner>(queue, lanePointers, prompts, [this] { return configuration; }, parallel);
    }

    QTemporaryDir dir;
    NativeLibrary library{dir.path() + QStringLiteral("/Library")};
    ProcessingQueue queue{dir.path() + QStringLiteral("/queue.json")};
    TestSupport::WorkspacePrompts person;
    QueuePrompts prompts{person};
    ModelConfiguration configuration;
    JobServices services;
    int calls = 0;
    std::optional<int> failing;
    std::function<void(int)> onChunk;
    std::vector<std::unique_ptr<Workspace>> workspaces;
    std::vector<Workspace *> lanePointers;
};

std::vector<QString> states(const QueueContents &contents)
{
    std::vector<QString> result;
    for (const QueueItem &item : contents.items)
        result.push_back(item.state);
    return result;
}

} // namespace

TEST(QueueRunner, WorksThroughEveryNoteOnThisComputerOneAtATimeAndAFailureDoesNotStopIt)
{
    QueueFixture f(3);
    const QString first = f.importNote(70);
    const QString second = f.importNote(70);
    const QString third = f.importNote(20);
    f.failing = 4; // the second note's second chunk
    int busiest = 0;
    std::unique_ptr<QueueRunner> runner = f.runner(3);
    f.onChunk = [&](int) { busiest = std::max(busiest, int(runner->runningNotes().size())); };
    f.enqueue({first, second, third});

    EXPECT_TRUE(runTask(runner->run(SummaryPreferences())));
    EXPECT_EQ(busiest, 1) << "the local engine takes one note at a time";
    EXPECT_EQ(f.person.cloudAsked, 0);
    const QueueContents saved = f.queue.read();
    EXPECT_EQ(states(saved), (std::vector<QString>{"done", "failed", "done"}));
    EXPECT_EQ(saved.items[1].message, QStringLiteral("模型返回空内容或无效转写，未保存为成功。"));
    EXPECT_EQ(f.onDisk(first).completedChunks, 2);
    EXPECT_EQ(f.onDisk(second).completedChunks, 1) << "the chunk before the failure stays";
    EXPECT_EQ(f.onDisk(third).completedChunks, 1);
    EXPECT_EQ(f.onDisk(third).segments.at(0).text, QStringLiteral("第5段"));
}

TEST(QueueRunner, StopOneAndStopAllKeepFinishedChunksAndAResumeGoesOnFromThere)
{
    QueueFixture f(1);
    const QString first = f.importNote(130);
    const QString second = f.importNote(130);
    const QString third = f.importNote(130);
    f.enqueue({first, second, third});
    std::unique_ptr<QueueRunner> runner = f.runner();
    f.onChunk = [&](int call) {
        if (call == 2)
            runner->stop(first); // while its second chunk is being made
        if (call == 5)
            runner->stopAll(); // while the second note's second chunk is being made
    };
    EXPECT_TRUE(runTask(runner->run(SummaryPreferences())));
    QueueContents saved = f.queue.read();
    EXPECT_EQ(states(saved), (std::vector<QString>{"stopped", "stopped", "waiting"}));
    EXPECT_TRUE(saved.stopRequested);
    // The text of the chunk in progress is dropped; everything saved before stays.
    EXPECT_EQ(f.onDisk(first).completedChunks, 1);
    EXPECT_EQ(f.onDisk(second).completedChunks, 2);
    EXPECT_EQ(f.onDisk(third).completedChunks.value_or(0), 0);

    // Resuming: the stopped notes wait again and each goes on from its own saved chunk.
    f.onChunk = {};
    f.queue.update([](QueueContents &contents) {
        for (QueueItem &item : contents.items)
            item.state = item.state == QueueItem::stopped ? QueueItem::waiting : item.state;
    });
    const int before = f.calls;
    EXPECT_TRUE(runTask(f.runner()->run(SummaryPreferences())));
    EXPECT_EQ(states(f.queue.read()), (std::vector<QString>{"done", "done", "done"}));
    EXPECT_EQ(f.calls - before, 2 + 1 + 3);
    EXPECT_EQ(f.onDisk(first).completedChunks, 3);
    EXPECT_EQ(f.onDisk(third).completedChunks, 3);
}

TEST(QueueRunner, AServerElsewhereIsAskedAboutOnceAndTakesAtMostNNotesAtOnce)
{
    QueueFixture f(3);
    TestSupport::FakeProviderServer server;
    f.configuration.asrService = CustomServer::service;
    f.configuration.customASRURL = server.baseURL();
    f.configuration.customASRModel = QStringLiteral("large-v3");
    const QJsonObject answer{{"text", "远程"}, {"segments", QJsonArray{QJsonObject{{"start", 0.0}, {"end", 1.0}, {"text", "远程"}}}}};
    server.setStandingAnswer("audio/transcriptions", CannedResponse::heldUntilReleased(CannedResponse::json(answer)));
    QStringList ids;
    for (int i = 0; i < 4; ++i)
        ids << f.importNote(65);
    f.enqueue(ids);

    std::unique_ptr<QueueRunner> runner = f.runner(2);
    bool ended = false;
    // The closure outlives the coroutine that refers to its captures.
    auto drive = [&]() -> QCoro::Task<> {
        co_await runner->run(SummaryPreferences());
        ended = true;
    };
    QCoro::Task<> running = drive();
    // Every round: wait until the server holds as many uploads as can be in flight, then let them
    // go. The server counts what it ever held at once.
    while (!ended) {
        ASSERT_TRUE(waitUntil([&] {
            return ended || server.heldCount() == 2
                || (server.heldCount() == 1 && runner->runningNotes().size() == 1);
        }));
        server.releaseHeld();
    }
    EXPECT_EQ(server.mostHeld(), 2u);
    EXPECT_EQ(server.requestsTo("audio/transcriptions").size(), 8u);
    EXPECT_EQ(states(f.queue.read()), (std::vector<QString>(4, QueueItem::done)));
    EXPECT_EQ(f.onDisk(ids[3]).segments.size(), 2u);
}

TEST(QueueRunner, ConsentIsAskedOnceForTheWholeQueueNamingHowManyNotes)
{
    QueueFixture f(2);
    f.configuration.asrService = CustomServer::service;
    f.configuration.customASRURL = QStringLiteral("http://192.168.50.2:8000/v1");
    f.configuration.customASRModel = QStringLiteral("large-v3");
    const QStringList ids{f.importNote(5), f.importNote(5), f.importNote(5)};
    f.enqueue(ids);
    EXPECT_FALSE(runTask(f.runner()->run(SummaryPreferences())));
    EXPECT_EQ(f.person.cloudAsked, 1);
    EXPECT_TRUE(f.person.cloudInformative.contains(QStringLiteral("192.168.50.2")));
    EXPECT_TRUE(f.person.cloudInformative.contains(QStringLiteral("这 3 条笔记")));
    EXPECT_EQ(states(f.queue.read()), (std::vector<QString>(3, QueueItem::waiting))) << "declining changes nothing";
    EXPECT_EQ(f.onDisk(ids[0]).completedChunks.value_or(0), 0);
}

TEST(QueueContents, ASavedQueueReadsBackAndItemsLeftRunningWaitAgain)
{
    QTemporaryDir dir;
    const ProcessingQueue queue(dir.path() + QStringLiteral("/queue.json"));
    EXPECT_EQ(queue.read(), QueueContents());
    const QueueContents written = queue.update([](QueueContents &contents) {
        contents.items = {QueueItem{"a", true, QueueItem::running, {}}, QueueItem{"b", false, QueueItem::failed, "x"}};
    });
    QueueContents read = queue.read();
    EXPECT_EQ(read, written);
    read.resumeInterrupted();
    EXPECT_EQ(states(read), (std::vector<QString>{"waiting", "failed"}));
    QFile damaged(queue.file());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(R"({"version":1,"items":[{"noteID":"a","state":"exploded"}]})");
    damaged.close();
    EXPECT_EQ(queue.read(), QueueContents()) << "a queue that does not read back is no queue";
}
