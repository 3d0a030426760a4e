#include "services/CustomServer.h"

#include "processing/CloudConsent.h"
#include "processing/JobEngines.h"
#include "services/SummaryPreferences.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/SystemConfiguration.h"
#include "processing/JobFixture.h"
#include "support/AudioFixtures.h"
#include "support/FakeProviderServer.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using TestSupport::CannedResponse;
using TestSupport::FakeProviderServer;
using TestSupport::runTask;

namespace {

const QString kKey = QStringLiteral("sk-own-SECRET-77");

QByteArray realWav()
{
    static const QByteArray wav = ServicesTest::readAll(AudioFixtures::tone(QStringLiteral("wav"), 1, 16000, 1));
    return wav;
}

QString failureMessage(const std::function<void()> &action)
{
    try {
        action();
    } catch (const AppFailure &failure) {
        return failure.message();
    }
    return QStringLiteral("(no failure)");
}

// A server under a deeper base path than the clouds use, as a reverse proxy would put it.
class CustomServerTest : public ::testing::Test {
protected:
    ModelConfiguration custom(bool summary) const
    {
        ModelConfiguration configuration;
        if (summary) {
            configuration.summaryService = CustomServer::service;
            configuration.customSummaryURL = server.baseURL();
            configuration.customSummaryModel = QStringLiteral("qwen2.5:14b");
        } else {
            configuration.asrService = CustomServer::service;
            configuration.customASRURL = server.baseURL();
            configuration.customASRModel = QStringLiteral("Systran/faster-whisper-large-v3");
        }
        return configuration;
    }

    // The text fields of a multipart upload, in order, up to the file part.
    static QList<QPair<QString, QString>> formFields(const TestSupport::RecordedRequest &request)
    {
        const QByteArray type = QByteArray::fromStdString(request.header("Content-Type"));
        const QByteArray boundary = type.mid(type.indexOf("boundary=") + 9);
        QList<QPair<QString, QString>> fields;
        const QByteArray body = request.bodyBytes();
        const QByteArray marker = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"";
        qsizetype at = 0;
        while ((at = body.indexOf(marker, at)) >= 0) {
            at += marker.size();
            const qsizetype nameEnd = body.indexOf('"', at);
            const QString name = QString::fromUtf8(body.mid(at, nameEnd - at));
            if (name == QLatin1String("file"))
                break;
            const qsizetype valueStart = body.indexOf("\r\n\r\n", nameEnd) + 4;
            const qsizetype valueEnd = body.indexOf("\r\n", valueStart);
            fields.append({name, QString::fromUtf8(body.mid(valueStart, valueEnd - valueStart))});
            at = valueEnd;
        }
        return fields;
    }

    ModelClient client;
    FakeProviderServer server{"/gpu-box/v1"};
};

using Fields = QList<QPair<QString, QString>>;

} // namespace

TEST(CustomServerAddress, HttpsAnywhereHttpOnlyToThisComputerOrAPrivateNetwork)
{
    for (const char *accepted : {"https://asr.example.org/v1", "http://127.0.0.1:8000/v1", "http://localhost:8080",
                                 "http://[::1]:9000/v1", "http://192.168.1.20:8000/v1", "http://10.0.0.5/v1",
                                 "http://172.31.255.1/v1", "http://[fd12::5]:8000/v1"})
        EXPECT_NO_THROW(CustomServer::baseURL(QString::fromLatin1(accepted))) << accepted;

    const QString plain = QStringLiteral("自定义服务器需要 https:// 地址；http:// 只能用于本机或局域网 IP 地址。");
    // A host name is never taken for a private address: it could resolve anywhere.
    for (const char *refused : {"http://asr.example.org/v1", "http://8.8.8.8/v1", "http://172.32.0.1/v1",
                                "http://gpu-box.local/v1", "http://[2001:db8::1]/v1"})
        EXPECT_EQ(failureMessage([&] { CustomServer::baseURL(QString::fromLatin1(refused)); }), plain) << refused;

    const QString invalid = QStringLiteral("自定义服务器地址无效。");
    for (const char *refused : {"", " https://a.example/v1", "ftp://10.0.0.1/v1", "https://user:pw@a.example/v1",
                                "https://a.example/v1?x=1", "https://a.example/v1#top", "https:///v1", "127.0.0.1:8000"})
        EXPECT_EQ(failureMessage([&] { CustomServer::baseURL(QString::fromLatin1(refused)); }), invalid) << refused;
}

