#include "platform/AppEvents.h"
#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "services/LegacyKeyRegion.h"
#include "services/SystemConfiguration.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

class SystemConfigurationTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    Preferences store{folder.filePath(QStringLiteral("prefs.conf"))};
    QString file = folder.filePath(QStringLiteral("support/Hushnote/configuration.json"));

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray preferencesBytes() const { return read(store.filePath()); }
};

QJsonObject documentOf(const SystemConfiguration &configuration)
{
    return QJsonDocument::fromJson(configuration.editingJSON().toUtf8()).object();
}

QString textOf(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson());
}

// What parse throws, as the user would read it (zh-Hans).
QString parseFailure(const QString &text)
{
    try {
        SystemConfiguration::parse(text);
    } catch (const AppFailure &failure) {
        return failure.description();
    } catch (const SystemError &failure) {
        return QStringLiteral("system: ") + failure.description();
    }
    return {};
}

QJsonObject edited(QJsonObject document, const QString &section, const QString &key, const QJsonValue &value)
{
    QJsonObject inner = document.value(section).toObject();
    if (value.isUndefined())
        inner.remove(key);
    else
        inner.insert(key, value);
    document.insert(section, inner);
    return document;
}

} // namespace

TEST_F(SystemConfigurationTest, ExportedDocumentRoundTripsAndKeepsOnlyRealOverrides)
{
    const SystemConfiguration current = SystemConfiguration::current(store);
    EXPECT_EQ(current.version, 1);
    EXPECT_EQ(current.language, QStringLiteral("zh-Hans"));

    // The editor shows every built-in prompt; importing it unchanged stores no override.
    const QString text = current.editingJSON();
    const QJsonObject overrides = documentOf(current).value("summary").toObject().value("promptOverrides").toObject();
    EXPECT_EQ(overrides.size(), 10);
    EXPECT_TRUE(text.contains(QStringLiteral("\"ollamaURL\": \"http://127.0.0.1:11434\""))); // "/" unescaped
    EXPECT_LT(text.indexOf(QStringLiteral("\"language\"")), text.indexOf(QStringLiteral("\"models\"")));
    const SystemConfiguration imported = SystemConfiguration::parse(text);
    EXPECT_EQ(imported, current);
    EXPECT_FALSE(imported.summary.promptOverrides.has_value());

    // Editing one prompt in the document stores exactly that one.
    QJsonObject prompts = overrides;
    prompts.insert(QStringLiteral("memo"), QStringLiteral("只记待办。"));
    const QJsonObject document = edited(documentOf(current), "summary", "promptOverrides", prompts);
    const SystemConfiguration withOne = SystemConfiguration::parse(textOf(document));
    EXPECT_EQ(withOne.summary.promptOverrides,
              (QMap<QString, QString>{{QStringLiteral("memo"), QStringLiteral("只记待办。")}}));

    EXPECT_EQ(documentOf(withOne).value("summary").toObject().value("promptOverrides").toObject().value("memo"),
              QStringLiteral("只记待办。"));
    // The same document comes back after a save and a re-read.
    EXPECT_EQ(SystemConfiguration::parse(withOne.editingJSON()).editingJSON(), withOne.editingJSON());

    // "promptOverrides" may be left out.
    EXPECT_EQ(SystemConfiguration::parse(textOf(edited(document, "summary", "promptOverrides", QJsonValue(QJsonValue::Undefined)))),
              current);
}

