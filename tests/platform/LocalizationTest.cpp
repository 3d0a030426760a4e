#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "platform/Localization.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Localization, FallsBackByLanguage)
{
    Preferences::shared().remove(QStringLiteral("app.language"));
    EXPECT_EQ(L(QStringLiteral("资料库包含不安全的链接。")), QStringLiteral("资料库包含不安全的链接。"));

    // Traditional without a table entry: the ICU conversion of the key.
    EXPECT_EQ(AppLocalization::text(QStringLiteral("这条记录没有音频"), QStringLiteral("zh-Hant")),
              QStringLiteral("這條記錄沒有音頻"));
    // English without an entry, and an unknown language: the key unchanged.
    const QString missing = QStringLiteral("一个不存在的键");
    EXPECT_EQ(AppLocalization::text(missing, QStringLiteral("en")), missing);
    EXPECT_EQ(AppLocalization::text(missing, QStringLiteral("fr")), missing);
}

TEST(Localization, TranscriptsComeInTheInterfaceLanguagesScript)
{
    const QString mixed = QStringLiteral("这是一個測試，我们開會 OK");
    EXPECT_EQ(AppLocalization::inTranscriptScript(mixed, QStringLiteral("zh-Hans")), QStringLiteral("这是一个测试，我们开会 OK"));
    EXPECT_EQ(AppLocalization::inTranscriptScript(mixed, QStringLiteral("zh-Hant")), QStringLiteral("這是一個測試，我們開會 OK"));
    EXPECT_EQ(AppLocalization::inTranscriptScript(mixed, QStringLiteral("en")), mixed);
}

TEST(Localization, AppFailureDescribesItselfInTheStoredLanguage)
{
    const AppFailure failure(QStringLiteral("资料库包含不安全的链接。"));
    Preferences::shared().setString(QStringLiteral("app.language"), QStringLiteral("en"));
    EXPECT_EQ(failure.description(), QStringLiteral("The library contains an unsafe link."));
    Preferences::shared().setString(QStringLiteral("app.language"), QStringLiteral("zh-Hans"));
    EXPECT_EQ(failure.description(), failure.message());
    Preferences::shared().remove(QStringLiteral("app.language"));
}

TEST(Preferences, AFailedWriteIsReportedNotSwallowed)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    Preferences store(folder.filePath(QStringLiteral("Hushnote.conf")));
    store.setString(QStringLiteral("app.language"), QStringLiteral("en"));
    EXPECT_EQ(store.string(QStringLiteral("app.language")), QStringLiteral("en"));

    // A folder standing where the file should be: no write can succeed, not even as root.
    Preferences blocked(folder.path());
    EXPECT_THROW(blocked.setString(QStringLiteral("app.language"), QStringLiteral("zh-Hant")), SystemError);
}
