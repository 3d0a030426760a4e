#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "services/CloudProvider.h"
#include "services/LegacyKeyRegion.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ModelConfigurationTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    Preferences store{folder.filePath(QStringLiteral("prefs.conf"))};

    void storeJSON(const QByteArray &json) { store.setData(ModelConfiguration::preferencesKey, json); }
};

QString failureOf(const ModelConfiguration &configuration)
{
    try {
        configuration.validate();
    } catch (const AppFailure &failure) {
        return failure.message();
    }
    return {};
}

const QString invalidModels = QStringLiteral("模型配置无效。");
const QString invalidTranscription = QStringLiteral("转写配置无效。");
const QString ollamaAddress = QStringLiteral("Ollama 仅支持本机 HTTP 地址，例如 http://127.0.0.1:11434。");

} // namespace

TEST_F(ModelConfigurationTest, LoadIsLenientPerKeyButRejectsWrongTypesAsAWhole)
{
    const ModelConfiguration defaults;
    EXPECT_EQ(ModelConfiguration::load(store), defaults);
    storeJSON(R"({"asrService":"whisper","ollamaModel":"llama3:8b","future":42})");
    ModelConfiguration expected;
    expected.asrService = QStringLiteral("whisper");
    expected.ollamaModel = QStringLiteral("llama3:8b");
    EXPECT_EQ(ModelConfiguration::load(store), expected);

    for (const char *json : {"{}", R"({"asrService":"whisper","region":7})", "[]"}) {
        storeJSON(json);
        EXPECT_EQ(ModelConfiguration::load(store), defaults) << json;
    }
    store.setString(ModelConfiguration::preferencesKey, QStringLiteral(R"({"asrService":"whisper"})"));
    EXPECT_EQ(ModelConfiguration::load(store), defaults);

    // The engine's threads, spoken language and voice detection: stored when set, typed strictly.
    storeJSON(R"({"localThreads":6,"spokenLanguage":"zh","localVAD":false})");
    expected = defaults;
    expected.localThreads = 6;
    expected.spokenLanguage = QStringLiteral("zh");
    expected.localVAD = false;
    EXPECT_EQ(ModelConfiguration::load(store), expected);
    for (const char *json : {R"({"localThreads":2.5})", R"({"localThreads":-1})", R"({"localThreads":"4"})",
                             R"({"localThreads":257})", R"({"spokenLanguage":7})", R"({"localVAD":"yes"})"}) {
        storeJSON(json);
        EXPECT_EQ(ModelConfiguration::load(store), defaults) << json;
    }
}

TEST_F(ModelConfigurationTest, SaveWritesAllKeysAndPinsThePreviousRegionOnce)
{
    // The earlier version used Singapore: the first save records that, whatever is being saved.
    storeJSON(R"({"region":"singapore"})");
    ModelConfiguration configuration;
    configuration.save(store);
    EXPECT_EQ(store.string(LegacyKeyRegion::preferencesKey), QStringLiteral("singapore"));
    const QJsonObject stored = QJsonDocument::fromJson(*store.data(ModelConfiguration::preferencesKey)).object();
    EXPECT_EQ(stored.keys().size(), 15); // eight of the engines, three of the local engine, four of the custom server
    EXPECT_EQ(ModelConfiguration::load(store), configuration);

    // Later region changes never move the pin.
    configuration.region = QStringLiteral("singapore");
    configuration.save(store);
    configuration.region = QStringLiteral("beijing");
    configuration.save(store);
    EXPECT_EQ(store.string(LegacyKeyRegion::preferencesKey), QStringLiteral("singapore"));
}

TEST_F(ModelConfigurationTest, FailedSaveWritesAndPinsNothing)
{
    storeJSON(R"({"region":"singapore","asrService":"openai"})");
    const QByteArray before = *store.data(ModelConfiguration::preferencesKey);
    ModelConfiguration configuration;
    configuration.summaryService = QStringLiteral("ollama");
    EXPECT_THROW(configuration.save(store), AppFailure);
    EXPECT_EQ(store.data(ModelConfiguration::preferencesKey), before);
    EXPECT_FALSE(store.contains(LegacyKeyRegion::preferencesKey));

    // Undecodable stored data pins Beijing.
    storeJSON("not json");
    ModelConfiguration().save(store);
    EXPECT_EQ(store.string(LegacyKeyRegion::preferencesKey), QStringLiteral("beijing"));
}

