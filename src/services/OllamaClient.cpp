#include "services/OllamaClient.h"

#include "platform/Errors.h"
#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace {

const QString addressMessage = QStringLiteral("Ollama 仅支持本机 HTTP 地址，例如 http://127.0.0.1:11434。");

bool isLoopbackHost(const QString &host)
{
    static const QStringList allowed{QStringLiteral("localhost"), QStringLiteral("127.0.0.1"),
                                     QStringLiteral("[::1]"), QStringLiteral("::1")};
    return allowed.contains(host);
}

using namespace std::chrono_literals;

constexpr auto kCheckTimeout = 5s;
constexpr auto kChatTimeout = 1800s;

void throwIfStopped(const std::stop_token &stop)
{
    if (stop.stop_requested())
        throw Cancelled();
}

void checkHead(const HttpResponseHead &head)
{
    if (head.status < 200 || head.status > 299)
        throw AppFailure(QStringLiteral("Ollama 请求失败，请确认服务正在运行且模型已经下载。"));
}

bool isRemote(const QJsonObject &entry)
{
    return entry.contains(QStringLiteral("remote_host")) || entry.contains(QStringLiteral("remote_model"));
}

QCoro::Task<QJsonObject> requestOn(std::shared_ptr<HttpSession> session, QString base, QString route,
                                   std::optional<QJsonObject> body, std::chrono::milliseconds timeout,
                                   std::stop_token stop)
{
    QUrl url = OllamaClient::baseURL(base);
    url.setPath(QStringLiteral("/api/") + route);
    HttpRequest request;
    request.url = url;
    request.timeout = timeout;
    if (body) {
        request.method = "POST";
        request.headers = {{"Content-Type", "application/json"}};
        request.body = QJsonDocument(*body).toJson(QJsonDocument::Compact);
    }
    try {
        const HttpResponse response =
            co_await session->send(std::move(request), stop, &checkHead, OllamaClient::kBodyLimit);
        throwIfStopped(stop);
        co_return OllamaClient::replyObject(response.body);
    } catch (const Cancelled &) {
        throw;
    } catch (const AppFailure &) {
        if (stop.stop_requested())
            throw Cancelled();
        throw;
    } catch (const HttpBodyTooLarge &) {
        if (stop.stop_requested())
            throw Cancelled();
        throw AppFailure(QStringLiteral("Ollama 返回内容过长，原有纪要已保留。"));
    } catch (const HttpTransportError &error) {
        if (stop.stop_requested())
            throw Cancelled();
        if (error.timedOut())
            throw AppFailure(QStringLiteral("Ollama 响应超时，请尝试较小的模型。"));
        throw AppFailure(QStringLiteral("无法读取 Ollama 响应，请确认本机服务正在运行。"));
    }
}

// The chat reply's text when the reply is complete, else nothing.
std::optional<QString> completeContent(const QJsonObject &reply)
{
    const QJsonValue done = reply.value(QStringLiteral("done"));
    const QJsonValue reason = reply.value(QStringLiteral("done_reason"));
    const QJsonValue content = reply.value(QStringLiteral("message")).toObject().value(QStringLiteral("content"));
    if (!done.isBool() || !done.toBool())
        return std::nullopt;
    if (!reason.isUndefined() && reason != QJsonValue(QStringLiteral("stop")))
        return std::nullopt;
    if (!reply.value(QStringLiteral("message")).isObject() || !content.isString()
        || content.toString().trimmed().isEmpty())
        return std::nullopt;
    return content.toString();
}

bool canComplete(const QJsonObject &show)
{
    const QJsonValue capabilities = show.value(QStringLiteral("capabilities"));
    if (!capabilities.isArray())
        return false;
    const QJsonArray list = capabilities.toArray();
    const bool allText = std::all_of(list.begin(), list.end(), [](const QJsonValue &v) { return v.isString(); });
    return allText && list.contains(QJsonValue(QStringLiteral("completion")));
}

} // namespace

std::shared_ptr<HttpSession> OllamaClient::makeSession()
{
    HttpSessionConfiguration configuration;
    configuration.idleTimeout = kChatTimeout;
    configuration.transferLimit = kChatTimeout;
    configuration.bypassProxy = true;
    return std::make_shared<HttpSession>(configuration);
}

OllamaClient::OllamaClient(std::shared_ptr<HttpSession> session)
    : m_session(std::move(session))
{
}

