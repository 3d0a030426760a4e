#include "services/ModelClient.h"

#include "services/CustomServer.h"
#include "services/ModelConfiguration.h"
#include "services/SpokenLanguages.h"
#include "services/SummaryPreferences.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

#include <algorithm>
#include <optional>

namespace {

using namespace std::chrono_literals;

constexpr auto kRequestTimeout = 60s;
constexpr auto kModelListTimeout = 15s;

QString statusMessage(int status)
{
    switch (status) {
    case 400: return QStringLiteral("模型或参数不受支持");
    case 401: return QStringLiteral("API Key 无效，请检查供应商和地域");
    case 402: return QStringLiteral("模型账户余额不足");
    case 403: return QStringLiteral("没有模型调用权限");
    case 404: return QStringLiteral("模型或接口不存在");
    case 429: return QStringLiteral("请求限流，请稍后继续");
    default: return QStringLiteral("模型服务请求失败");
    }
}

// A key pasted with a line break inside would otherwise end the header early and let the rest of
// it be read as further headers of our request.
QByteArray bearer(const QString &key)
{
    const bool unsafe =
        std::any_of(key.begin(), key.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    if (unsafe)
        throw AppFailure(QStringLiteral("API Key 包含无效字符，请重新填写。"));
    return "Bearer " + key.toUtf8();
}

// The Authorization header, or none for a custom server used without a key. A key is never put
// on plain http to another machine.
QList<QPair<QByteArray, QByteArray>> authorization(const QUrl &url, const QString &key, bool optional)
{
    if (optional && key.isEmpty())
        return {};
    CustomServer::checkKeyTransport(url, key);
    return {{"Authorization", bearer(key)}};
}

QByteArray compactJSON(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void throwIfStopped(const std::stop_token &stop)
{
    if (stop.stop_requested())
        throw Cancelled();
}

std::optional<QJsonObject> jsonObject(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

struct Choice {
    QString content;
    std::optional<QString> finishReason;
};

// Decodes {"choices": [{"message": {"content": "..."}, "finish_reason": "..."}]}; every choice
// must have that shape. Absent on any missing key or wrong type.
std::optional<QList<Choice>> decodeChoices(const QByteArray &body)
{
    const auto object = jsonObject(body);
    if (!object || !object->value(QStringLiteral("choices")).isArray())
        return std::nullopt;
    QList<Choice> choices;
    for (const QJsonValue &entry : object->value(QStringLiteral("choices")).toArray()) {
        if (!entry.isObject())
            return std::nullopt;
        const QJsonObject choice = entry.toObject();
        const QJsonValue message = choice.value(QStringLiteral("message"));
        if (!message.isObject() || !message.toObject().value(QStringLiteral("content")).isString())
            return std::nullopt;
        const QJsonValue reason = choice.value(QStringLiteral("finish_reason"));
        if (!reason.isUndefined() && !reason.isNull() && !reason.isString())
            return std::nullopt;
        choices.append({message.toObject().value(QStringLiteral("content")).toString(),
                        reason.isString() ? std::optional(reason.toString()) : std::nullopt});
    }
    return choices;
}

} // namespace

std::optional<QStringList> ModelClient::modelIDs(const QByteArray &body)
{
    const auto object = jsonObject(body);
    if (!object || !object->value(QStringLiteral("data")).isArray())
        return std::nullopt;
    QStringList ids;
    for (const QJsonValue &entry : object->value(QStringLiteral("data")).toArray()) {
        const QJsonValue id = entry.toObject().value(QStringLiteral("id"));
        if (!entry.isObject() || !id.isString())
            return std::nullopt;
        ids.append(id.toString());
    }
    return ids;
}

namespace {

HttpRequest jsonPost(const QUrl &url, const QString &key, const QByteArray &body)
{
    HttpRequest request;
    request.method = "POST";
    request.url = url;
    // Cloud providers always get a key (the job requires one); only a custom server goes without.
    request.headers = authorization(url, key, true);
    request.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = body;
    request.timeout = kRequestTimeout;
    return request;
}

QCoro::Task<HttpResponse> boundedDataOn(std::shared_ptr<HttpSession> session, HttpRequest request,
                                        std::stop_token stop,
                                        HttpSession::HeadCheck checkHead = &ModelClient::validateResponse)
{
    try {
        co_return co_await session->send(std::move(request), stop, std::move(checkHead), ModelClient::kBodyLimit);
    } catch (const HttpBodyTooLarge &) {
        throw AppFailure(QStringLiteral("模型返回内容过长，原有结果已保留。"));
    }
}

QCoro::Task<QString> completeOn(std::shared_ptr<HttpSession> session, QUrl url, QString key, QJsonObject body,
                                std::stop_token stop, bool emptyAllowed = false)
{
    HttpRequest request = jsonPost(url, key, compactJSON(body));
    const HttpResponse response = co_await boundedDataOn(session, std::move(request), stop);
    throwIfStopped(stop);
    ModelClient::validateResponse(response.head);
    co_return ModelClient::parse(response.body, emptyAllowed);
}

} // namespace

std::shared_ptr<HttpSession> ModelClient::makeSession()
{
    HttpSessionConfiguration configuration;
    configuration.idleTimeout = 180s;
    configuration.transferLimit = 240s;
    return std::make_shared<HttpSession>(configuration);
}

ModelClient::ModelClient(std::shared_ptr<HttpSession> session)
    : m_session(std::move(session))
{
}

void ModelClient::validateResponse(const HttpResponseHead &head)
{
    if (head.status == 0)
        throw AppFailure(QStringLiteral("模型没有返回有效响应。"));
    if (head.status >= 200 && head.status <= 299)
        return;
    // The status itself is never translated: it follows the message after a space.
    throw AppFailure(statusMessage(head.status), {}, QStringLiteral("(HTTP %1)").arg(head.status));
}

QString ModelClient::parse(const QByteArray &body, bool emptyAllowed)
{
    const auto choices = decodeChoices(body);
    if (!choices)
        throw AppFailure(QStringLiteral("模型返回格式无法识别，未保存为成功。"));
    if (choices->isEmpty() || (choices->first().finishReason && *choices->first().finishReason != u"stop"))
        throw AppFailure(QStringLiteral("模型未完整返回内容，原有结果已保留。"));
    const QString content = choices->first().content;
    if (content.trimmed().isEmpty() && !emptyAllowed)
        throw AppFailure(QStringLiteral("模型返回空内容，未覆盖原有结果。"));
    return content;
}

QByteArray ModelClient::multipartBody(const QByteArray &boundary, const QString &model,
                                      const QByteArray &responseFormat, const QByteArray &wav,
                                      const QByteArray &language)
{
    FormFields fields{{"model", model.toUtf8()}};
    if (!language.isEmpty())
        fields.append(qMakePair(QByteArray("language"), language));
    if (!responseFormat.isEmpty())
        fields.append(qMakePair(QByteArray("response_format"), responseFormat));
    return multipartBody(boundary, fields, wav);
}

QByteArray ModelClient::multipartBody(const QByteArray &boundary, const FormFields &fields, const QByteArray &wav)
{
    QByteArray body;
    body.reserve(wav.size() + 512);
    for (const auto &[name, value] : fields)
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value + "\r\n";
    body += "--" + boundary
        + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"audio.wav\"\r\nContent-Type: audio/wav\r\n\r\n";
    body += wav;
    body += "\r\n--" + boundary + "--\r\n";
    return body;
}

QJsonObject ModelClient::dashScopeTranscriptionBody(const QString &model, const QByteArray &wav,
                                                    const QString &language)
{
    const QString dataURL = QStringLiteral("data:audio/wav;base64,") + QString::fromLatin1(wav.toBase64());
    const QJsonObject audio{{QStringLiteral("data"), dataURL}};
    const QJsonObject part{{QStringLiteral("type"), QStringLiteral("input_audio")},
                           {QStringLiteral("input_audio"), audio}};
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("user")},
                              {QStringLiteral("content"), QJsonArray{part}}};
    QJsonObject options{{QStringLiteral("enable_itn"), true}};
    if (!language.isEmpty())
        options.insert(QStringLiteral("language"), language);
    return QJsonObject{{QStringLiteral("model"), model},
                       {QStringLiteral("stream"), false},
                       {QStringLiteral("asr_options"), options},
                       {QStringLiteral("messages"), QJsonArray{message}}};
}

QString ModelClient::requestLanguage(CloudProvider provider, const QString &spokenLanguage)
{
    // DashScope's recognisers name these languages; OpenAI takes any two-letter ISO 639-1 code.
    static const QStringList dashScope{"zh", "yue", "en", "ja", "ko", "de", "fr", "ru", "es", "it", "pt", "ar"};
    if (provider.isQwen())
        return dashScope.contains(spokenLanguage) ? spokenLanguage : QString();
    if (provider == CloudProvider::openai && spokenLanguage.size() == 2 && spokenLanguage != QLatin1String("jw"))
        return spokenLanguage;
    return {};
}

QJsonObject ModelClient::summaryBody(std::optional<CloudProvider> provider, const QString &model,
                                     const QString &systemPrompt, const QString &text)
{
    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")}, {QStringLiteral("content"), systemPrompt}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")}, {QStringLiteral("content"), text}}};
    QJsonObject body{{QStringLiteral("model"), model},
                     {QStringLiteral("stream"), false},
                     {QStringLiteral("max_tokens"), 6000},
                     {QStringLiteral("messages"), messages}};
    if (provider == CloudProvider::deepseek)
        body.insert(QStringLiteral("thinking"), QJsonObject{{QStringLiteral("type"), QStringLiteral("disabled")}});
    else if (provider && provider->isQwen())
        body.insert(QStringLiteral("enable_thinking"), false);
    return body;
}