TEST(CustomServerAddress, AKeyNeverTravelsInTheClearToAnotherMachine)
{
    const QString refused = QStringLiteral("API Key 只能通过 https:// 或本机地址发送。");
    EXPECT_EQ(failureMessage([] { CustomServer::checkKeyTransport(QUrl("http://192.168.1.20:8000/v1"), kKey); }),
              refused);
    EXPECT_NO_THROW(CustomServer::checkKeyTransport(QUrl("http://192.168.1.20:8000/v1"), QString()));
    EXPECT_NO_THROW(CustomServer::checkKeyTransport(QUrl("http://127.0.0.1:8000/v1"), kKey));
    EXPECT_NO_THROW(CustomServer::checkKeyTransport(QUrl("https://asr.example.org/v1"), kKey));

    // Through the client: refused before any connection is tried (nothing listens there).
    ModelClient client;
    ModelConfiguration configuration;
    configuration.asrService = CustomServer::service;
    configuration.customASRURL = QStringLiteral("http://10.255.255.1:9/v1");
    configuration.customASRModel = QStringLiteral("whisper");
    EXPECT_EQ(ServicesTest::appFailureOf(client.transcribe(realWav(), kKey, configuration)).message(), refused);
    EXPECT_EQ(ServicesTest::appFailureOf(client.listModels(configuration.customASRURL, kKey)).message(), refused);
}

TEST_F(CustomServerTest, TranscriptionAsksForTimedSegmentsWithoutAKey)
{
    const QJsonArray segments{QJsonObject{{"id", 0}, {"start", 0.0}, {"end", 2.5}, {"text", " 早上好。"}},
                              QJsonObject{{"id", 1}, {"start", 2.5}, {"end", 5.0}, {"text", " 开会了。"}}};
    server.enqueueAnswer("audio/transcriptions",
                         CannedResponse::json(QJsonObject{{"text", "早上好。开会了。"}, {"segments", segments}}));
    const ChunkTranscript transcript = runTask(client.transcribe(realWav(), QString(), custom(false)));
    EXPECT_EQ(transcript.text, QStringLiteral("早上好。开会了。"));
    EXPECT_EQ(transcript.segments, (std::vector<TimedText>{{0, 2.5, QStringLiteral("早上好。")},
                                                           {2.5, 5.0, QStringLiteral("开会了。")}}));

    const auto requests = server.requestsTo("audio/transcriptions");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/gpu-box/v1/audio/transcriptions");
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_EQ(formFields(requests[0]), (Fields{{"model", "Systran/faster-whisper-large-v3"},
                                               {"response_format", "verbose_json"},
                                               {"timestamp_granularities[]", "segment"}}));
    EXPECT_TRUE(requests[0].bodyBytes().contains(realWav()));

    // A language the person chose (or the one found in an earlier chunk) goes with the upload.
    server.enqueueTranscript(QStringLiteral("好"));
    ModelConfiguration chinese = custom(false);
    chinese.spokenLanguage = QStringLiteral("zh");
    runTask(client.transcribe(realWav(), QString(), chinese));
    EXPECT_TRUE(formFields(server.requestsTo("audio/transcriptions").at(1))
                    .contains(qMakePair(QStringLiteral("language"), QStringLiteral("zh"))));
}

