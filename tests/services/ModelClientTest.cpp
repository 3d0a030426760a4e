#include "services/ModelClient.h"

#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"
#include "support/AudioFixtures.h"
#include "support/FakeProviderServer.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using TestSupport::CannedResponse;
using TestSupport::FakeProviderServer;
using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

const QString kKey = QStringLiteral("sk-test-SECRET-4242");

// One second of a real 16 kHz mono WAV, as the chunk encoder hands it over.
QByteArray realWav()
{
    static const QByteArray wav = ServicesTest::readAll(AudioFixtures::tone(QStringLiteral("wav"), 1, 16000, 1));
    return wav;
}

ModelConfiguration configured(CloudProvider provider, const QString &model, bool forSummary)
{
    ModelConfiguration configuration;
    configuration.select(provider, model, forSummary);
    return configuration;
}

class ModelClientTest : public ::testing::Test {
protected:
    void aim(CloudProvider provider, const FakeProviderServer &server)
    {
        CloudProvider::setBaseURLOverride(provider, QUrl(server.baseURL()));
    }
    void TearDown() override
    {
        for (CloudProvider provider : CloudProvider::allCases())
            CloudProvider::setBaseURLOverride(provider, std::nullopt);
    }

    // The AppFailure the task ends with. The key must never be part of what the person is shown.
    template<typename T>
    AppFailure failureOf(QCoro::Task<T> task)
    {
        const AppFailure failure = ServicesTest::appFailureOf(std::move(task));
        EXPECT_FALSE(failure.description().contains(kKey));
        EXPECT_FALSE(QString::fromUtf8(failure.what()).contains(kKey));
        return failure;
    }

    // A summary of "x" through DeepSeek, whose address the tests aim at the OpenAI fake.
    QCoro::Task<QString> summarizeX(ModelClient &with, std::stop_token stop = {})
    {
        return with.summarize("x", kKey, configured(CloudProvider::deepseek, "deepseek-flash", true), false, {}, stop);
    }

    ModelClient client;
    FakeProviderServer openai{"/v1"};
    FakeProviderServer dashscope{"/compatible-mode/v1"};
};

} // namespace

TEST_F(ModelClientTest, DashScopeTranscriptionCarriesTheAudioInlineAsABase64DataURL)
{
    aim(CloudProvider::qwenSingapore, dashscope);
    dashscope.enqueueCompletion(QStringLiteral("  你好，世界\n"));
    const QByteArray wav = realWav();
    ASSERT_GT(wav.size(), 30000);

    const QString text = runTask(client.transcribe(
        wav, kKey, configured(CloudProvider::qwenSingapore, QStringLiteral("qwen3-asr-flash"), false))).text;
    EXPECT_EQ(text, QStringLiteral("  你好，世界\n")); // exactly as sent, not trimmed

    const auto requests = dashscope.requestsTo("chat/completions");
    ASSERT_EQ(requests.size(), 1u);
    const auto &request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Authorization"), "Bearer " + kKey.toStdString());
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_TRUE(request.query.empty());
    // Compact JSON: nothing between tokens, and the data URL unbroken.
    EXPECT_EQ(request.body.find('\n'), std::string::npos);
    EXPECT_EQ(request.body.find("\": "), std::string::npos);

    const QString dataURL = QStringLiteral("data:audio/wav;base64,") + QString::fromLatin1(wav.toBase64());
    const QJsonObject expected{
        {"model", "qwen3-asr-flash"},
        {"stream", false},
        {"asr_options", QJsonObject{{"enable_itn", true}}},
        {"messages",
         QJsonArray{QJsonObject{{"role", "user"},
                                {"content", QJsonArray{QJsonObject{{"type", "input_audio"},
                                                                   {"input_audio", QJsonObject{{"data", dataURL}}}}}}}}}};
    EXPECT_EQ(request.json(), expected);
}