QCoro::Task<HttpResponse> ModelClient::boundedData(HttpRequest request, std::stop_token stop) const
{
    return boundedDataOn(m_session, std::move(request), std::move(stop));
}

QCoro::Task<QString> ModelClient::complete(QUrl url, QString key, QJsonObject body, std::stop_token stop) const
{
    return completeOn(m_session, std::move(url), std::move(key), std::move(body), std::move(stop));
}

std::optional<ChunkTranscript> ModelClient::transcriptOf(const QByteArray &body)
{
    const auto object = jsonObject(body);
    const QJsonValue text = object ? object->value(QStringLiteral("text")) : QJsonValue();
    // An empty text is the answer for a chunk without speech; only a missing one is no answer.
    if (!text.isString())
        return std::nullopt;
    ChunkTranscript transcript = ChunkTranscript::whole(text.toString());
    // whisper-1's verbose answer: {"segments": [{"start": 0.0, "end": 4.2, "text": " ..."}, ...]}.
    for (const QJsonValue &entry : object->value(QStringLiteral("segments")).toArray()) {
        const QJsonObject segment = entry.toObject();
        const QJsonValue start = segment.value(QStringLiteral("start"));
        const QJsonValue end = segment.value(QStringLiteral("end"));
        const QString words = segment.value(QStringLiteral("text")).toString().trimmed();
        if (start.isDouble() && end.isDouble() && !words.isEmpty())
            transcript.segments.push_back({start.toDouble(), end.toDouble(), words});
    }
    return transcript;
}

