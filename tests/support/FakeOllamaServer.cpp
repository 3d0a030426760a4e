#include "support/FakeOllamaServer.h"

#include <QJsonObject>

namespace TestSupport {

namespace {
std::string pathOf(const std::string &route)
{
    return "/api/" + route;
}
} // namespace

void FakeOllamaServer::setInstalledModels(const QStringList &names)
{
    QJsonArray models;
    for (const QString &name : names)
        models.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("model"), name},
                                  {QStringLiteral("size"), 1234567}});
    setTags(models);
}

void FakeOllamaServer::setTags(const QJsonArray &models)
{
    setStanding(pathOf("tags"), CannedResponse::json(QJsonObject{{QStringLiteral("models"), models}}));
}

void FakeOllamaServer::setShow(const QStringList &capabilities, bool remote)
{
    QJsonObject reply{{QStringLiteral("capabilities"), QJsonArray::fromStringList(capabilities)},
                      {QStringLiteral("details"), QJsonObject{{QStringLiteral("family"), QStringLiteral("fake")}}}};
    if (remote) {
        reply.insert(QStringLiteral("remote_host"), QStringLiteral("https://ollama.com:443"));
        reply.insert(QStringLiteral("remote_model"), QStringLiteral("fake-remote"));
    }
    setStanding(pathOf("show"), CannedResponse::json(reply));
}

QJsonObject FakeOllamaServer::chatReply(const QString &content, std::optional<QString> doneReason, bool done)
{
    QJsonObject reply{{QStringLiteral("model"), QStringLiteral("fake")},
                      {QStringLiteral("message"), QJsonObject{{QStringLiteral("role"), QStringLiteral("assistant")},
                                                              {QStringLiteral("content"), content}}},
                      {QStringLiteral("done"), done}};
    if (doneReason)
        reply.insert(QStringLiteral("done_reason"), *doneReason);
    return reply;
}

void FakeOllamaServer::enqueueChat(const QString &content, std::optional<QString> doneReason, bool done)
{
    enqueueAnswer("chat", CannedResponse::json(chatReply(content, std::move(doneReason), done)));
}

void FakeOllamaServer::enqueueAnswer(const std::string &route, CannedResponse response)
{
    enqueue(pathOf(route), std::move(response));
}

std::vector<RecordedRequest> FakeOllamaServer::requestsTo(const std::string &route) const
{
    return requests(pathOf(route));
}

} // namespace TestSupport
