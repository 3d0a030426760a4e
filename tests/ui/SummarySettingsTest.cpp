#include "ConfigurationEditor.h"
#include "PreferencesEditor.h"
#include "TemplateSettings.h"
#include "platform/AppEvents.h"
#include "platform/Preferences.h"
#include "services/SummaryPreferences.h"
#include "services/SystemConfiguration.h"
#include "support/ServicesTestHelpers.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

// The personalisation, template and configuration-file screens on a preferences store of their own.
namespace {

class SummarySettingsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Preferences preferences{dir.path() + QStringLiteral("/Hushnote.conf")};
};

TEST_F(SummarySettingsTest, PersonalisationSaveMergesTheTemplateScreensChanges)
{
    PreferencesEditor editor(preferences);
    TemplateSettings templates(preferences);
    PromptEditor prompts(preferences);
    editor.setEnabled(true);
    editor.setBackground(QString(1001, QChar(u'字')));
    EXPECT_EQ(editor.backgroundCounter(), QStringLiteral("1001 / 1000"));
    EXPECT_TRUE(editor.backgroundOver());
    editor.save();
    EXPECT_EQ(editor.error(), QStringLiteral("个人背景和关注重点各最多 1000 字，自定义要求最多 2000 字。"));
    EXPECT_EQ(SummaryPreferences::load(preferences), SummaryPreferences());

    // Meanwhile the template screens change the default and one prompt.
    templates.setDefault(QStringLiteral("weekly"));
    EXPECT_EQ(templates.selectedID(), QStringLiteral("weekly"));
    prompts.setTemplateID(QStringLiteral("weekly"));
    prompts.setPrompt(QStringLiteral("只列出决定。"));
    EXPECT_TRUE(prompts.save());

    editor.setBackground(QStringLiteral("产品研究"));
    EXPECT_FALSE(editor.backgroundOver());
    editor.save();
    EXPECT_EQ(editor.message(), QStringLiteral("已保存。"));
    EXPECT_TRUE(editor.error().isEmpty());
    const SummaryPreferences stored = SummaryPreferences::load(preferences);
    EXPECT_TRUE(stored.enabled);
    EXPECT_EQ(stored.background, QStringLiteral("产品研究"));
    EXPECT_EQ(stored.templateID, QStringLiteral("weekly"));
    EXPECT_EQ(stored.promptOverrides->value(QStringLiteral("weekly")), QStringLiteral("只列出决定。"));

    editor.setFocus(QStringLiteral("未保存"));
    editor.revert();
    EXPECT_TRUE(editor.focus().isEmpty());
    EXPECT_TRUE(editor.message().isEmpty());
}

// Stored preferences that fail validation (a text over its limit, written by another version or
// by hand) are never replaced by defaults: each screen refuses with the reason and keeps them.
TEST_F(SummarySettingsTest, StoredPreferencesThatFailValidationAreKeptNotOverwritten)
{
    SummaryPreferences personal;
    personal.enabled = true;
    personal.background = QString(1001, QChar(u'字'));
    personal.focus = QStringLiteral("预算");
    preferences.setData(SummaryPreferences::preferencesKey, personal.encoded());
    const QByteArray stored = *preferences.data(SummaryPreferences::preferencesKey);
    const QString tooLong = QStringLiteral("个人背景和关注重点各最多 1000 字，自定义要求最多 2000 字。");

    TemplateSettings templates(preferences);
    templates.setDefault(QStringLiteral("weekly"));
    EXPECT_EQ(templates.error(), tooLong);
    PromptEditor prompts(preferences);
    prompts.setTemplateID(QStringLiteral("weekly"));
    prompts.setPrompt(QStringLiteral("只列出决定。"));
    EXPECT_FALSE(prompts.save());
    EXPECT_EQ(prompts.error(), tooLong);
    EXPECT_EQ(*preferences.data(SummaryPreferences::preferencesKey), stored);

    // The personalisation screen shows the stored texts, so the person can shorten them.
    PreferencesEditor editor(preferences);
    EXPECT_EQ(editor.focus(), QStringLiteral("预算"));
    EXPECT_TRUE(editor.backgroundOver());
    editor.setFocus(QStringLiteral("进度"));
    editor.save();
    EXPECT_EQ(editor.error(), tooLong);
    EXPECT_EQ(*preferences.data(SummaryPreferences::preferencesKey), stored);
    editor.setBackground(QStringLiteral("产品研究"));
    editor.save();
    EXPECT_TRUE(editor.error().isEmpty());
    EXPECT_EQ(SummaryPreferences::load(preferences).focus, QStringLiteral("进度"));

    // Stored bytes that do not decode at all are kept too.
    preferences.setData(SummaryPreferences::preferencesKey, QByteArrayLiteral("{\"templateID\": 7"));
    templates.setDefault(QStringLiteral("weekly"));
    EXPECT_FALSE(templates.error().isEmpty());
    EXPECT_EQ(*preferences.data(SummaryPreferences::preferencesKey), QByteArrayLiteral("{\"templateID\": 7"));
}