TEST_F(CustomServerTest, AServerThatRefusesTheVerboseAnswerIsAskedMorePlainly)
{
    // json only
    server.enqueueAnswer("audio/transcriptions", CannedResponse::raw(R"({"error":"response_format"})", 400));
    server.enqueueTranscript(QStringLiteral("只有文字"));
    // text only, answered as text/plain
    server.enqueueAnswer("audio/transcriptions", CannedResponse::raw("{}", 422));
    server.enqueueAnswer("audio/transcriptions", CannedResponse::raw("{}", 400));
    server.enqueueAnswer("audio/transcriptions", CannedResponse::raw(" plain words\n", 200, "text/plain"));
    // refuses everything: the last refusal is the failure
    for (int i = 0; i < 3; ++i)
        server.enqueueAnswer("audio/transcriptions", CannedResponse::raw("{}", 400));
    // a status that is not a refusal fails at once
    server.enqueueAnswer("audio/transcriptions", CannedResponse::raw("{}", 401));

    const ChunkTranscript json = runTask(client.transcribe(realWav(), kKey, custom(false)));
    EXPECT_EQ(json.text, QStringLiteral("只有文字"));
    EXPECT_TRUE(json.segments.empty());
    EXPECT_EQ(runTask(client.transcribe(realWav(), kKey, custom(false))).text, QStringLiteral(" plain words\n"));
    const AppFailure refused = ServicesTest::appFailureOf(client.transcribe(realWav(), kKey, custom(false)));
    EXPECT_EQ(refused.message(), QStringLiteral("模型或参数不受支持"));
    EXPECT_EQ(ServicesTest::appFailureOf(client.transcribe(realWav(), kKey, custom(false))).message(),
              QStringLiteral("API Key 无效，请检查供应商和地域"));

    const auto requests = server.requestsTo("audio/transcriptions");
    ASSERT_EQ(requests.size(), 9u);
    const QStringList expectedFormats{"verbose_json", "json", "verbose_json", "json", "text",
                                      "verbose_json", "json", "text", "verbose_json"};
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(formFields(requests[i]).value(1).second, expectedFormats[int(i)]) << i;
        // On loopback a key may travel over plain http.
        EXPECT_EQ(requests[i].header("Authorization"), "Bearer " + kKey.toStdString());
    }
    EXPECT_EQ(formFields(requests[1]).size(), 2) << "only the verbose answer asks for segment times";
}

TEST_F(CustomServerTest, SummariesAndTheModelListGoUnderTheBaseAddress)
{
    server.enqueueCompletion(QStringLiteral("## 纪要"));
    SummaryPreferences preferences;
    EXPECT_EQ(runTask(client.summarize(QStringLiteral("逐字稿"), QString(), custom(true), false, preferences)),
              QStringLiteral("## 纪要"));
    const auto completions = server.requestsTo("chat/completions");
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].path, "/gpu-box/v1/chat/completions");
    EXPECT_FALSE(completions[0].hasHeader("Authorization"));
    const QJsonObject body = completions[0].json();
    EXPECT_EQ(body.value("model").toString(), QStringLiteral("qwen2.5:14b"));
    EXPECT_EQ(body.value("messages").toArray().at(1).toObject().value("content").toString(), QStringLiteral("逐字稿"));
    EXPECT_FALSE(body.contains("thinking") || body.contains("enable_thinking")) << "no provider's own switches";

    server.enqueueModels({"whisper-large-v3", "qwen2.5:14b"});
    EXPECT_EQ(runTask(client.listModels(server.baseURL(), QString())),
              (QStringList{"whisper-large-v3", "qwen2.5:14b"}));
    server.enqueueAnswer("models", CannedResponse::raw("[]"));
    EXPECT_EQ(ServicesTest::appFailureOf(client.listModels(server.baseURL() + "/", QString())).message(),
              QStringLiteral("模型列表格式无法识别。"));
    const auto listings = server.requestsTo("models");
    ASSERT_EQ(listings.size(), 2u);
    EXPECT_EQ(listings[0].method, "GET");
    EXPECT_FALSE(listings[0].hasHeader("Authorization"));
}