bool OllamaClient::isCloudModel(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("(?:[:\\-])cloud(?:$|:)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

QCoro::Task<QJsonObject> OllamaClient::request(QString base, QString route, std::optional<QJsonObject> body,
                                               std::chrono::milliseconds timeout, std::stop_token stop) const
{
    return requestOn(m_session, std::move(base), std::move(route), std::move(body), timeout, std::move(stop));
}

QCoro::Task<QStringList> OllamaClient::models(QString base, std::stop_token stop) const
{
    const std::optional<QJsonObject> noBody;
    const QJsonObject reply = co_await requestOn(m_session, std::move(base), QStringLiteral("tags"), noBody,
                                                 kCheckTimeout, stop);
    co_return installedModels(reply);
}

QCoro::Task<QString> OllamaClient::summarize(QString text, ModelConfiguration configuration, bool merging,
                                             SummaryPreferences preferences, std::stop_token stop) const
{
    const std::shared_ptr<HttpSession> session = m_session;
    const QString model = configuration.ollamaModel;
    if (!validModel(model))
        throw AppFailure(QStringLiteral("请在设置中选择已安装的 Ollama 纪要模型。"));
    const std::optional<QJsonObject> showBody = QJsonObject{{QStringLiteral("model"), model}};
    const QJsonObject show =
        co_await requestOn(session, configuration.ollamaURL, QStringLiteral("show"), showBody, kCheckTimeout, stop);
    checkModelInfo(show, model);
    throwIfStopped(stop);

    const QJsonObject options{{QStringLiteral("temperature"), 0.2},
                              {QStringLiteral("num_ctx"), 16384},
                              {QStringLiteral("num_predict"), 4096}};
    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")},
                    {QStringLiteral("content"), preferences.prompt(merging)}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")}, {QStringLiteral("content"), text}}};
    const std::optional<QJsonObject> chatBody = QJsonObject{{QStringLiteral("model"), model},
                                                            {QStringLiteral("stream"), false},
                                                            {QStringLiteral("options"), options},
                                                            {QStringLiteral("messages"), messages}};
    const QJsonObject reply =
        co_await requestOn(session, configuration.ollamaURL, QStringLiteral("chat"), chatBody, kChatTimeout, stop);
    co_return chatContent(reply);
}

QUrl OllamaClient::baseURL(const QString &text)
{
    const QString trimmed = text.trimmed();
    // QUrl lower-cases the scheme it parses; the address must say "http" exactly.
    if (!trimmed.startsWith(QLatin1String("http:")))
        throw AppFailure(addressMessage);
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http"))
        throw AppFailure(addressMessage);
    if (url.host().isEmpty() || !isLoopbackHost(url.host()))
        throw AppFailure(addressMessage);
    if (!url.userInfo().isEmpty() || trimmed.section(QLatin1Char('/'), 2, 2).contains(QLatin1Char('@'))
        || url.hasQuery() || url.hasFragment())
        throw AppFailure(addressMessage);
    if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
        throw AppFailure(addressMessage);
    const int port = url.port();
    if (port != -1 && (port < 1 || port > 65535))
        throw AppFailure(addressMessage);

    if (url.host() == QLatin1String("localhost"))
        url.setHost(QStringLiteral("127.0.0.1"));
    url.setPath(QString());
    if (!url.isValid())
        throw AppFailure(QStringLiteral("Ollama 地址无效。"));
    return url;
}

bool OllamaClient::validModel(const QString &name)
{
    if (name.isEmpty() || name.size() > 200)
        return false;
    // Anchored on the whole text: "$" alone would let a trailing line feed through.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[a-zA-Z0-9][a-zA-Z0-9._:/-]*")));
    return pattern.match(name).hasMatch();
}

QJsonObject OllamaClient::replyObject(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw AppFailure(QStringLiteral("无法读取 Ollama 响应，请确认本机服务正在运行。"));
    if (!document.isObject() || document.object().contains(QStringLiteral("error")))
        throw AppFailure(QStringLiteral("Ollama 返回格式不正确。"));
    return document.object();
}

QStringList OllamaClient::installedModels(const QJsonObject &reply)
{
    const QJsonValue models = reply.value(QStringLiteral("models"));
    const QJsonArray entries = models.toArray();
    if (!models.isArray() || !std::all_of(entries.begin(), entries.end(), [](const QJsonValue &v) { return v.isObject(); }))
        throw AppFailure(QStringLiteral("Ollama 模型列表格式不正确。"));
    QStringList names;
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        const QJsonValue name = entry.value(QStringLiteral("name"));
        if (!name.isString() || !validModel(name.toString()) || isRemote(entry) || isCloudModel(name.toString()))
            continue;
        names.append(name.toString());
    }
    names.removeDuplicates();
    std::sort(names.begin(), names.end());
    return names;
}

void OllamaClient::checkModelInfo(const QJsonObject &show, const QString &model)
{
    if (isRemote(show) || isCloudModel(model))
        throw AppFailure(QStringLiteral("本地纪要不支持 Ollama 云端模型，请选择已下载的本地模型。"));
    if (!canComplete(show))
        throw AppFailure(QStringLiteral("这个 Ollama 模型不支持文字生成，请选择聊天模型或更新 Ollama。"));
}

QString OllamaClient::chatContent(const QJsonObject &reply)
{
    const std::optional<QString> content = completeContent(reply);
    if (!content)
        throw AppFailure(QStringLiteral("Ollama 未完整返回纪要，原有结果已保留。请尝试其他本地模型。"));
    return *content;
}