TEST_F(SummarySettingsTest, PromptEditorShowsTheReplacementAndRestoringRemovesIt)
{
    SummaryPreferences stored;
    stored.setPrompt(QStringLiteral("我的要求"), QStringLiteral("meeting"));
    stored.save(preferences);
    PromptEditor editor(preferences);
    editor.setTemplateID(QStringLiteral("meeting"));
    EXPECT_EQ(editor.prompt(), QStringLiteral("我的要求"));
    EXPECT_EQ(editor.counter(), QStringLiteral("4 / 8000"));

    editor.setPrompt(QStringLiteral("   "));
    EXPECT_FALSE(editor.save());
    EXPECT_EQ(editor.error(), QStringLiteral("Prompt 需为 1–8000 字。"));

    editor.restoreBuiltIn();
    EXPECT_EQ(editor.prompt(), SummaryTemplate::builtin(QStringLiteral("meeting"))->prompt);
    EXPECT_TRUE(editor.error().isEmpty());
    EXPECT_TRUE(editor.save());
    EXPECT_EQ(SummaryPreferences::load(preferences).promptOverrides, std::nullopt);

    // A stored value that no longer decodes shows "meeting" as the default.
    preferences.setData(SummaryPreferences::preferencesKey, QByteArrayLiteral("{broken"));
    EXPECT_EQ(TemplateSettings(preferences).selectedID(), QStringLiteral("meeting"));
}

TEST_F(SummarySettingsTest, ConfigurationEditorReadsUpToOneMegabyteAndAppliesOnlyValidText)
{
    const QString file = dir.path() + QStringLiteral("/configuration.json");
    ConfigurationEditor editor(preferences, file);
    const QString original = editor.text();
    EXPECT_EQ(original, SystemConfiguration::current(preferences).editingJSON());

    SystemConfiguration changed;
    changed.language = QStringLiteral("en");
    changed.models.asrService = QStringLiteral("whisper");
    const QByteArray json = changed.json().toUtf8();
    struct Case {
        qsizetype size;
        bool accepted;
    };
    for (const Case &c : {Case{SystemConfiguration::maxDocumentBytes, true}, Case{SystemConfiguration::maxDocumentBytes + 1, false}}) {
        SCOPED_TRACE(c.size);
        // Padded with white space after the document, which JSON allows.
        const QString path = dir.path() + QStringLiteral("/import-%1.json").arg(c.size);
        ServicesTest::writeFile(path, json + QByteArray(c.size - json.size(), ' '));
        editor.reset();
        editor.readFile(QUrl::fromLocalFile(path));
        EXPECT_EQ(editor.error(), c.accepted ? QString() : QStringLiteral("配置文件不能超过 1 MB。"));
        EXPECT_EQ(editor.text().trimmed(), (c.accepted ? QString::fromUtf8(json) : original).trimmed());
    }
    // Reading applies nothing.
    EXPECT_EQ(SystemConfiguration::current(preferences), SystemConfiguration());
    EXPECT_FALSE(QFile::exists(file));

    editor.setText(QStringLiteral("{\"version\": 1}"));
    EXPECT_FALSE(editor.apply());
    EXPECT_FALSE(editor.error().isEmpty());
    EXPECT_FALSE(QFile::exists(file));

    QSignalSpy applied(&AppEvents::instance(), &AppEvents::configurationApplied);
    editor.setText(QString::fromUtf8(json));
    EXPECT_TRUE(editor.apply());
    EXPECT_EQ(applied.count(), 1);
    EXPECT_EQ(SystemConfiguration::current(preferences).models.asrService, QStringLiteral("whisper"));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(Preferences::shared().string(SystemConfiguration::languageKey), QStringLiteral("en"));
}

} // namespace