QCoro::Task<ChunkTranscript> ModelClient::transcribe(QByteArray wav, QString key, ModelConfiguration configuration,
                                             std::stop_token stop) const
{
    if (configuration.usesCustomServer(false)) {
        const QUrl base = CustomServer::baseURL(configuration.customASRURL);
        // The person's own server takes whisper's language codes as they are; none leaves it to detect.
        QString language = configuration.spokenLanguage != SpokenLanguages::automatic
                && SpokenLanguages::isKnown(configuration.spokenLanguage)
            ? configuration.spokenLanguage
            : QString();
        co_return co_await customUpload(base, std::move(wav), std::move(key), configuration.customASRModel,
                                        std::move(language), std::move(stop));
    }
    const std::optional<CloudProvider> provider = configuration.asrProvider();
    if (!provider || provider->models(false).isEmpty())
        throw AppFailure(QStringLiteral("转写配置无效。"));
    if (provider->isQwen()) {
        const QJsonObject body = dashScopeTranscriptionBody(
            configuration.asrModel, wav, requestLanguage(*provider, configuration.spokenLanguage));
        const QUrl url = provider->requestURL(QStringLiteral("chat/completions"));
        // A chunk without speech comes back empty: that is its transcript, not a failure.
        QString text = co_await completeOn(m_session, url, std::move(key), body, std::move(stop), true);
        co_return ChunkTranscript::whole(std::move(text));
    }
    QString language = requestLanguage(*provider, configuration.spokenLanguage);
    co_return co_await upload(*provider, std::move(wav), std::move(key), configuration.asrModel, std::move(language),
                              std::move(stop));
}

