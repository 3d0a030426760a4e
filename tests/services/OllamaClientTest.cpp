#include "services/OllamaClient.h"

#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"
#include "support/FakeOllamaServer.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using TestSupport::CannedResponse;
using TestSupport::FakeOllamaServer;
using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

const QString kModel = QStringLiteral("qwen2.5:7b");

class OllamaClientTest : public ::testing::Test {
protected:
    OllamaClientTest()
    {
        server.setShow();
    }

    ModelConfiguration configuration(const QString &model = kModel) const
    {
        ModelConfiguration value;
        value.summaryService = QStringLiteral("ollama");
        value.ollamaURL = server.baseURL();
        value.ollamaModel = model;
        return value;
    }

    QCoro::Task<QString> summarize(const ModelConfiguration &value, std::stop_token stop = {})
    {
        return client.summarize(QStringLiteral("[00:01] 甲：开始"), value, false, SummaryPreferences(), stop);
    }

    // The AppFailure message the task ends with; empty (and a test failure) otherwise.
    template<typename T>
    QString failureOf(QCoro::Task<T> task)
    {
        return ServicesTest::appFailureOf(std::move(task)).message();
    }

    FakeOllamaServer server;
    OllamaClient client;
};

} // namespace

TEST_F(OllamaClientTest, ListsOnlyValidLocalModelsSortedOnce)
{
    const QJsonArray tags{
        QJsonObject{{"name", "qwen2.5:7b"}},
        QJsonObject{{"name", "llama3.1:8b"}},
        QJsonObject{{"name", "qwen2.5:7b"}},                       // listed twice
        QJsonObject{{"name", "gpt-oss:120b-cloud"}},               // cloud: "-cloud" at the end
        QJsonObject{{"name", "deepseek-v3.1:671B-CLOUD"}},         // any letter case
        QJsonObject{{"name", "kimi:cloud:latest"}},                // ":cloud" before another colon
        QJsonObject{{"name", "soundcloud-notes:1b"}},              // "cloud" elsewhere stays
        QJsonObject{{"name", "cloudy:3b"}},
        QJsonObject{{"name", "mistral:7b"}, {"remote_host", "https://ollama.com:443"}},
        QJsonObject{{"name", "phi3:mini"}, {"remote_model", "phi3"}},
        QJsonObject{{"model", "no-name:1b"}},
        QJsonObject{{"name", 42}},
        QJsonObject{{"name", "-leading-dash"}},
        QJsonObject{{"name", "has space:1b"}},
        QJsonObject{{"name", "aya:8b"}},
    };
    server.setTags(tags);

    // "localhost" with a trailing "/" reaches the same server through 127.0.0.1.
    const QString base = QStringLiteral("http://localhost:%1/").arg(server.port());
    const QStringList models = runTask(client.models(base));
    EXPECT_EQ(models, (QStringList{"aya:8b", "cloudy:3b", "llama3.1:8b", "qwen2.5:7b", "soundcloud-notes:1b"}));

    const auto requests = server.requestsTo("tags");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_TRUE(requests[0].body.empty());
    EXPECT_FALSE(requests[0].hasHeader("Content-Type"));

    for (const QJsonObject &malformed : {QJsonObject{}, QJsonObject{{"models", "llama"}},
                                         QJsonObject{{"models", QJsonArray{QJsonObject{{"name", "a:1b"}}, 7}}}}) {
        server.enqueueAnswer("tags", CannedResponse::json(malformed));
        EXPECT_EQ(failureOf(client.models(server.baseURL())), "Ollama 模型列表格式不正确。");
    }
}

