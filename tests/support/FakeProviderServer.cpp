#include "support/FakeProviderServer.h"

#include <QJsonArray>

namespace TestSupport {

FakeProviderServer::FakeProviderServer(std::string basePath)
    : m_basePath(std::move(basePath))
{
    while (!m_basePath.empty() && m_basePath.back() == '/')
        m_basePath.pop_back();
}

QString FakeProviderServer::baseURL() const
{
    return origin() + QString::fromStdString(m_basePath);
}

std::string FakeProviderServer::pathOf(const std::string &route) const
{
    return m_basePath + "/" + route;
}

void FakeProviderServer::enqueueAnswer(const std::string &route, CannedResponse response)
{
    enqueue(pathOf(route), std::move(response));
}

void FakeProviderServer::setStandingAnswer(const std::string &route, CannedResponse response)
{
    setStanding(pathOf(route), std::move(response));
}

QJsonObject FakeProviderServer::completion(const QString &content, std::optional<QString> finishReason)
{
    QJsonObject choice{{QStringLiteral("index"), 0},
                       {QStringLiteral("message"),
                        QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                    {QStringLiteral("content"), content}}}};
    if (finishReason)
        choice.insert(QStringLiteral("finish_reason"), *finishReason);
    return QJsonObject{{QStringLiteral("id"), QStringLiteral("chatcmpl-fake")},
                       {QStringLiteral("object"), QStringLiteral("chat.completion")},
                       {QStringLiteral("choices"), QJsonArray{choice}}};
}

void FakeProviderServer::enqueueCompletion(const QString &content, std::optional<QString> finishReason)
{
    enqueueAnswer("chat/completions", CannedResponse::json(completion(content, std::move(finishReason))));
}

void FakeProviderServer::enqueueTranscript(const QString &text, const std::string &route)
{
    enqueueAnswer(route, CannedResponse::json(QJsonObject{{QStringLiteral("text"), text}}));
}

void FakeProviderServer::enqueueModels(const QStringList &ids)
{
    QJsonArray data;
    for (const QString &id : ids)
        data.append(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("object"), QStringLiteral("model")}});
    enqueueAnswer("models", CannedResponse::json(QJsonObject{{QStringLiteral("object"), QStringLiteral("list")},
                                                             {QStringLiteral("data"), data}}));
}

std::vector<RecordedRequest> FakeProviderServer::requestsTo(const std::string &route) const
{
    return requests(pathOf(route));
}

} // namespace TestSupport
