#include "services/ModelConfiguration.h"

#include "platform/Errors.h"
#include "platform/Preferences.h"
#include "services/CustomServer.h"
#include "services/LegacyKeyRegion.h"
#include "services/OllamaClient.h"
#include "services/SpokenLanguages.h"
#include "services/WhisperModels.h"

#include "platform/Localization.h"

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
    require(isCleanModelName(customASRModel) && isCleanModelName(customSummaryModel), invalidModels);
    // An address is checked whenever one is set, so a stored configuration never holds one that
    // would be refused later.
    for (const QString *address : {&customASRURL, &customSummaryURL}) {
        if (!address->isEmpty())
            CustomServer::baseURL(*address);
    }
    if (asrService != whisper && asrService != CustomServer::service) {
        const auto provider = asrProvider();
        require(provider && !provider->models(false).isEmpty(), invalidTranscription);
    }
    require(WhisperModels::isUsableID(localASRModel), invalidTranscription);
    require(localThreads >= 0 && localThreads <= maxLocalThreads, invalidTranscription);
    require(SpokenLanguages::isKnown(spokenLanguage), invalidTranscription);
    require(summaryService == ollama || summaryService == CustomServer::service
                || CloudProvider::fromRawValue(summaryService),
            "请选择有效的纪要服务。");
    require(!asrModel.trimmed().isEmpty(), "转写模型不能为空。");
    for (const bool summary : {false, true}) {
        if (!usesCustomServer(summary))
            continue;
        const QString &address = summary ? customSummaryURL : customASRURL;
        const QString &model = summary ? customSummaryModel : customASRModel;
        CustomServer::baseURL(address);
        require(!model.trimmed().isEmpty(), "请填写自定义服务器的模型名称。");
    }
    if (summaryService == ollama) {
        OllamaClient::baseURL(ollamaURL);
        require(OllamaClient::validModel(ollamaModel), "请选择已安装的 Ollama 纪要模型。");
    } else if (summaryService != CustomServer::service) {
        require(!summaryModel.trimmed().isEmpty(), "纪要模型不能为空。");
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
    if (asrService == CustomServer::service)
        return L(CustomServer::title());
    if (const auto provider = asrProvider())
        return provider->displayTitle();
    return asrService;
}

QString ModelConfiguration::summaryTitle() const
{
    if (summaryService == ollama)
        return QStringLiteral("Ollama");
    if (summaryService == CustomServer::service)
        return L(CustomServer::title());
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
    if (asrService == CustomServer::service)
        return CloudProvider::joined(QUrl(customASRURL), QStringLiteral("audio/transcriptions"));
    const CloudProvider provider = asrProvider().value_or(CloudProvider::qwenBeijing);
    if (provider.isQwen())
        return provider.requestURL(QStringLiteral("chat/completions"));
    if (provider == CloudProvider::grok)
        return provider.requestURL(QStringLiteral("stt"));
    return provider.requestURL(QStringLiteral("audio/transcriptions"));
}

bool ModelConfiguration::usesCustomServer(bool summary) const
{
    return (summary ? summaryService : asrService) == CustomServer::service;
}

std::optional<QString> ModelConfiguration::keyAccount(bool summary) const
{
    if (usesCustomServer(summary))
        return CustomServer::account(summary);
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
        {QStringLiteral("customASRURL"), customASRURL}, {QStringLiteral("customASRModel"), customASRModel},
        {QStringLiteral("customSummaryURL"), customSummaryURL},
        {QStringLiteral("customSummaryModel"), customSummaryModel},
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
        {"customASRURL", &ModelConfiguration::customASRURL},
        {"customASRModel", &ModelConfiguration::customASRModel},
        {"customSummaryURL", &ModelConfiguration::customSummaryURL},
        {"customSummaryModel", &ModelConfiguration::customSummaryModel},
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