TEST_F(OllamaClientTest, ChecksTheModelThenSendsOneChat)
{
    server.enqueueChat(QStringLiteral("\n## 会议纪要\n- 结论 \n"));
    SummaryPreferences preferences;
    preferences.templateID = QStringLiteral("memo");
    const QString reply = runTask(
        client.summarize(QStringLiteral("[00:01] 甲：开始"), configuration(), true, preferences));
    EXPECT_EQ(reply, QStringLiteral("\n## 会议纪要\n- 结论 \n")); // untrimmed

    const auto show = server.requestsTo("show");
    ASSERT_EQ(show.size(), 1u);
    EXPECT_EQ(show[0].method, "POST");
    EXPECT_EQ(show[0].header("Content-Type"), "application/json");
    EXPECT_EQ(show[0].json(), (QJsonObject{{"model", kModel}}));

    const auto chat = server.requestsTo("chat");
    ASSERT_EQ(chat.size(), 1u);
    EXPECT_EQ(chat[0].header("Content-Type"), "application/json");
    EXPECT_EQ(chat[0].body.find('\n'), std::string::npos) << "the body is compact JSON";
    const QJsonObject expected{
        {"model", kModel},
        {"stream", false},
        {"options", QJsonObject{{"temperature", 0.2}, {"num_ctx", 16384}, {"num_predict", 4096}}},
        {"messages", QJsonArray{QJsonObject{{"role", "system"}, {"content", preferences.prompt(true)}},
                                QJsonObject{{"role", "user"}, {"content", "[00:01] 甲：开始"}}}}};
    EXPECT_EQ(chat[0].json(), expected);
    EXPECT_NE(chat[0].body.find("\"temperature\":0.2"), std::string::npos);
}

TEST_F(OllamaClientTest, RefusesModelsThatAreNotLocalChatModelsBeforeAnyChat)
{
    EXPECT_EQ(failureOf(summarize(configuration(QStringLiteral("bad name")))),
              "请在设置中选择已安装的 Ollama 纪要模型。");
    EXPECT_EQ(server.requestCount(), 0u);

    server.setShow({QStringLiteral("completion")}, true);
    EXPECT_EQ(failureOf(summarize(configuration())), "本地纪要不支持 Ollama 云端模型，请选择已下载的本地模型。");
    server.setShow();
    EXPECT_EQ(failureOf(summarize(configuration(QStringLiteral("gpt-oss:120b-cloud")))),
              "本地纪要不支持 Ollama 云端模型，请选择已下载的本地模型。");

    const QString noText = QStringLiteral("这个 Ollama 模型不支持文字生成，请选择聊天模型或更新 Ollama。");
    server.setShow({QStringLiteral("embedding")});
    EXPECT_EQ(failureOf(summarize(configuration())), noText);
    server.enqueueAnswer("show", CannedResponse::json(QJsonObject{{"details", QJsonObject{}}}));
    EXPECT_EQ(failureOf(summarize(configuration())), noText);
    server.enqueueAnswer("show", CannedResponse::json(QJsonObject{{"capabilities", "completion"}}));
    EXPECT_EQ(failureOf(summarize(configuration())), noText);
    EXPECT_EQ(server.requestCount("/api/chat"), 0u);
}