TEST_F(ModelClientTest, OpenAIAndGrokUploadTheExactMultipartBody)
{
    aim(CloudProvider::openai, openai);
    aim(CloudProvider::grok, openai);
    const QByteArray wav = realWav();
    openai.enqueueTranscript(QStringLiteral(" hello there "));
    openai.enqueueTranscript(QStringLiteral("grok words"), "stt");

    EXPECT_EQ(runTask(client.transcribe(wav, kKey, configured(CloudProvider::openai, QStringLiteral("gpt-4o-transcribe"), false))).text,
              QStringLiteral(" hello there "));
    EXPECT_EQ(runTask(client.transcribe(wav, kKey,
                                        configured(CloudProvider::grok, QStringLiteral("grok-voice-transcribe-2.0"), false))).text,
              QStringLiteral("grok words"));

    const QRegularExpression boundaryForm(QStringLiteral(
        "^multipart/form-data; boundary=(Hushnote-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})$"));
    auto expectUpload = [&](const TestSupport::RecordedRequest &request, const QByteArray &model, bool withFormat) {
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.header("Authorization"), "Bearer " + kKey.toStdString());
        const auto match = boundaryForm.match(QString::fromStdString(request.header("Content-Type")));
        ASSERT_TRUE(match.hasMatch()) << request.header("Content-Type");
        const QByteArray b = match.captured(1).toLatin1();
        QByteArray expected = "--" + b + "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\n" + model + "\r\n";
        if (withFormat)
            expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"response_format\"\r\n\r\njson\r\n";
        expected += "--" + b
            + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"audio.wav\"\r\n"
              "Content-Type: audio/wav\r\n\r\n"
            + wav + "\r\n--" + b + "--\r\n";
        EXPECT_TRUE(request.bodyBytes() == expected) << "the multipart body differs";
    };
    const auto openaiRequests = openai.requestsTo("audio/transcriptions");
    const auto grokRequests = openai.requestsTo("stt");
    ASSERT_EQ(openaiRequests.size(), 1u);
    ASSERT_EQ(grokRequests.size(), 1u);
    expectUpload(openaiRequests[0], "gpt-4o-transcribe", true);
    expectUpload(grokRequests[0], "grok-voice-transcribe-2.0", false);
    EXPECT_NE(openaiRequests[0].header("Content-Type"), grokRequests[0].header("Content-Type"))
        << "each upload needs a fresh boundary";
}

TEST_F(ModelClientTest, WhisperOneAsksForTimedSegments)
{
    aim(CloudProvider::openai, openai);
    // As OpenAI answers verbose_json; a blank or untimed segment is left out.
    const QJsonArray segments{QJsonObject{{"id", 0}, {"start", 0.0}, {"end", 3.5}, {"text", " 第一句。"}},
                              QJsonObject{{"id", 1}, {"start", 3.5}, {"end", 4.0}, {"text", "  "}},
                              QJsonObject{{"id", 2}, {"text", " 没有时间"}},
                              QJsonObject{{"id", 3}, {"start", 4.0}, {"end", 9.25}, {"text", " 第二句。"}}};
    openai.enqueueAnswer("audio/transcriptions",
                         CannedResponse::json(QJsonObject{{"task", "transcribe"}, {"language", "chinese"},
                                                          {"text", "第一句。第二句。"}, {"segments", segments}}));
    const ChunkTranscript transcript =
        runTask(client.transcribe(realWav(), kKey, configured(CloudProvider::openai, "whisper-1", false)));
    EXPECT_EQ(transcript.text, QStringLiteral("第一句。第二句。"));
    EXPECT_EQ(transcript.segments, (std::vector<TimedText>{{0, 3.5, QStringLiteral("第一句。")},
                                                           {4, 9.25, QStringLiteral("第二句。")}}));
    const auto requests = openai.requestsTo("audio/transcriptions");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].bodyBytes().contains("name=\"response_format\"\r\n\r\nverbose_json\r\n"));
}