QCoro::Task<ChunkTranscript> ModelClient::upload(CloudProvider provider, QByteArray wav, QString key, QString model,
                                         QString language, std::stop_token stop) const
{
    const std::shared_ptr<HttpSession> session = m_session;
    const QByteArray boundary =
        "Hushnote-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1();
    HttpRequest request;
    request.method = "POST";
    request.url = provider.requestURL(provider == CloudProvider::grok ? QStringLiteral("stt")
                                                                      : QStringLiteral("audio/transcriptions"));
    request.headers = {{"Authorization", bearer(key)},
                       {"Content-Type", "multipart/form-data; boundary=" + boundary}};
    // whisper-1 times its segments when asked for the verbose answer; the newer OpenAI models
    // only know the plain one.
    const QByteArray format = provider != CloudProvider::openai ? QByteArray()
        : model == QLatin1String("whisper-1")                   ? QByteArray("verbose_json")
                                                                : QByteArray("json");
    request.body = multipartBody(boundary, model, format, wav, language.toUtf8());
    request.timeout = kRequestTimeout;
    wav.clear(); // the body holds the only copy we need while the upload runs

    const HttpResponse response = co_await boundedDataOn(session, std::move(request), stop);
    throwIfStopped(stop);
    validateResponse(response.head);
    std::optional<ChunkTranscript> transcript = transcriptOf(response.body);
    if (!transcript)
        throw AppFailure(QStringLiteral("模型返回空内容或无效转写，未保存为成功。"));
    co_return std::move(*transcript);
}

QCoro::Task<QString> ModelClient::summarize(QString text, QString key, ModelConfiguration configuration,
                                            bool merging, SummaryPreferences preferences, std::stop_token stop) const
{
    if (configuration.usesCustomServer(true)) {
        const QUrl base = CustomServer::baseURL(configuration.customSummaryURL);
        const QJsonObject body =
            summaryBody(std::nullopt, configuration.customSummaryModel, preferences.prompt(merging), text);
        const QUrl url = CloudProvider::joined(base, QStringLiteral("chat/completions"));
        co_return co_await completeOn(m_session, url, std::move(key), body, std::move(stop));
    }
    const std::optional<CloudProvider> provider = CloudProvider::fromRawValue(configuration.summaryService);
    if (!provider)
        throw AppFailure(QStringLiteral("请选择有效的纪要服务。"));
    const QJsonObject body = summaryBody(*provider, configuration.summaryModel, preferences.prompt(merging), text);
    const QUrl url = provider->requestURL(QStringLiteral("chat/completions"));
    co_return co_await completeOn(m_session, url, std::move(key), body, std::move(stop));
}