TEST(CustomServerConsent, NamesTheHostAndAsksNothingForThisComputer)
{
    ModelConfiguration configuration;
    configuration.asrService = CustomServer::service;
    configuration.customASRURL = QStringLiteral("http://127.0.0.1:8000/v1");
    configuration.summaryService = CustomServer::service;
    configuration.customSummaryURL = QStringLiteral("https://llm.team.example:8443/v1");
    EXPECT_FALSE(JobEngines::consentTarget(configuration, false));
    configuration.customASRURL = QStringLiteral("http://localhost:8000/v1");
    EXPECT_FALSE(JobEngines::consentTarget(configuration, false));

    const std::optional<ConsentTarget> target = JobEngines::consentTarget(configuration, true);
    ASSERT_TRUE(target);
    const CloudConsentDialog dialog = CloudConsent::dialog(*target, true);
    EXPECT_TRUE(dialog.informativeText.startsWith(QStringLiteral("自定义服务器\nllm.team.example\n\n")))
        << dialog.informativeText.toStdString();
    EXPECT_TRUE(dialog.informativeText.contains(QStringLiteral("数据将发送到这台服务器")));
    EXPECT_FALSE(dialog.informativeText.contains(QStringLiteral("费用由供应商收取")));
}

TEST(CustomServerConfiguration, ValidatedStoredAndCarriedByTheConfigurationFile)
{
    ModelConfiguration configuration;
    configuration.asrService = CustomServer::service;
    configuration.customASRURL = QStringLiteral("http://192.168.0.9:8000/v1");
    EXPECT_EQ(failureMessage([&] { configuration.validate(); }), QStringLiteral("请填写自定义服务器的模型名称。"));
    configuration.customASRModel = QStringLiteral("large-v3");
    EXPECT_NO_THROW(configuration.validate());
    configuration.customASRModel = QStringLiteral("large-v3\n");
    EXPECT_EQ(failureMessage([&] { configuration.validate(); }), QStringLiteral("模型配置无效。"));
    configuration.customASRModel = QStringLiteral("large-v3");
    // An address set for a role not in use is still checked.
    configuration.customSummaryURL = QStringLiteral("http://llm.example.org/v1");
    EXPECT_EQ(failureMessage([&] { configuration.validate(); }),
              QStringLiteral("自定义服务器需要 https:// 地址；http:// 只能用于本机或局域网 IP 地址。"));
    configuration.customSummaryURL.clear();
    configuration.summaryService = CustomServer::service;
    EXPECT_EQ(failureMessage([&] { configuration.validate(); }), QStringLiteral("自定义服务器地址无效。"));
    configuration.customSummaryURL = QStringLiteral("https://llm.example.org/v1");
    configuration.customSummaryModel = QStringLiteral("llama3.1:70b");
    EXPECT_NO_THROW(configuration.validate());
    EXPECT_EQ(configuration.keyAccount(false), QStringLiteral("custom-asr"));
    EXPECT_EQ(configuration.keyAccount(true), QStringLiteral("custom-summary"));
    EXPECT_EQ(ModelConfiguration::decode(configuration.encoded()), configuration);

    // The document: an export carries the four keys; an older document without them still applies;
    // a non-string value or a key smuggled in is refused; a key never appears.
    SystemConfiguration system;
    system.models = configuration;
    const QString exported = system.editingJSON();
    EXPECT_EQ(SystemConfiguration::parse(exported).models, configuration);
    QJsonObject root = QJsonDocument::fromJson(exported.toUtf8()).object();
    QJsonObject models = root.value("models").toObject();
    for (const char *key : {"customASRURL", "customASRModel", "customSummaryURL", "customSummaryModel"})
        EXPECT_TRUE(models.contains(QLatin1String(key))) << key;
    EXPECT_FALSE(exported.contains(QStringLiteral("apiKey")));

    auto withModels = [&](const QJsonObject &changed) {
        QJsonObject copy = root;
        copy.insert("models", changed);
        return QString::fromUtf8(QJsonDocument(copy).toJson());
    };
    QJsonObject older = models;
    for (const char *key : {"customASRURL", "customASRModel", "customSummaryURL", "customSummaryModel"})
        older.remove(QLatin1String(key));
    older.insert("asrService", "whisper");
    older.insert("summaryService", "ollama");
    older.insert("ollamaModel", "qwen3:8b");
    const ModelConfiguration fromOlder = SystemConfiguration::parse(withModels(older)).models;
    EXPECT_TRUE(fromOlder.customASRURL.isEmpty() && fromOlder.customSummaryModel.isEmpty());

    QJsonObject wrongType = models;
    wrongType.insert("customASRURL", 8000);
    EXPECT_THROW(SystemConfiguration::parse(withModels(wrongType)), SystemError);
    QJsonObject withKey = models;
    withKey.insert("customASRKey", kKey);
    EXPECT_EQ(failureMessage([&] { SystemConfiguration::parse(withModels(withKey)); }),
              QStringLiteral("配置包含未知字段或缺少必要字段。"));
}