TEST_F(ModelConfigurationTest, ValidationRunsItsStepsInOrder)
{
    ModelConfiguration configuration;
    EXPECT_EQ(failureOf(configuration), QString());

    // The region is checked before everything else, case-sensitively.
    ModelConfiguration broken;
    broken.region = QStringLiteral("Beijing");
    broken.asrService = QStringLiteral("nowhere");
    broken.summaryService = QStringLiteral("nowhere");
    EXPECT_EQ(failureOf(broken), invalidModels);

    // Model names: at most 200 UTF-8 bytes, no control characters (checked untrimmed).
    configuration.asrModel = QString(66, QChar(0x4E2D)) + QStringLiteral("ab"); // 198 + 2 bytes
    EXPECT_EQ(failureOf(configuration), QString());
    configuration.asrModel += QStringLiteral("c");
    EXPECT_EQ(failureOf(configuration), invalidModels);
    configuration.asrModel = QStringLiteral("qwen3-asr-flash\n");
    EXPECT_EQ(failureOf(configuration), invalidModels);
    configuration.asrModel = QStringLiteral("qwen3-asr-flash");
    configuration.summaryModel = QStringLiteral("deep\x7Fseek");
    EXPECT_EQ(failureOf(configuration), invalidModels);
    configuration.summaryModel = QStringLiteral("deepseek-flash");

    // Transcription service: DashScope raw values pass, a provider without transcription fails.
    configuration.asrService = QStringLiteral("qwen-singapore");
    EXPECT_EQ(failureOf(configuration), QString());
    configuration.asrService = QStringLiteral("deepseek");
    EXPECT_EQ(failureOf(configuration), invalidTranscription);
    configuration.asrService = QStringLiteral("openai");
    configuration.localASRModel = QStringLiteral("huge");
    EXPECT_EQ(failureOf(configuration), invalidTranscription);
    configuration.localASRModel = QStringLiteral("large-v3-turbo");
    EXPECT_EQ(failureOf(configuration), QString());
    configuration.spokenLanguage = QStringLiteral("klingon");
    EXPECT_EQ(failureOf(configuration), invalidTranscription);
    configuration.spokenLanguage = QStringLiteral("yue");
    EXPECT_EQ(failureOf(configuration), QString());

    configuration.summaryService = QStringLiteral("claude");
    EXPECT_EQ(failureOf(configuration), QStringLiteral("请选择有效的纪要服务。"));
    configuration.summaryService = QStringLiteral("grok");

    // Blank names pass the character check and fail the emptiness checks, even for Whisper.
    configuration.asrService = QStringLiteral("whisper");
    configuration.asrModel.clear();
    EXPECT_EQ(failureOf(configuration), QStringLiteral("转写模型不能为空。"));
    configuration.asrModel = QStringLiteral("whisper-1");
    configuration.summaryModel = QStringLiteral("   ");
    EXPECT_EQ(failureOf(configuration), QStringLiteral("纪要模型不能为空。"));

    // Ollama: only a loopback address, and an installable model name.
    configuration.summaryService = QStringLiteral("ollama");
    configuration.ollamaURL = QStringLiteral("http://192.168.1.20:11434");
    EXPECT_EQ(failureOf(configuration), ollamaAddress);
    configuration.ollamaURL = QStringLiteral(" http://localhost:11434/ ");
    EXPECT_EQ(failureOf(configuration), QStringLiteral("请选择已安装的 Ollama 纪要模型。"));
    configuration.ollamaModel = QStringLiteral("qwen2.5:7b\n");
    EXPECT_EQ(failureOf(configuration), QStringLiteral("请选择已安装的 Ollama 纪要模型。"));
    configuration.ollamaModel = QStringLiteral("qwen2.5:7b");
    EXPECT_EQ(failureOf(configuration), QString());
}

