#include "services/ModelConfiguration.h"

#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "services/LegacyKeyRegion.h"
#include "services/OllamaClient.h"
#include "services/SpokenLanguages.h"
#include "services/WhisperModels.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QStringList>

namespace {

const QString whisper = QStringLiteral("whisper");
const QString qwen = QStringLiteral("qwen");
const QString ollama = QStringLiteral("ollama");

// A model name goes into request bodies and headers: no control characters, bounded size.
bool isCleanModelName(const QString &name)
{
    for (const char32_t scalar : name.toUcs4()) {
        if (scalar < 0x20 || scalar == 0x7F)
            return false;
    }
    return name.toUtf8().size() <= 200;
}

void require(bool condition, const char *message)
{
    if (!condition)
        throw AppFailure(QString::fromUtf8(message));
}

} // namespace

ModelConfiguration ModelConfiguration::load()
{
    return load(Preferences::shared());
}

ModelConfiguration ModelConfiguration::load(const Preferences &defaults)
{
    if (const auto data = defaults.data(preferencesKey)) {
        if (auto configuration = decode(*data))
            return *configuration;
    }
    return {};
}

void ModelConfiguration::save() const
{
    save(Preferences::shared());
}

void ModelConfiguration::save(Preferences &defaults) const
{
    validate();
    // Pinned before the write, so the pin records the region the previous version was using.
    LegacyKeyRegion::pin(defaults);
    defaults.setData(preferencesKey, encoded());
}

void ModelConfiguration::validate() const
{
    const char *invalidModels = "模型配置无效。";
    const char *invalidTranscription = "转写配置无效。";
    require(region == QLatin1String("beijing") || region == QLatin1String("singapore"), invalidModels);
    require(isCleanModelName(asrModel), invalidModels);
    require(isCleanModelName(summaryModel), invalidModels);
    if (asrService != whisper) {
        const auto provider = asrProvider();
        require(provider && !provider->models(false).isEmpty(), invalidTranscription);
    }
    require(WhisperModels::isUsableID(localASRModel), invalidTranscription);
    require(localThreads >= 0 && localThreads <= maxLocalThreads, invalidTranscription);
    require(SpokenLanguages::isKnown(spokenLanguage), invalidTranscription);
    require(summaryService == ollama || CloudProvider::fromRawValue(summaryService), "请选择有效的纪要服务。");
    require(!asrModel.trimmed().isEmpty(), "转写模型不能为空。");
    if (summaryService != ollama) {
        require(!summaryModel.trimmed().isEmpty(), "纪要模型不能为空。");
    } else {
        OllamaClient::baseURL(ollamaURL);
        require(OllamaClient::validModel(ollamaModel), "请选择已安装的 Ollama 纪要模型。");
    }
}

void ModelConfiguration::select(CloudProvider provider, const QString &model, bool summary)
{
    if (summary) {
        summaryService = provider.rawValue();
        summaryModel = model;
        return;
    }
    if (provider.isQwen()) {
        asrService = qwen;
        region = provider == CloudProvider::qwenSingapore ? QStringLiteral("singapore") : QStringLiteral("beijing");
    } else {
        asrService = provider.rawValue();
    }
    asrModel = model;
}

QString ModelConfiguration::asrTitle() const
{
    if (asrService == whisper)
        return QStringLiteral("Whisper");
    if (const auto provider = asrProvider())
        return provider->displayTitle();
    return asrService;
}

QString ModelConfiguration::summaryTitle() const
{
    if (summaryService == ollama)
        return QStringLiteral("Ollama");
    if (const auto provider = CloudProvider::fromRawValue(summaryService))
        return provider->displayTitle();
    return summaryService;
}

std::optional<CloudProvider> ModelConfiguration::asrProvider() const
{
    if (asrService == qwen)
        return region == QLatin1String("singapore") ? CloudProvider::qwenSingapore : CloudProvider::qwenBeijing;
    return CloudProvider::fromRawValue(asrService);
}

QUrl ModelConfiguration::asrURL() const
{
    const CloudProvider provider = asrProvider().value_or(CloudProvider::qwenBeijing);
    if (provider.isQwen())
        return provider.requestURL(QStringLiteral("chat/completions"));
    if (provider == CloudProvider::grok)
        return provider.requestURL(QStringLiteral("stt"));
    return provider.requestURL(QStringLiteral("audio/transcriptions"));
}

std::optional<QString> ModelConfiguration::keyAccount(bool summary) const
{
    if (summary)
        return summaryService == ollama ? std::nullopt : std::optional<QString>(summaryService);
    if (asrService == whisper)
        return std::nullopt;
    if (asrService == qwen)
        return region == QLatin1String("singapore") ? QStringLiteral("qwen-singapore") : QStringLiteral("qwen-beijing");
    return asrService;
}

QJsonObject ModelConfiguration::toJSON() const
{
    return QJsonObject{
        {QStringLiteral("asrService"), asrService},   {QStringLiteral("localASRModel"), localASRModel},
        {QStringLiteral("region"), region},           {QStringLiteral("asrModel"), asrModel},
        {QStringLiteral("summaryModel"), summaryModel}, {QStringLiteral("summaryService"), summaryService},
        {QStringLiteral("ollamaURL"), ollamaURL},     {QStringLiteral("ollamaModel"), ollamaModel},
        {QStringLiteral("localThreads"), localThreads}, {QStringLiteral("spokenLanguage"), spokenLanguage},
        {QStringLiteral("localVAD"), localVAD},
    };
}

QByteArray ModelConfiguration::encoded() const
{
    return QJsonDocument(toJSON()).toJson(QJsonDocument::Compact);
}

std::optional<ModelConfiguration> ModelConfiguration::fromJSON(const QJsonObject &object)
{
    ModelConfiguration configuration;
    const std::pair<const char *, QString ModelConfiguration::*> fields[] = {
        {"region", &ModelConfiguration::region},
        {"asrModel", &ModelConfiguration::asrModel},
        {"summaryModel", &ModelConfiguration::summaryModel},
        {"asrService", &ModelConfiguration::asrService},
        {"localASRModel", &ModelConfiguration::localASRModel},
        {"summaryService", &ModelConfiguration::summaryService},
        {"ollamaURL", &ModelConfiguration::ollamaURL},
        {"ollamaModel", &ModelConfiguration::ollamaModel},
        {"spokenLanguage", &ModelConfiguration::spokenLanguage},
    };
    for (const auto &[key, member] : fields) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            continue;
        if (!value.isString())
            return std::nullopt;
        configuration.*member = value.toString();
    }
    const QJsonValue threads = object.value(QLatin1String("localThreads"));
    if (!threads.isUndefined()) {
        const double number = threads.toDouble(-1);
        if (!threads.isDouble() || number != double(qint64(number)) || number < 0 || number > maxLocalThreads)
            return std::nullopt;
        configuration.localThreads = int(number);
    }
    const QJsonValue vad = object.value(QLatin1String("localVAD"));
    if (!vad.isUndefined()) {
        if (!vad.isBool())
            return std::nullopt;
        configuration.localVAD = vad.toBool();
    }
    return configuration;
}

std::optional<ModelConfiguration> ModelConfiguration::decode(const QByteArray &data)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJSON(document.object());
}
