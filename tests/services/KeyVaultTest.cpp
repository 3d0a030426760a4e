#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "services/KeyVault.h"
#include "services/LegacyKeyRegion.h"
#include "support/PrivateKeyring.h"
#include "support/TaskRunner.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

QString uniqueService()
{
    return QStringLiteral("test.hushnote.%1").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

template<typename T>
QString failureOf(QCoro::Task<T> task)
{
    try {
        TestSupport::runTask(std::move(task));
    } catch (const AppFailure &failure) {
        return failure.description();
    }
    return {};
}

std::optional<QString> readKey(KeyVault &vault, const QString &account)
{
    return TestSupport::runTask(vault.read(account));
}

void writeKey(KeyVault &vault, const QString &value, const QString &account)
{
    TestSupport::runTask(vault.write(value, account));
}

QString secretTool(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"), arguments);
    tool.write(input);
    tool.closeWriteChannel();
    tool.waitForFinished(60'000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace

TEST(KeyVault, ReadWriteRemoveAgainstTheSecretService)
{
    RUN_IN_PRIVATE_KEYRING();
    const QString service = uniqueService();
    KeyVault vault(service, QStringLiteral("test.runner"));

    EXPECT_EQ(readKey(vault, QStringLiteral("openai")), std::nullopt);
    writeKey(vault, QStringLiteral("  sk-first \n"), QStringLiteral("openai"));
    EXPECT_EQ(readKey(vault, QStringLiteral("openai")), QStringLiteral("sk-first"));
    // The item is an ordinary one: the system's own tool finds it by service and account.
    EXPECT_EQ(secretTool({"lookup", "service", service, "account", "openai"}), QStringLiteral("sk-first"));

    // A blank value changes nothing; a new value replaces the old one.
    writeKey(vault, QStringLiteral(" \n\t"), QStringLiteral("openai"));
    EXPECT_EQ(readKey(vault, QStringLiteral("openai")), QStringLiteral("sk-first"));

    // Operations queue on the vault in the order they were asked for.
    auto write = vault.write(QStringLiteral("sk-second"), QStringLiteral("openai"));
    auto read = vault.read(QStringLiteral("openai"));
    TestSupport::runTask(std::move(write));
    EXPECT_EQ(TestSupport::runTask(std::move(read)), QStringLiteral("sk-second"));

    TestSupport::runTask(vault.remove(QStringLiteral("openai")));
    EXPECT_EQ(readKey(vault, QStringLiteral("openai")), std::nullopt);
    EXPECT_EQ(failureOf(vault.remove(QStringLiteral("openai"))), QString());

    // Another program's item that is not UTF-8 text is reported, not returned garbled.
    secretTool({"store", "--label=x", "service", service, "account", "deepseek"}, QByteArray("\xff\xfe\x80", 3));
    EXPECT_EQ(failureOf(vault.read(QStringLiteral("deepseek"))), QStringLiteral("无法读取钥匙串（0）。"));
}

TEST(KeyVault, LegacyDashScopeKeyMovesToThePinnedRegionOnce)
{
    RUN_IN_PRIVATE_KEYRING();
    QTemporaryDir folder;
    Preferences preferences(folder.filePath(QStringLiteral("prefs.conf")));
    preferences.setString(LegacyKeyRegion::preferencesKey, QStringLiteral("singapore"));
    const QString service = uniqueService();
    KeyVault vault(service, KeyVault::programIdentifier, &preferences);
    writeKey(vault, QStringLiteral("sk-legacy"), KeyVault::legacyAccount);

    // A non-DashScope account leaves the legacy key alone.
    EXPECT_EQ(readKey(vault, QStringLiteral("openai")), std::nullopt);
    EXPECT_EQ(readKey(vault, KeyVault::migrationMarker), std::nullopt);

    EXPECT_EQ(readKey(vault, QStringLiteral("qwen-singapore")), QStringLiteral("sk-legacy"));
    EXPECT_EQ(readKey(vault, KeyVault::migrationMarker), QStringLiteral("qwen-singapore"));
    EXPECT_EQ(readKey(vault, KeyVault::legacyAccount), QStringLiteral("sk-legacy"));
    EXPECT_EQ(readKey(vault, QStringLiteral("qwen-beijing")), std::nullopt);

    // Once marked, removing the copy does not bring it back.
    TestSupport::runTask(vault.remove(QStringLiteral("qwen-singapore")));
    EXPECT_EQ(readKey(vault, QStringLiteral("qwen-singapore")), std::nullopt);

    // A key the user already saved for the region is kept; the marker is written anyway.
    const QString second = uniqueService();
    KeyVault other(second, KeyVault::programIdentifier, &preferences);
    writeKey(other, QStringLiteral("sk-legacy"), KeyVault::legacyAccount);
    KeyVault plain(second, QStringLiteral("test.runner"));
    writeKey(plain, QStringLiteral("sk-mine"), QStringLiteral("qwen-singapore"));
    writeKey(other, QStringLiteral("sk-new-beijing"), QStringLiteral("qwen-beijing"));
    EXPECT_EQ(readKey(other, QStringLiteral("qwen-singapore")), QStringLiteral("sk-mine"));
    EXPECT_EQ(readKey(other, KeyVault::migrationMarker), QStringLiteral("qwen-singapore"));
    EXPECT_EQ(readKey(other, QStringLiteral("qwen-beijing")), QStringLiteral("sk-new-beijing"));
}

TEST(KeyVault, MigrationNeedsTheProgramsIdentifierAndPinsBeijingByDefault)
{
    RUN_IN_PRIVATE_KEYRING();
    QTemporaryDir folder;
    Preferences preferences(folder.filePath(QStringLiteral("prefs.conf")));
    const QString service = uniqueService();
    KeyVault foreign(service, QStringLiteral("org.example.other"), &preferences);
    writeKey(foreign, QStringLiteral("sk-legacy"), KeyVault::legacyAccount);
    EXPECT_EQ(readKey(foreign, QStringLiteral("qwen-beijing")), std::nullopt);
    EXPECT_FALSE(preferences.contains(LegacyKeyRegion::preferencesKey));

    KeyVault vault(service, KeyVault::programIdentifier, &preferences);
    EXPECT_EQ(readKey(vault, QStringLiteral("qwen-beijing")), QStringLiteral("sk-legacy"));
    EXPECT_EQ(preferences.string(LegacyKeyRegion::preferencesKey), QStringLiteral("beijing"));
    EXPECT_EQ(readKey(vault, KeyVault::migrationMarker), QStringLiteral("qwen-beijing"));
}

TEST(KeyVault, NativeKeyLookupUsesTheSharedVault)
{
    RUN_IN_PRIVATE_KEYRING();
    KeyVault &vault = KeyVault::shared();
    EXPECT_EQ(vault.service(), QStringLiteral("local.hushnote.native-preview.api-keys"));
    writeKey(vault, QStringLiteral("sk-legacy"), KeyVault::legacyAccount);

    // The legacy account itself is read as it is, without migrating.
    EXPECT_EQ(TestSupport::runTask(nativeAPIKey(QStringLiteral("qwen"))), QStringLiteral("sk-legacy"));
    EXPECT_EQ(readKey(vault, KeyVault::migrationMarker), std::nullopt);

    EXPECT_EQ(TestSupport::runTask(nativeAPIKey(QStringLiteral("qwen-beijing"))), QStringLiteral("sk-legacy"));
    EXPECT_EQ(TestSupport::runTask(nativeAPIKey(QStringLiteral("deepseek"))), std::nullopt);
}

TEST(KeyVault, WithoutASecretServiceEveryOperationFailsAndNothingIsWrittenElsewhere)
{
    const QString key = QStringLiteral("sk-never-on-disk-7f3a");
    if (!qEnvironmentVariableIsSet(noBusFlag)) {
        QTemporaryDir home;
        const ChildRun run = rerunCurrentTest(home.path(), false);
        EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
        EXPECT_FALSE(run.output.contains(key));
        QDirIterator files(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_FALSE(file.readAll().contains(key.toUtf8())) << file.fileName().toStdString();
        }
        return;
    }
    KeyVault vault(uniqueService(), KeyVault::programIdentifier);
    EXPECT_TRUE(failureOf(vault.read(QStringLiteral("openai"))).startsWith(QStringLiteral("无法读取钥匙串（")));
    // A DashScope account fails in the migration's first read.
    EXPECT_TRUE(failureOf(vault.read(QStringLiteral("qwen-beijing"))).startsWith(QStringLiteral("无法读取钥匙串（")));
    const QString writeFailure = failureOf(vault.write(key, QStringLiteral("openai")));
    EXPECT_TRUE(writeFailure.startsWith(QStringLiteral("钥匙串更新失败（"))) << writeFailure.toStdString();
    EXPECT_FALSE(writeFailure.contains(key));
    EXPECT_TRUE(failureOf(vault.remove(QStringLiteral("openai"))).startsWith(QStringLiteral("钥匙串删除失败（")));
}
