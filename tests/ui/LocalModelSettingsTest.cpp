#include "CloudModelCard.h"
#include "OllamaSettings.h"
#include "WhisperSettings.h"
#include "platform/AppEvents.h"
#include "platform/Preferences.h"
#include "services/KeyVault.h"
#include "services/ModelConfiguration.h"
#include "services/WhisperDownloadState.h"
#include "services/LocalTranscriber.h"
#include "services/WhisperModels.h"
#include "support/FakeOllamaServer.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The "本地模型" section: switching to a verified Whisper model, and the Ollama part against a fake
// local server.
namespace {

class LocalModelSettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Preferences preferences{dir.path() + QStringLiteral("/Hushnote.conf")};
};

TEST_F(LocalModelSettingsTest, UsingAWhisperModelNeedsItsVerifiedFile)
{
    const QByteArray body = QByteArrayLiteral("a small model");
    const WhisperModel tiny{QStringLiteral("tiny"), QStringLiteral("Tiny"), body.size(),
                            QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex())};
    const WhisperModel small{QStringLiteral("small"), QStringLiteral("Small"), 3, QString(64, QLatin1Char('0'))};
    WhisperModels models(dir.path() + QStringLiteral("/models"), {tiny, small});
    WhisperDownloadState downloads(models, [&] { return ModelConfiguration::load(preferences).localASRModel; });
    WhisperSettings settings(downloads, models, preferences, dir.path() + QStringLiteral("/no-whisper-cli"));
    EXPECT_EQ(settings.engineStatus(), QStringLiteral("转写引擎缺失，请重新安装 Hushnote"));
    EXPECT_EQ(settings.modelNames(), (QStringList{"Tiny · 13 bytes", "Small · 3 bytes"}));
    settings.setModelIndex(0);

    settings.useSelected();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return settings.failed(); }));
    EXPECT_EQ(ModelConfiguration::load(preferences), ModelConfiguration());

    QDir().mkpath(models.root());
    ServicesTest::writeFile(models.installedFile(tiny), body);
    settings.useSelected();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !settings.failed(); }));
    EXPECT_EQ(settings.message(), QStringLiteral("已切换为本地转写，音频不上传。"));
    const ModelConfiguration saved = ModelConfiguration::load(preferences);
    EXPECT_EQ(saved.asrService, QStringLiteral("whisper"));
    EXPECT_EQ(saved.localASRModel, QStringLiteral("tiny"));
    EXPECT_TRUE(settings.inUse());
    EXPECT_EQ(settings.currentModel(), QStringLiteral("Tiny"));

    // An applied configuration file selects its model and clears the part's own message.
    settings.setModelIndex(1);
    Q_EMIT AppEvents::instance().configurationApplied();
    EXPECT_EQ(settings.modelIndex(), 0);
    EXPECT_TRUE(settings.message().isEmpty());

    // The download state's outcome is drawn as it is: a failed check in the failure colour, a
    // passing one not.
    settings.setModelIndex(1);
    settings.checkModel();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !downloads.busy(); }));
    EXPECT_FALSE(settings.message().isEmpty());
    EXPECT_TRUE(settings.failed()) << settings.message().toStdString();
    settings.setModelIndex(0);
    settings.checkModel();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !downloads.busy(); }));
    EXPECT_EQ(settings.message(), QStringLiteral("模型已就绪。"));
    EXPECT_FALSE(settings.failed());
}