TEST_F(ModelClientTest, TranscriptionFailuresSaveNothingAsASuccess)
{
    aim(CloudProvider::openai, openai);
    const auto configuration = configured(CloudProvider::openai, "whisper-1", false);
    openai.enqueueAnswer("audio/transcriptions", CannedResponse::json(QJsonObject{{"words", "no text key"}}));
    openai.enqueueAnswer("audio/transcriptions", CannedResponse::raw("not json at all"));
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(failureOf(client.transcribe(realWav(), kKey, configuration)).message(),
                  "模型返回空内容或无效转写，未保存为成功。");
    // A blank text is a chunk without speech, from either kind of service: a transcript, no failure.
    openai.enqueueTranscript(QStringLiteral(" \n\t "));
    EXPECT_TRUE(runTask(client.transcribe(realWav(), kKey, configuration)).storedText().trimmed().isEmpty());
    aim(CloudProvider::qwenBeijing, dashscope);
    dashscope.enqueueCompletion(QStringLiteral(""));
    EXPECT_TRUE(runTask(client.transcribe(realWav(), kKey, configured(CloudProvider::qwenBeijing,
                                                                      QStringLiteral("qwen3-asr-flash"), false)))
                    .text.isEmpty());

    // Services that cannot transcribe are refused before anything is sent.
    ModelConfiguration deepseek = configuration;
    deepseek.asrService = QStringLiteral("deepseek");
    ModelConfiguration local = configuration;
    local.asrService = QStringLiteral("whisper");
    EXPECT_EQ(failureOf(client.transcribe(realWav(), kKey, deepseek)).message(), "转写配置无效。");
    EXPECT_EQ(failureOf(client.transcribe(realWav(), kKey, local)).message(), "转写配置无效。");
    EXPECT_EQ(openai.requestCount(), 3u);
}

TEST_F(ModelClientTest, SummaryRequestsCarryThePromptAndEachProvidersSwitches)
{
    aim(CloudProvider::deepseek, openai);
    aim(CloudProvider::qwenBeijing, dashscope);
    aim(CloudProvider::openai, openai);
    SummaryPreferences preferences;
    preferences.templateID = QStringLiteral("interview");
    openai.enqueueCompletion(QStringLiteral("## 纪要\n内容"));
    dashscope.enqueueCompletion(QStringLiteral("merged"));
    openai.enqueueCompletion(QStringLiteral("plain"), std::nullopt); // no finish_reason counts as complete

    EXPECT_EQ(runTask(client.summarize("[00:01] 甲：开始", kKey, configured(CloudProvider::deepseek, "deepseek-flash", true),
                                       false, preferences)),
              QStringLiteral("## 纪要\n内容"));
    EXPECT_EQ(runTask(client.summarize("notes", kKey, configured(CloudProvider::qwenBeijing, "qwen-plus", true), true,
                                       preferences)),
              QStringLiteral("merged"));
    EXPECT_EQ(runTask(client.summarize("notes", kKey, configured(CloudProvider::openai, "gpt-4.1", true), false,
                                       preferences)),
              QStringLiteral("plain"));

    auto expectedBody = [&](const QString &model, const QString &text, bool merging) {
        return QJsonObject{{"model", model},
                           {"stream", false},
                           {"max_tokens", 6000},
                           {"messages", QJsonArray{QJsonObject{{"role", "system"}, {"content", preferences.prompt(merging)}},
                                                   QJsonObject{{"role", "user"}, {"content", text}}}}};
    };
    const auto cloud = openai.requestsTo("chat/completions");
    ASSERT_EQ(cloud.size(), 2u);
    QJsonObject deepseekBody = expectedBody("deepseek-flash", "[00:01] 甲：开始", false);
    deepseekBody.insert("thinking", QJsonObject{{"type", "disabled"}});
    EXPECT_EQ(cloud[0].json(), deepseekBody);
    EXPECT_EQ(cloud[1].json(), expectedBody("gpt-4.1", "notes", false));
    EXPECT_EQ(cloud[0].header("Authorization"), "Bearer " + kKey.toStdString());
    const auto qwen = dashscope.requestsTo("chat/completions");
    ASSERT_EQ(qwen.size(), 1u);
    QJsonObject qwenBody = expectedBody("qwen-plus", "notes", true);
    qwenBody.insert("enable_thinking", false);
    EXPECT_EQ(qwen[0].json(), qwenBody);

    ModelConfiguration unknown;
    unknown.summaryService = QStringLiteral("ollama");
    EXPECT_EQ(failureOf(client.summarize("x", kKey, unknown, false, preferences)).message(), "请选择有效的纪要服务。");
    EXPECT_EQ(openai.requestCount() + dashscope.requestCount(), 3u);
}