TEST(CustomServerJob, ALoopbackServerTranscribesWithoutConsentAndStoresItsSegmentTimes)
{
    FakeProviderServer server{"/v1"};
    JobTest::Fixture f;
    f.prompts.cloudAnswer = false; // any question would stop the job
    f.configuration.asrService = CustomServer::service;
    f.configuration.customASRURL = server.baseURL();
    f.configuration.customASRModel = QStringLiteral("large-v3");
    for (int chunk = 0; chunk < 2; ++chunk) {
        const QJsonArray segments{QJsonObject{{"start", 1.0}, {"end", 4.0}, {"text", "第一句"}},
                                  QJsonObject{{"start", 4.0}, {"end", 7.5}, {"text", "第二句"}}};
        server.enqueueAnswer("audio/transcriptions",
                             CannedResponse::json(QJsonObject{{"text", "第一句第二句"}, {"segments", segments}}));
    }
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 70, 16000, 1));
    f.runJob(false);

    EXPECT_EQ(f.prompts.cloudAsked, 0);
    EXPECT_EQ(f.keyRequests, QStringList{QStringLiteral("custom-asr")});
    EXPECT_EQ(f.workspace->error(), std::nullopt);
    const Recording stored = f.onDisk(note.id);
    EXPECT_EQ(stored.completedChunks, 2);
    ASSERT_EQ(stored.segments.size(), 4u);
    EXPECT_EQ(stored.segments[2].start, 61);
    EXPECT_EQ(stored.segments[3].end, 67.5);
    EXPECT_EQ(stored.segments[3].text, QStringLiteral("第二句"));
    EXPECT_EQ(server.requestsTo("audio/transcriptions").size(), 2u);
}

TEST(CustomServerJob, AnotherMachineIsAskedAboutByName)
{
    JobTest::Fixture f;
    f.prompts.cloudAnswer = false;
    f.configuration.asrService = CustomServer::service;
    f.configuration.customASRURL = QStringLiteral("http://192.168.7.7:8000/v1");
    f.configuration.customASRModel = QStringLiteral("large-v3");
    const Recording note = f.importNote(AudioFixtures::tone(QStringLiteral("wav"), 3, 16000, 1));
    f.workspace->startJob(false, SummaryPreferences());
    EXPECT_TRUE(TestSupport::waitUntil([&] { return f.prompts.cloudAsked == 1 && !f.workspace->jobID(); }));
    EXPECT_TRUE(f.prompts.cloudInformative.contains(QStringLiteral("192.168.7.7")));
    EXPECT_EQ(f.onDisk(note.id).completedChunks.value_or(0), 0);
}