QCoro::Task<bool> ModelClient::checkAPI(CloudProvider provider, QString model, QString key,
                                        std::stop_token stop) const
{
    if (key.trimmed().isEmpty())
        throw AppFailure(QStringLiteral("请填写 API Key。"));
    const QStringList ids = co_await modelsAt(provider.requestURL(QStringLiteral("models")), key, std::move(stop));
    co_return ids.contains(model);
}

QCoro::Task<QStringList> ModelClient::listModels(QString address, QString key, std::stop_token stop) const
{
    const QUrl base = CustomServer::baseURL(address);
    co_return co_await modelsAt(CloudProvider::joined(base, QStringLiteral("models")), key, std::move(stop));
}

QCoro::Task<QStringList> ModelClient::modelsAt(QUrl url, QString key, std::stop_token stop) const
{
    const std::shared_ptr<HttpSession> session = m_session;
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    request.headers = authorization(url, key, true);
    request.timeout = kModelListTimeout;

    const HttpResponse response = co_await boundedDataOn(session, std::move(request), stop);
    throwIfStopped(stop);
    validateResponse(response.head);
    std::optional<QStringList> ids = modelIDs(response.body);
    if (!ids)
        throw AppFailure(QStringLiteral("模型列表格式无法识别。"));
    co_return std::move(*ids);
}

// Asks for timed segments first; a server that refuses the verbose answer (some know only "json",
// whisper.cpp's server only some formats) is asked again more plainly, up to plain text.
QCoro::Task<ChunkTranscript> ModelClient::customUpload(QUrl base, QByteArray wav, QString key, QString model,
                                                       QString language, std::stop_token stop) const
{
    const std::shared_ptr<HttpSession> session = m_session;
    const QUrl url = CloudProvider::joined(base, QStringLiteral("audio/transcriptions"));
    const QList<QPair<QByteArray, QByteArray>> auth = authorization(url, key, true);
    const QByteArray formats[] = {"verbose_json", "json", "text"};
    for (const QByteArray &format : formats) {
        const bool last = format == formats[std::size(formats) - 1];
        const QByteArray boundary =
            "Hushnote-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().toLatin1();
        FormFields fields{{"model", model.toUtf8()}, {"response_format", format}};
        if (!language.isEmpty())
            fields.append(qMakePair(QByteArray("language"), language.toUtf8()));
        if (format == "verbose_json")
            fields.append(qMakePair(QByteArray("timestamp_granularities[]"), QByteArray("segment")));
        HttpRequest request;
        request.method = "POST";
        request.url = url;
        request.headers = auth;
        request.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("multipart/form-data; boundary=" + boundary)));
        request.body = multipartBody(boundary, fields, wav);
        request.timeout = kRequestTimeout;

        HttpSession::HeadCheck check = [last](const HttpResponseHead &head) {
            if (last || !refusesFormat(head.status))
                validateResponse(head);
        };
        const HttpResponse response = co_await boundedDataOn(session, std::move(request), stop, std::move(check));
        throwIfStopped(stop);
        if (!last && refusesFormat(response.head.status))
            continue;
        validateResponse(response.head);
        std::optional<ChunkTranscript> transcript =
            format == "text" ? plainTranscriptOf(response.body) : transcriptOf(response.body);
        if (!transcript)
            throw AppFailure(QStringLiteral("模型返回空内容或无效转写，未保存为成功。"));
        co_return std::move(*transcript);
    }
    throw AppFailure(QStringLiteral("模型返回空内容或无效转写，未保存为成功。"));
}

bool ModelClient::refusesFormat(int status)
{
    return status == 400 || status == 415 || status == 422;
}

std::optional<ChunkTranscript> ModelClient::plainTranscriptOf(const QByteArray &body)
{
    // Some servers still answer JSON when asked for text.
    if (std::optional<ChunkTranscript> transcript = transcriptOf(body))
        return transcript;
    const QString text = QString::fromUtf8(body);
    if (text.trimmed().isEmpty() || text.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return ChunkTranscript::whole(text);
}