TEST_F(ModelClientTest, EveryStatusFailsWithItsMessageAndAnUntranslatedSuffix)
{
    aim(CloudProvider::deepseek, openai);
    const std::pair<int, const char *> table[] = {
        {400, "模型或参数不受支持"}, {401, "API Key 无效，请检查供应商和地域"}, {402, "模型账户余额不足"},
        {403, "没有模型调用权限"},   {404, "模型或接口不存在"},                 {429, "请求限流，请稍后继续"},
        {500, "模型服务请求失败"},   {503, "模型服务请求失败"},
    };
    for (const auto &[status, message] : table) {
        openai.enqueueAnswer("chat/completions",
                             CannedResponse::json(FakeProviderServer::completion("would be fine"), status));
        const AppFailure failure = failureOf(summarizeX(client));
        EXPECT_EQ(failure.message(), QString::fromUtf8(message)) << status;
        EXPECT_EQ(failure.description(), QString::fromUtf8(message) + QStringLiteral(" (HTTP %1)").arg(status));
    }

    // A redirect is an answer, not a detour: it fails and its target is never asked.
    FakeProviderServer elsewhere;
    elsewhere.setStandingAnswer("chat/completions", CannedResponse::json(FakeProviderServer::completion("moved")));
    openai.enqueueAnswer("chat/completions", CannedResponse::redirect(301, elsewhere.baseURL().toStdString() + "/chat/completions"));
    const AppFailure redirect = failureOf(summarizeX(client));
    EXPECT_EQ(redirect.description(), QStringLiteral("模型服务请求失败 (HTTP 301)"));
    EXPECT_EQ(elsewhere.requestCount(), 0u);
}

TEST_F(ModelClientTest, CompletionContentIsCheckedBeforeItCounts)
{
    aim(CloudProvider::deepseek, openai);

    openai.enqueueCompletion(QStringLiteral("cut off"), QStringLiteral("length"));
    EXPECT_EQ(failureOf(summarizeX(client)).message(), "模型未完整返回内容，原有结果已保留。");
    openai.enqueueAnswer("chat/completions", CannedResponse::json(QJsonObject{{"choices", QJsonArray{}}}));
    EXPECT_EQ(failureOf(summarizeX(client)).message(), "模型未完整返回内容，原有结果已保留。");
    openai.enqueueCompletion(QStringLiteral("\n\n\n"));
    EXPECT_EQ(failureOf(summarizeX(client)).message(), "模型返回空内容，未覆盖原有结果。");
    openai.enqueueAnswer("chat/completions", CannedResponse::json(QJsonArray{FakeProviderServer::completion("a")}));
    EXPECT_EQ(failureOf(summarizeX(client)).message(), "模型返回格式无法识别，未保存为成功。");
    openai.enqueueAnswer("chat/completions", CannedResponse::raw(R"({"choices":[{"message":{"content":7}}]})"));
    EXPECT_EQ(failureOf(summarizeX(client)).message(), "模型返回格式无法识别，未保存为成功。");

    // The 2 MiB limit counts the body's bytes: exactly 2,097,152 is read, one more is refused.
    const std::string frame = R"({"choices":[{"message":{"content":"")" R"(}}]})";
    std::string exact = frame;
    exact.insert(frame.find("\"\"") + 1, std::string(2'097'152 - frame.size(), 'a'));
    ASSERT_EQ(exact.size(), 2'097'152u);
    std::string over = exact;
    over.insert(over.find("\"}}"), "a");
    openai.enqueueAnswer("chat/completions", CannedResponse::raw(exact));
    EXPECT_EQ(runTask(summarizeX(client)).size(), qsizetype(2'097'152 - frame.size()));
    openai.enqueueAnswer("chat/completions", CannedResponse::raw(over));
    EXPECT_EQ(failureOf(summarizeX(client)).message(), "模型返回内容过长，原有结果已保留。");
}