TEST_F(SystemConfigurationTest, BadDocumentsFailWithTheirOwnMessageAndChangeNothing)
{
    SystemConfiguration configuration;
    configuration.language = QStringLiteral("en");
    configuration.apply(store, file);
    const QByteArray fileBefore = read(file);
    const QByteArray preferencesBefore = preferencesBytes();
    const QJsonObject good = documentOf(SystemConfiguration::current(store));

    QJsonObject extraTop = good;
    extraTop.insert(QStringLiteral("theme"), QStringLiteral("dark"));
    QJsonObject modelsKeys = edited(good, "models", "ollamaModel", QJsonValue(QJsonValue::Undefined));
    modelsKeys = edited(modelsKeys, "models", "apiKey", QStringLiteral("x"));
    QJsonObject summaryMissing = edited(good, "summary", "focus", QJsonValue(QJsonValue::Undefined));
    QJsonObject modelsNotObject = good;
    modelsNotObject.insert(QStringLiteral("models"), QStringLiteral("default"));
    QJsonObject version2 = good;
    version2.insert(QStringLiteral("version"), 2);
    QJsonObject french = good;
    french.insert(QStringLiteral("language"), QStringLiteral("fr"));
    french = edited(french, "models", "region", QStringLiteral("Beijing")); // language is checked first
    const QJsonObject badRegion = edited(good, "models", "region", QStringLiteral("Beijing"));
    const QJsonObject badModels = edited(good, "models", "localASRModel", QStringLiteral("huge"));
    const QJsonObject badThreads = edited(good, "models", "localThreads", QStringLiteral("8"));
    const QJsonObject badVAD = edited(good, "models", "localVAD", 1);
    // A file written before the engine settings existed still reads, with their defaults.
    QJsonObject older = edited(good, "models", "localThreads", QJsonValue(QJsonValue::Undefined));
    older = edited(older, "models", "spokenLanguage", QJsonValue(QJsonValue::Undefined));
    older = edited(older, "models", "localVAD", QJsonValue(QJsonValue::Undefined));
    const QJsonObject badSummary = edited(good, "summary", "templateID", QStringLiteral("gone"));
    const QJsonObject wrongType = edited(good, "summary", "enabled", QStringLiteral("yes"));
    QJsonObject fractionalVersion = good;
    fractionalVersion.insert(QStringLiteral("version"), 1.5);

    QString huge = textOf(good);
    huge.insert(1, QString(1'000'001 - huge.toUtf8().size(), QLatin1Char(' ')));
    ASSERT_EQ(huge.toUtf8().size(), 1'000'001);
    QString justFits = huge;
    justFits.remove(1, 1);

    const std::vector<std::pair<QString, QString>> cases = {
        {huge, QStringLiteral("配置文件不能超过 1 MB。")},
        {QStringLiteral("[1, 2]"), QStringLiteral("配置需要是 JSON 对象。")},
        {textOf(extraTop), QStringLiteral("配置包含未知字段或缺少必要字段。 theme")},
        {textOf(modelsKeys), QStringLiteral("配置包含未知字段或缺少必要字段。 apiKey, ollamaModel")},
        {textOf(summaryMissing), QStringLiteral("配置包含未知字段或缺少必要字段。 focus")},
        {textOf(modelsNotObject), QStringLiteral("配置缺少模型或整理偏好。")},
        {textOf(version2), QStringLiteral("不支持此配置版本。")},
        {textOf(french), QStringLiteral("语言必须是 zh-Hans、zh-Hant 或 en。")},
        {textOf(badRegion), QStringLiteral("地域必须是 beijing 或 singapore。")},
        {textOf(badModels), QStringLiteral("转写配置无效。")},
        {textOf(badSummary), QStringLiteral("请选择有效的纪要模板。")},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(parseFailure(text), expected) << text.left(80).toStdString();
    for (const QString &text : {QStringLiteral("42"), QStringLiteral("{\"version\": 1"), textOf(wrongType),
                                textOf(fractionalVersion), textOf(badThreads), textOf(badVAD)})
        EXPECT_TRUE(parseFailure(text).startsWith(QStringLiteral("system: "))) << text.left(80).toStdString();
    EXPECT_EQ(parseFailure(justFits), QString());
    EXPECT_EQ(parseFailure(textOf(older)), QString());

    // Applying a value that was never parsed is checked again.
    SystemConfiguration invalid = SystemConfiguration::current(store);
    invalid.models.summaryService = QStringLiteral("ollama");
    EXPECT_THROW(invalid.apply(store, file), AppFailure);

    EXPECT_EQ(read(file), fileBefore);
    EXPECT_EQ(preferencesBytes(), preferencesBefore);
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".backup")));
}

TEST_F(SystemConfigurationTest, ApplyKeepsABackupStoresSettingsAndAnnounces)
{
    QSignalSpy applied(&AppEvents::instance(), &AppEvents::configurationApplied);
    store.setData(ModelConfiguration::preferencesKey, QByteArrayLiteral(R"({"region":"singapore"})"));

    SystemConfiguration first = SystemConfiguration::current(store);
    first.models.region = QStringLiteral("beijing");
    first.models.asrService = QStringLiteral("whisper");
    first.apply(store, file);
    const QByteArray firstDocument = read(file);
    EXPECT_EQ(QString::fromUtf8(firstDocument), first.editingJSON());
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".backup")));
    EXPECT_EQ(applied.count(), 1);
    // The pin recorded the region in use before this configuration replaced it.
    EXPECT_EQ(store.string(LegacyKeyRegion::preferencesKey), QStringLiteral("singapore"));

    SystemConfiguration second = SystemConfiguration::parse(QString::fromUtf8(firstDocument));
    second.language = QStringLiteral("zh-Hant");
    second.summary.enabled = true;
    second.summary.setPrompt(QStringLiteral("重点写风险。"), QStringLiteral("project"));
    second.apply(store, file);
    EXPECT_EQ(read(file + QStringLiteral(".backup")), firstDocument);
    EXPECT_EQ(QString::fromUtf8(read(file)), second.editingJSON());
    EXPECT_EQ(SystemConfiguration::current(store), second);
    EXPECT_EQ(store.string(SystemConfiguration::languageKey), QStringLiteral("zh-Hant"));
    EXPECT_EQ(applied.count(), 2);
}

TEST_F(SystemConfigurationTest, FileSystemFailureLeavesPreferencesAlone)
{
    // The folder that should hold the file is a plain file.
    QDir().mkpath(folder.filePath(QStringLiteral("support")));
    QFile blocker(folder.filePath(QStringLiteral("support/Hushnote")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray before = preferencesBytes();
    QSignalSpy applied(&AppEvents::instance(), &AppEvents::configurationApplied);

    SystemConfiguration configuration;
    configuration.language = QStringLiteral("en");
    EXPECT_THROW(configuration.apply(store, file), SystemError);
    EXPECT_EQ(preferencesBytes(), before);
    EXPECT_EQ(applied.count(), 0);
}
