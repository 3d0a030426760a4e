#include "CloudModelCard.h"
#include "platform/AppEvents.h"
#include "platform/Preferences.h"
#include "services/KeyVault.h"
#include "support/FakeProviderServer.h"
#include "support/TaskRunner.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

// The cards of the cloud section against a real Secret Service (the private keyring of the test
// session) and a fake provider at its HTTP boundary.
namespace {

class CloudModelCardTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Preferences preferences{dir.path() + QStringLiteral("/Hushnote.conf")};
    KeyVault vault{QStringLiteral("hushnote-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces),
                   KeyVault::programIdentifier, &preferences};

    void store(const std::function<void(ModelConfiguration &)> &change)
    {
        ModelConfiguration configuration;
        change(configuration);
        preferences.setData(ModelConfiguration::preferencesKey, configuration.encoded());
    }
    std::optional<QString> storedKey(const QString &account)
    {
        return TestSupport::runTask(vault.read(account));
    }
    static void settle(CloudModelCard &card)
    {
        ASSERT_TRUE(TestSupport::waitUntil([&] { return !card.checking() && !card.saving(); }));
        QCoreApplication::processEvents();
    }
};

TEST_F(CloudModelCardTest, SetUpFromTheStoredConfigurationKeepsTheCurrentModelSelectable)
{
    struct Case {
        bool summary;
        std::function<void(ModelConfiguration &)> stored;
        CloudProvider provider;
        QString model;
        bool inUse;
    };
    const std::vector<Case> cases = {
        {true, [](ModelConfiguration &c) { c.summaryService = QStringLiteral("ollama"); }, CloudProvider::deepseek,
         CloudProvider(CloudProvider::deepseek).models(true).value(0), false},
        {true, [](ModelConfiguration &c) { c.summaryService = QStringLiteral("openai"); c.summaryModel = QStringLiteral("my-model"); },
         CloudProvider::openai, "my-model", true},
        {false, [](ModelConfiguration &c) { c.asrService = QStringLiteral("whisper"); }, CloudProvider::qwenBeijing,
         CloudProvider(CloudProvider::qwenBeijing).models(false).value(0), false},
        {false, [](ModelConfiguration &c) { c.region = QStringLiteral("singapore"); c.asrModel = QStringLiteral("qwen3-asr-flash"); },
         CloudProvider::qwenSingapore, "qwen3-asr-flash", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.model.toStdString());
        store([](ModelConfiguration &) {});
        CloudModelCard card(c.summary, vault, preferences);
        // The card follows an applied configuration file.
        store(c.stored);
        Q_EMIT AppEvents::instance().configurationApplied();
        EXPECT_EQ(card.provider(), c.provider);
        EXPECT_EQ(card.model(), c.model);
        EXPECT_EQ(card.inUse(), c.inUse);
        EXPECT_EQ(card.modelChoices().value(0), c.model);
    }
    // Another provider keeps the chosen model, first in its list.
    store([](ModelConfiguration &c) { c.summaryService = QStringLiteral("deepseek"); });
    CloudModelCard card(true, vault, preferences);
    const QString model = card.model();
    card.setProviderIndex(int(CloudProvider::available(true).indexOf(CloudProvider(CloudProvider::openai))));
    EXPECT_EQ(card.provider(), CloudProvider::openai);
    EXPECT_EQ(card.model(), model);
    EXPECT_EQ(card.modelChoices(), QStringList{model} + CloudProvider(CloudProvider::openai).models(true));
    EXPECT_FALSE(card.inUse());
}

TEST_F(CloudModelCardTest, SavingWithAnEmptyKeyFieldNeedsAStoredKeyAndKeepsIt)
{
    store([](ModelConfiguration &c) { c.summaryService = QStringLiteral("ollama"); });
    CloudModelCard card(true, vault, preferences);
    card.setProviderIndex(int(CloudProvider::available(true).indexOf(CloudProvider(CloudProvider::openai))));
    card.setModel(QStringLiteral("gpt-4.1-mini"));

    card.save();
    settle(card);
    EXPECT_EQ(card.message(), QStringLiteral("请填写 API Key。"));
    EXPECT_TRUE(card.failed());
    EXPECT_EQ(ModelConfiguration::load(preferences).summaryService, QStringLiteral("ollama"));

    TestSupport::runTask(vault.write(QStringLiteral("sk-stored"), QStringLiteral("openai")));
    Q_EMIT AppEvents::instance().providerKeysChanged();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return card.keySaved(); }));
    card.save();
    settle(card);
    EXPECT_EQ(card.message(), QStringLiteral("已保存。"));
    EXPECT_FALSE(card.failed());
    const ModelConfiguration saved = ModelConfiguration::load(preferences);
    EXPECT_EQ(saved.summaryService, QStringLiteral("openai"));
    EXPECT_EQ(saved.summaryModel, QStringLiteral("gpt-4.1-mini"));
    EXPECT_EQ(storedKey(QStringLiteral("openai")), QStringLiteral("sk-stored"));
    EXPECT_TRUE(card.inUse());

    card.setKey(QStringLiteral("  sk-new  "));
    card.save();
    settle(card);
    EXPECT_EQ(storedKey(QStringLiteral("openai")), QStringLiteral("sk-new"));
    EXPECT_TRUE(card.key().isEmpty());

    card.removeKey();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return card.message() == QStringLiteral("已移除。"); }));
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !card.keySaved(); }));
    EXPECT_EQ(storedKey(QStringLiteral("openai")), std::nullopt);
    EXPECT_EQ(ModelConfiguration::load(preferences).summaryService, QStringLiteral("openai"));
}

TEST_F(CloudModelCardTest, ChecksUseTheStoredKeyAndOnlyTheLatestAnswerCounts)
{
    TestSupport::FakeProviderServer server;
    CloudProvider::setBaseURLOverride(CloudProvider::openai, QUrl(server.baseURL()));
    store([](ModelConfiguration &c) { c.summaryService = QStringLiteral("openai"); c.summaryModel = QStringLiteral("gpt-x"); });
    TestSupport::runTask(vault.write(QStringLiteral("sk-stored"), QStringLiteral("openai")));
    CloudModelCard card(true, vault, preferences);

    server.enqueueAnswer("models", TestSupport::CannedResponse::neverAnswer());
    card.check();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return server.heldCount() == 1; }));
    server.enqueueModels({QStringLiteral("gpt-x")});
    card.setKey(QStringLiteral("sk-typed"));
    card.check();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !card.checking(); }));
    EXPECT_EQ(card.message(), QStringLiteral("API 已连接，所选模型在列表中。"));
    // The first check now fails; its late answer must not replace the second one's.
    EXPECT_EQ(card.checksUnderWay(), 1);
    server.releaseHeld();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return card.checksUnderWay() == 0; }));
    EXPECT_EQ(card.message(), QStringLiteral("API 已连接，所选模型在列表中。"));
    EXPECT_FALSE(card.failed());

    const auto requests = server.requestsTo("models");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer sk-stored");
    EXPECT_EQ(requests[1].header("Authorization"), "Bearer sk-typed");
    CloudProvider::setBaseURLOverride(CloudProvider::openai, std::nullopt);
}

} // namespace