TEST_F(ModelClientTest, CheckingAKeyListsTheModels)
{
    aim(CloudProvider::openai, openai);
    openai.enqueueModels({"gpt-4.1-mini", "gpt-4.1"});
    openai.enqueueModels({"gpt-4.1-mini"});
    openai.enqueueAnswer("models", CannedResponse::json(QJsonObject{{"data", QJsonArray{QJsonObject{{"name", "x"}}}}}));
    openai.enqueueAnswer("models", CannedResponse::raw("{}", 401));

    const QString spaced = QStringLiteral(" ") + kKey;
    EXPECT_TRUE(runTask(client.checkAPI(CloudProvider::openai, "gpt-4.1", spaced)));
    EXPECT_FALSE(runTask(client.checkAPI(CloudProvider::openai, "GPT-4.1", kKey))); // listed ids match exactly
    EXPECT_EQ(failureOf(client.checkAPI(CloudProvider::openai, "gpt-4.1", kKey)).message(), "模型列表格式无法识别。");
    EXPECT_EQ(failureOf(client.checkAPI(CloudProvider::openai, "gpt-4.1", kKey)).message(),
              "API Key 无效，请检查供应商和地域");

    const auto requests = openai.requestsTo("models");
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer " + spaced.toStdString()); // sent as entered
    EXPECT_FALSE(requests[0].hasHeader("Content-Type"));
    EXPECT_TRUE(requests[0].body.empty());

    EXPECT_EQ(failureOf(client.checkAPI(CloudProvider::openai, "gpt-4.1", QStringLiteral("  \n"))).message(),
              "请填写 API Key。");
    // A line break inside a key must not smuggle headers into the request.
    const QString smuggling = kKey + QStringLiteral("\r\nX-Injected: 1");
    EXPECT_EQ(failureOf(client.checkAPI(CloudProvider::openai, "gpt-4.1", smuggling)).message(),
              "API Key 包含无效字符，请重新填写。");
    EXPECT_EQ(openai.requestCount(), 4u);
}

TEST_F(ModelClientTest, TransportFailuresPassThroughAndAStopLeavesNothingRunning)
{
    aim(CloudProvider::deepseek, openai);
    HttpSessionConfiguration quick;
    quick.idleTimeout = 300ms;
    ModelClient impatient(std::make_shared<HttpSession>(quick));

    auto transportFailure = [&](const CannedResponse &answer) -> std::optional<HttpTransportError> {
        openai.enqueueAnswer("chat/completions", answer);
        try {
            runTask(summarizeX(impatient));
        } catch (const HttpTransportError &error) {
            EXPECT_FALSE(error.description().contains(kKey));
            return error;
        }
        return std::nullopt;
    };
    const auto silent = transportFailure(CannedResponse::neverAnswer());
    ASSERT_TRUE(silent) << "a silent service did not time out";
    EXPECT_TRUE(silent->timedOut());
    const std::string body = QJsonDocument(FakeProviderServer::completion("abc")).toJson().toStdString();
    const auto cut = transportFailure(CannedResponse::closeMidBody(body, body.size() / 2));
    ASSERT_TRUE(cut) << "a body cut short was accepted";
    EXPECT_FALSE(cut->timedOut());

    // A stop in the middle of a request ends it with a cancellation, not a result or a failure.
    openai.enqueueAnswer("chat/completions", CannedResponse::neverAnswer());
    std::stop_source stop;
    auto task = summarizeX(client, stop.get_token());
    ASSERT_TRUE(waitUntil([&] { return openai.requestCount() == 3; }));
    stop.request_stop();
    EXPECT_THROW(runTask(std::move(task)), Cancelled);
    // A later request on the same client works normally.
    openai.enqueueCompletion(QStringLiteral("after"));
    EXPECT_EQ(runTask(summarizeX(client)), QStringLiteral("after"));
    for (const auto &request : openai.requests())
        EXPECT_EQ(request.query.find(kKey.toStdString()), std::string::npos);
}
