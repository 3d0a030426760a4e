#include "services/SystemConfiguration.h"

#include "platform/AppEvents.h"
#include "platform/AppPaths.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Preferences.h"
#include "services/LegacyKeyRegion.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QStringList>

#include <cmath>

namespace {

const QStringList topLevelKeys{QStringLiteral("version"), QStringLiteral("language"), QStringLiteral("models"),
                               QStringLiteral("summary")};
const QStringList modelKeys{QStringLiteral("region"),        QStringLiteral("asrModel"),
                            QStringLiteral("summaryModel"),  QStringLiteral("asrService"),
                            QStringLiteral("localASRModel"), QStringLiteral("summaryService"),
                            QStringLiteral("ollamaURL"),     QStringLiteral("ollamaModel")};
// Keys newer than the first version of the file: a file without them keeps their defaults (an
// export always has them). The strings among them, then the others, checked on their own.
const QStringList modelOptionalStringKeys{QStringLiteral("customASRURL"), QStringLiteral("customASRModel"),
                                          QStringLiteral("customSummaryURL"), QStringLiteral("customSummaryModel"),
                                          QStringLiteral("spokenLanguage")};
const QStringList modelOptionalKeys = modelOptionalStringKeys + QStringList{QStringLiteral("localThreads"),
                                                                            QStringLiteral("localVAD")};
const QStringList summaryKeys{QStringLiteral("templateID"), QStringLiteral("enabled"), QStringLiteral("background"),
                              QStringLiteral("focus"), QStringLiteral("instructions")};
const QStringList summaryOptionalKeys{QStringLiteral("promptOverrides")};

// A backup of a hand-edited file is read whole; anything this large is not ours.
constexpr qint64 maxBackupBytes = 64 * 1024 * 1024;

void checkKeys(const QJsonObject &object, const QStringList &required, const QStringList &optional = {})
{
    QStringList offending;
    for (const QString &key : required) {
        if (!object.contains(key))
            offending.append(key);
    }
    for (const QString &key : object.keys()) {
        if (!required.contains(key) && !optional.contains(key))
            offending.append(key);
    }
    if (offending.isEmpty())
        return;
    offending.sort();
    throw AppFailure(QStringLiteral("配置包含未知字段或缺少必要字段。"), {}, offending.join(QStringLiteral(", ")));
}

[[noreturn]] void typeMismatch(const QString &key, const char *expected)
{
    throw SystemError(QStringLiteral("The value of \"%1\" is not %2.").arg(key, QLatin1String(expected)));
}

int decodeVersion(const QJsonValue &value)
{
    const double number = value.toDouble();
    if (!value.isDouble() || std::trunc(number) != number || std::abs(number) > 2147483647.0)
        typeMismatch(QStringLiteral("version"), "an integer");
    return int(number);
}

ModelConfiguration decodeModels(const QJsonObject &object)
{
    for (const QString &key : modelKeys + modelOptionalStringKeys) {
        if (object.contains(key) && !object.value(key).isString())
            typeMismatch(QStringLiteral("models.") + key, "a string");
    }
    const QJsonValue language = object.value(QStringLiteral("spokenLanguage"));
    if (!language.isUndefined() && !language.isString())
        typeMismatch(QStringLiteral("models.spokenLanguage"), "a string");
    const std::optional<ModelConfiguration> decoded = ModelConfiguration::fromJSON(object);
    const QJsonValue vad = object.value(QStringLiteral("localVAD"));
    if (!vad.isUndefined() && !vad.isBool())
        typeMismatch(QStringLiteral("models.localVAD"), "a boolean");
    if (!decoded) // only the thread count can still be wrong
        typeMismatch(QStringLiteral("models.localThreads"), "a whole number from 0 to 256");
    return *decoded;
}

QJsonObject documentObject(const SystemConfiguration &configuration)
{
    return QJsonObject{
        {QStringLiteral("version"), configuration.version},
        {QStringLiteral("language"), configuration.language},
        {QStringLiteral("models"), configuration.models.toJSON()},
        {QStringLiteral("summary"), configuration.summary.toJSON()},
    };
}

QString render(const QJsonObject &object)
{
    // QJsonObject keeps its keys sorted and never escapes "/".
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

void dropBuiltinRepeats(SummaryPreferences &summary)
{
    if (!summary.promptOverrides)
        return;
    QMap<QString, QString> kept;
    for (auto entry = summary.promptOverrides->cbegin(); entry != summary.promptOverrides->cend(); ++entry) {
        const auto builtin = SummaryTemplate::builtin(entry.key());
        if (!builtin || builtin->prompt != entry.value())
            kept.insert(entry.key(), entry.value());
    }
    summary.promptOverrides = kept.isEmpty() ? std::nullopt : std::optional(kept);
}

} // namespace

SystemConfiguration SystemConfiguration::current()
{
    return current(Preferences::shared());
}

SystemConfiguration SystemConfiguration::current(const Preferences &defaults)
{
    SystemConfiguration configuration;
    configuration.language = defaults.string(languageKey).value_or(QStringLiteral("zh-Hans"));
    configuration.models = ModelConfiguration::load(defaults);
    configuration.summary = SummaryPreferences::load(defaults);
    return configuration;
}

QString SystemConfiguration::editingJSON() const
{
    QMap<QString, QString> prompts;
    for (const SummaryTemplate &builtin : SummaryTemplate::builtins())
        prompts.insert(builtin.id, builtin.prompt);
    if (summary.promptOverrides)
        prompts.insert(*summary.promptOverrides);
    SystemConfiguration copy = *this;
    copy.summary.promptOverrides = prompts;
    return render(documentObject(copy));
}

QString SystemConfiguration::json() const
{
    return render(documentObject(*this));
}

SystemConfiguration SystemConfiguration::parse(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > maxDocumentBytes)
        throw AppFailure(QStringLiteral("配置文件不能超过 1 MB。"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw SystemError(QStringLiteral("%1 (offset %2)").arg(error.errorString()).arg(error.offset),
                          int(error.error));
    if (!document.isObject())
        throw AppFailure(QStringLiteral("配置需要是 JSON 对象。"));
    const QJsonObject root = document.object();
    checkKeys(root, topLevelKeys);
    if (!root.value(QStringLiteral("models")).isObject() || !root.value(QStringLiteral("summary")).isObject())
        throw AppFailure(QStringLiteral("配置缺少模型或整理偏好。"));
    const QJsonObject models = root.value(QStringLiteral("models")).toObject();
    const QJsonObject summary = root.value(QStringLiteral("summary")).toObject();
    checkKeys(models, modelKeys, modelOptionalKeys);
    checkKeys(summary, summaryKeys, summaryOptionalKeys);

    SystemConfiguration configuration;
    configuration.version = decodeVersion(root.value(QStringLiteral("version")));
    if (!root.value(QStringLiteral("language")).isString())
        typeMismatch(QStringLiteral("language"), "a string");
    configuration.language = root.value(QStringLiteral("language")).toString();
    configuration.models = decodeModels(models);
    configuration.summary = SummaryPreferences::fromJSON(summary, QStringLiteral("summary."));

    configuration.validate();
    dropBuiltinRepeats(configuration.summary);
    return configuration;
}

void SystemConfiguration::validate() const
{
    if (version != 1)
        throw AppFailure(QStringLiteral("不支持此配置版本。"));
    static const QStringList languages{QStringLiteral("zh-Hans"), QStringLiteral("zh-Hant"), QStringLiteral("en")};
    if (!languages.contains(language))
        throw AppFailure(QStringLiteral("语言必须是 zh-Hans、zh-Hant 或 en。"));
    if (models.region != QLatin1String("beijing") && models.region != QLatin1String("singapore"))
        throw AppFailure(QStringLiteral("地域必须是 beijing 或 singapore。"));
    models.validate();
    summary.validate();
}

void SystemConfiguration::apply() const
{
    apply(Preferences::shared(), AppPaths::configurationFile());
}

void SystemConfiguration::apply(Preferences &defaults, const QString &file) const
{
    validate();
    const QByteArray modelData = models.encoded();
    const QByteArray summaryData = summary.encoded();
    const QByteArray document = editingJSON().toUtf8();

    FileUtil::createFolders(QFileInfo(file).absolutePath());
    // Only a regular file is backed up: a link there is not ours to follow.
    const QFileInfo existing(file);
    std::optional<QByteArray> previous;
    if (existing.exists() && existing.isFile() && !FileUtil::isSymbolicLink(file)) {
        previous = FileUtil::readFile(file, maxBackupBytes);
        FileUtil::writeAtomically(file + QStringLiteral(".backup"), *previous, 0600);
    }
    FileUtil::writeAtomically(file, document, 0600);

    try {
        // Pinned before the model configuration is replaced, so the pin records the previous region.
        LegacyKeyRegion::pin(defaults);
        // All three in one write: the settings in use are the old ones or the new ones, never a mix.
        defaults.setValues({{ModelConfiguration::preferencesKey, modelData},
                            {SummaryPreferences::preferencesKey, summaryData},
                            {languageKey, language}});
    } catch (...) {
        // The settings in use stay the old ones: so does the file that describes them, where the
        // disk still lets it be put back.
        try {
            if (previous)
                FileUtil::writeAtomically(file, *previous, 0600);
        } catch (...) {
        }
        throw;
    }
    Q_EMIT AppEvents::instance().configurationApplied();
}