TEST_F(OllamaClientTest, AcceptsOnlyACompleteNonEmptyChatReply)
{
    const QString incomplete = QStringLiteral("Ollama 未完整返回纪要，原有结果已保留。请尝试其他本地模型。");
    server.enqueueChat(QStringLiteral("cut"), QStringLiteral("length"));
    server.enqueueChat(QStringLiteral("not yet"), QStringLiteral("stop"), false);
    server.enqueueChat(QStringLiteral(" \n\n "));
    server.enqueueAnswer("chat", CannedResponse::json(QJsonObject{{"done", true}, {"message", "text"}}));
    server.enqueueAnswer("chat", CannedResponse::json(QJsonObject{{"done", "true"},
                                                                  {"message", QJsonObject{{"content", "x"}}}}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(failureOf(summarize(configuration())), incomplete) << i;

    server.enqueueChat(QStringLiteral("fine"), std::nullopt); // no done_reason is complete
    EXPECT_EQ(runTask(summarize(configuration())), QStringLiteral("fine"));
}

TEST_F(OllamaClientTest, MapsEveryFailureOfARequestToItsMessage)
{
    const QString failed = QStringLiteral("Ollama 请求失败，请确认服务正在运行且模型已经下载。");
    const QString unreadable = QStringLiteral("无法读取 Ollama 响应，请确认本机服务正在运行。");
    const QString malformed = QStringLiteral("Ollama 返回格式不正确。");
    auto tags = [&] { return client.models(server.baseURL()); };

    const std::string body = R"({"models":[{"name":"a:1b"},{"name":"b:1b"}]})";
    const std::pair<CannedResponse, QString> answers[] = {
        {CannedResponse::raw(R"({"error":"not found"})", 404), failed},
        {CannedResponse::raw("{}", 500), failed},
        {CannedResponse::raw(R"([{"models":[]}])"), malformed},
        {CannedResponse::raw(R"({"models":[],"error":"busy"})"), malformed},
        {CannedResponse::raw("<html>not json</html>", 200, "text/html"), unreadable},
        {CannedResponse::closeMidBody(body, body.size() / 2), unreadable},
    };
    for (const auto &[answer, message] : answers) {
        server.enqueueAnswer("tags", answer);
        EXPECT_EQ(failureOf(tags()), message) << answer.body;
    }

    // Exactly 2 MiB is read; one byte more is refused.
    std::string exact = R"({"models":[],"pad":""})";
    exact.insert(exact.size() - 2, std::string(2'097'152 - exact.size(), 'p'));
    ASSERT_EQ(exact.size(), 2'097'152u);
    server.enqueueAnswer("tags", CannedResponse::raw(exact));
    EXPECT_TRUE(runTask(tags()).isEmpty());
    server.enqueueAnswer("tags", CannedResponse::raw(exact.insert(exact.size() - 2, "p")));
    EXPECT_EQ(failureOf(tags()), "Ollama 返回内容过长，原有纪要已保留。");

    // A redirect is never followed, wherever it points.
    FakeOllamaServer elsewhere;
    elsewhere.setInstalledModels({"elsewhere:1b"});
    server.enqueueAnswer("tags", CannedResponse::redirect(307, elsewhere.baseURL().toStdString() + "/api/tags"));
    EXPECT_EQ(failureOf(tags()), failed);
    EXPECT_EQ(elsewhere.requestCount(), 0u);

    // Nothing is sent to an address that is not this computer.
    const auto before = server.requestCount();
    EXPECT_EQ(failureOf(client.models(QStringLiteral("http://192.168.1.20:%1").arg(server.port()))),
              "Ollama 仅支持本机 HTTP 地址，例如 http://127.0.0.1:11434。");
    EXPECT_EQ(server.requestCount(), before);

    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    EXPECT_EQ(failureOf(client.models(QStringLiteral("http://127.0.0.1:%1").arg(closedPort))), unreadable);
}

TEST_F(OllamaClientTest, ASilentServerTimesOutAndAStopCancelsAtOnce)
{
    HttpSessionConfiguration quick;
    quick.idleTimeout = 300ms;
    quick.bypassProxy = true;
    OllamaClient impatient(std::make_shared<HttpSession>(quick));
    server.enqueueAnswer("chat", CannedResponse::neverAnswer());
    EXPECT_EQ(failureOf(impatient.summarize("x", configuration(), false, SummaryPreferences())),
              "Ollama 响应超时，请尝试较小的模型。");

    server.enqueueAnswer("chat", CannedResponse::neverAnswer());
    std::stop_source stop;
    auto task = summarize(configuration(), stop.get_token());
    ASSERT_TRUE(waitUntil([&] { return server.requestCount("/api/chat") == 2; }));
    stop.request_stop();
    EXPECT_THROW(runTask(std::move(task)), Cancelled);

    // A stop that came first sends nothing at all.
    const auto before = server.requestCount();
    std::stop_source early;
    early.request_stop();
    EXPECT_THROW(runTask(summarize(configuration(), early.get_token())), Cancelled);
    EXPECT_EQ(server.requestCount(), before);
}