TEST_F(ModelConfigurationTest, OllamaAddressesAreLoopbackHttpOnly)
{
    EXPECT_EQ(OllamaClient::baseURL(QStringLiteral("http://localhost:11434/")),
              QUrl(QStringLiteral("http://127.0.0.1:11434")));
    EXPECT_EQ(OllamaClient::baseURL(QStringLiteral("http://[::1]:8080")).host(), QStringLiteral("::1"));
    for (const char *rejected : {"127.0.0.1:11434", "https://127.0.0.1:11434", "HTTP://127.0.0.1:11434",
                                 "http://127.0.0.1:11434/api", "http://user@127.0.0.1:11434",
                                 "http://127.0.0.1:11434?x=1", "http://127.0.0.1:11434#top", "http://127.0.0.1:0",
                                 "http://127.0.0.1:70000", "http://example.com", ""}) {
        try {
            OllamaClient::baseURL(QString::fromUtf8(rejected));
            ADD_FAILURE() << "accepted " << rejected;
        } catch (const AppFailure &failure) {
            EXPECT_EQ(failure.message(), ollamaAddress) << rejected;
        }
    }
    EXPECT_TRUE(OllamaClient::validModel(QStringLiteral("library/llama3.1:8b-instruct")));
    EXPECT_FALSE(OllamaClient::validModel(QStringLiteral("-llama")));
    EXPECT_FALSE(OllamaClient::validModel(QString(201, QLatin1Char('a'))));
}

TEST_F(ModelConfigurationTest, SelectionTitlesAndTranscriptionAddress)
{
    ModelConfiguration configuration;
    configuration.select(CloudProvider::qwenSingapore, QStringLiteral("qwen3-asr-flash"), false);
    EXPECT_EQ(configuration.asrService, QStringLiteral("qwen"));
    EXPECT_EQ(configuration.region, QStringLiteral("singapore"));
    EXPECT_EQ(configuration.asrTitle(), QStringLiteral("阿里云百炼（新加坡）"));
    EXPECT_EQ(configuration.keyAccount(false), QStringLiteral("qwen-singapore"));
    const QUrl singapore = CloudProvider(CloudProvider::qwenSingapore).baseURL();
    EXPECT_EQ(singapore.path(), QStringLiteral("/compatible-mode/v1"));
    EXPECT_EQ(configuration.asrURL().toString(), singapore.toString() + QStringLiteral("/chat/completions"));

    // A transcription choice never touches the summary fields, and vice versa.
    const ModelConfiguration before = configuration;
    configuration.select(CloudProvider::grok, QStringLiteral("grok-voice-transcribe-1.0"), false);
    EXPECT_EQ(configuration.summaryService, before.summaryService);
    EXPECT_EQ(configuration.region, QStringLiteral("singapore"));
    EXPECT_TRUE(configuration.asrURL().toString().endsWith(QStringLiteral("/v1/stt")));
    configuration.select(CloudProvider::openai, QStringLiteral("gpt-4.1"), true);
    EXPECT_EQ(configuration.asrModel, QStringLiteral("grok-voice-transcribe-1.0"));
    EXPECT_EQ(configuration.summaryTitle(), QStringLiteral("OpenAI"));
    EXPECT_EQ(configuration.keyAccount(true), QStringLiteral("openai"));

    // An overridden base address (a test server) is joined with exactly one slash.
    CloudProvider::setBaseURLOverride(CloudProvider::openai, QUrl(QStringLiteral("http://127.0.0.1:5000/v1/")));
    configuration.asrService = QStringLiteral("openai");
    EXPECT_EQ(configuration.asrURL(), QUrl(QStringLiteral("http://127.0.0.1:5000/v1/audio/transcriptions")));
    CloudProvider::setBaseURLOverride(CloudProvider::openai, std::nullopt);
    EXPECT_EQ(CloudProvider(CloudProvider::openai).baseURL().scheme(), QStringLiteral("https"));

    configuration.asrService = QStringLiteral("whisper");
    EXPECT_EQ(configuration.asrTitle(), QStringLiteral("Whisper"));
    EXPECT_FALSE(configuration.asrProvider().has_value());
    EXPECT_FALSE(configuration.keyAccount(false).has_value());
    EXPECT_EQ(configuration.asrURL(), CloudProvider(CloudProvider::qwenBeijing).requestURL("chat/completions"));
    configuration.asrService = QStringLiteral("mystery");
    EXPECT_EQ(configuration.asrTitle(), QStringLiteral("mystery"));
    configuration.summaryService = QStringLiteral("ollama");
    EXPECT_EQ(configuration.summaryTitle(), QStringLiteral("Ollama"));
    EXPECT_FALSE(configuration.keyAccount(true).has_value());

    EXPECT_FALSE(CloudProvider::available(false).contains(CloudProvider::deepseek));
}
