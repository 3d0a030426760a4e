#include "CustomServerCard.h"
#include "platform/Preferences.h"
#include "services/KeyVault.h"
#include "support/FakeProviderServer.h"
#include "support/TaskRunner.h"

#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

// The custom-server cards against a fake OpenAI-compatible server on loopback and the real Secret
// Service of the test session.
namespace {

struct CustomServerCardTest : ::testing::Test {
    QTemporaryDir dir;
    Preferences preferences{dir.path() + QStringLiteral("/Hushnote.conf")};
    KeyVault vault{QStringLiteral("hushnote-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces),
                   KeyVault::programIdentifier, &preferences};
    TestSupport::FakeProviderServer server{"/v1"};

    static void settle(CustomServerCard &card)
    {
        ASSERT_TRUE(TestSupport::waitUntil([&] { return !card.checking() && !card.saving(); }));
    }
};

} // namespace

TEST_F(CustomServerCardTest, ChecksListTheServersModelsWithoutAKeyAndSavingMakesItTheEngine)
{
    CustomServerCard card(false, vault, preferences);
    EXPECT_FALSE(card.inUse());
    card.setAddress(server.baseURL());
    card.setModel(QStringLiteral("large-v3"));
    server.enqueueModels({QStringLiteral("large-v3"), QStringLiteral("distil-large-v3")});
    card.check();
    settle(card);
    EXPECT_EQ(card.message(), QStringLiteral("API 已连接，所选模型在列表中。"));
    EXPECT_EQ(card.listedModels(), (QStringList{"large-v3", "distil-large-v3"}));
    ASSERT_EQ(server.requestsTo("models").size(), 1u);
    EXPECT_FALSE(server.requestsTo("models").front().hasHeader("Authorization"));

    card.setModel(QStringLiteral("distil-large-v3"));
    card.save();
    settle(card);
    EXPECT_EQ(card.message(), QStringLiteral("已保存。"));
    const ModelConfiguration saved = ModelConfiguration::load(preferences);
    EXPECT_EQ(saved.asrService, QStringLiteral("custom"));
    EXPECT_EQ(saved.customASRURL, server.baseURL());
    EXPECT_EQ(saved.customASRModel, QStringLiteral("distil-large-v3"));
    EXPECT_EQ(saved.summaryService, ModelConfiguration().summaryService) << "the other role is left alone";
    EXPECT_TRUE(card.inUse());
    EXPECT_FALSE(card.keySaved());
}

TEST_F(CustomServerCardTest, AnAddressOrKeyThatCouldLeakIsRefusedAndNothingIsSaved)
{
    CustomServerCard card(true, vault, preferences);
    card.setAddress(QStringLiteral("http://llm.example.org/v1"));
    card.setModel(QStringLiteral("llama3.1"));
    card.save();
    settle(card);
    EXPECT_TRUE(card.failed());
    EXPECT_EQ(card.message(), QStringLiteral("自定义服务器需要 https:// 地址；http:// 只能用于本机或局域网 IP 地址。"));

    card.setAddress(QStringLiteral("http://192.168.3.3:8000/v1"));
    card.setKey(QStringLiteral("sk-lan"));
    card.save();
    settle(card);
    EXPECT_EQ(card.message(), QStringLiteral("API Key 只能通过 https:// 或本机地址发送。"));
    EXPECT_EQ(TestSupport::runTask(vault.read(QStringLiteral("custom-summary"))), std::nullopt);
    EXPECT_EQ(ModelConfiguration::load(preferences), ModelConfiguration());

    // On this computer a key is fine; it is stored under the role's own account.
    card.setAddress(server.baseURL());
    card.setKey(QStringLiteral(" sk-own "));
    card.save();
    settle(card);
    EXPECT_FALSE(card.failed()) << card.message().toStdString();
    EXPECT_EQ(TestSupport::runTask(vault.read(QStringLiteral("custom-summary"))), QStringLiteral("sk-own"));
    server.enqueueModels({QStringLiteral("llama3.1")});
    card.check();
    settle(card);
    EXPECT_EQ(server.requestsTo("models").front().header("Authorization"), "Bearer sk-own");
}