TEST_F(LocalModelSettingsTest, LanguageAndThreadsAreSavedAndAFileTheEngineCannotLoadIsRefused)
{
    WhisperModels models(dir.path() + QStringLiteral("/models"), WhisperModels::builtInCatalogue());
    WhisperDownloadState downloads(models, [&] { return ModelConfiguration::load(preferences).localASRModel; });
    WhisperSettings settings(downloads, models, preferences, dir.path() + QStringLiteral("/no-whisper-cli"));
    EXPECT_EQ(settings.languageIndex(), 0);
    EXPECT_EQ(settings.languageNames().first(), QStringLiteral("自动检测"));
    settings.setLanguageIndex(int(settings.languageNames().indexOf(QStringLiteral("日本語"))));
    EXPECT_EQ(ModelConfiguration::load(preferences).spokenLanguage, QStringLiteral("ja"));
    EXPECT_EQ(settings.threadChoices().first(),
              QStringLiteral("自动（%1 核）").arg(LocalTranscriber::defaultThreads()));
    settings.setThreadIndex(3);
    EXPECT_EQ(ModelConfiguration::load(preferences).localThreads, 3);
    EXPECT_EQ(settings.threadIndex(), 3);
    settings.setVoiceDetection(false);
    EXPECT_FALSE(ModelConfiguration::load(preferences).localVAD);
    // The purpose of each catalogue model is part of its entry in the picker.
    EXPECT_TRUE(settings.modelNames().contains(QStringLiteral("Whisper Large v3 Turbo · 1.6 GB — 很准确，比 Large v3 快得多；中文推荐")));

    // Without a helper to load it, a file is refused and nothing is kept.
    const QString file = dir.path() + QStringLiteral("/ggml-mine.bin");
    ServicesTest::writeFile(file, QByteArrayLiteral("not a model"));
    settings.addModelFile(QUrl::fromLocalFile(file));
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !settings.busy(); }));
    EXPECT_TRUE(settings.failed());
    EXPECT_EQ(settings.message(), QStringLiteral("转写引擎缺失，请重新安装 Hushnote。"));
    EXPECT_TRUE(models.added().isEmpty());
    EXPECT_EQ(QDir(models.root()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST_F(LocalModelSettingsTest, OllamaListsTheServersModelsAndKeepsTheConfiguredOne)
{
    TestSupport::FakeOllamaServer server;
    server.setInstalledModels({QStringLiteral("llama3:8b"), QStringLiteral("qwen3:8b")});
    ModelConfiguration stored;
    stored.ollamaURL = server.baseURL();
    stored.ollamaModel = QStringLiteral("gone:1b");
    preferences.setData(ModelConfiguration::preferencesKey, stored.encoded());
    OllamaSettings settings(preferences);
    EXPECT_FALSE(settings.inUse());
    KeyVault vault(QStringLiteral("hushnote-test-ollama"), KeyVault::programIdentifier, &preferences);
    CloudModelCard summaryCard(true, vault, preferences);
    EXPECT_TRUE(summaryCard.inUse());
    EXPECT_EQ(settings.modelLabels(), QStringList{QStringLiteral("gone:1b · 待检测")});

    settings.refresh();
    EXPECT_TRUE(settings.checking());
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !settings.checking(); }));
    EXPECT_EQ(settings.message(), QStringLiteral("已连接，检测到 2 个本地模型。"));
    EXPECT_EQ(settings.modelLabels(), (QStringList{"llama3:8b", "qwen3:8b", "gone:1b · 待检测"}));
    EXPECT_EQ(settings.modelIndex(), 2);

    settings.setModelIndex(0);
    settings.save();
    EXPECT_EQ(settings.message(), QStringLiteral("已保存。"));
    const ModelConfiguration saved = ModelConfiguration::load(preferences);
    EXPECT_EQ(saved.summaryService, QStringLiteral("ollama"));
    EXPECT_EQ(saved.ollamaModel, QStringLiteral("llama3:8b"));
    EXPECT_TRUE(settings.inUse());
    // The cloud summary card of the other section no longer claims to be the one in use.
    EXPECT_FALSE(summaryCard.inUse());

    // A server that is not on this computer is refused; the list empties and nothing is saved.
    settings.setUrl(QStringLiteral("http://192.0.2.1:11434"));
    settings.refresh();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !settings.checking(); }));
    EXPECT_TRUE(settings.failed());
    EXPECT_EQ(settings.modelLabels(), QStringList{QStringLiteral("llama3:8b · 待检测")});
    settings.save();
    EXPECT_TRUE(settings.failed());
    EXPECT_EQ(ModelConfiguration::load(preferences).ollamaURL, server.baseURL());
}

} // namespace
