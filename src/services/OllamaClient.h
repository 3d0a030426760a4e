#pragma once

#include "platform/HttpSession.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QCoroTask>

#include <chrono>
#include <memory>
#include <optional>
#include <stop_token>

struct ModelConfiguration;
struct SummaryPreferences;

// Talks to an Ollama server on this computer. Only loopback HTTP addresses are accepted, every
// request goes direct (no proxy) and redirects are never followed, so nothing leaves the machine.
// Use it on the thread that made its session.
class OllamaClient final {
public:
    static constexpr qint64 kBodyLimit = 2'097'152;

    // Validates a user-entered server address and normalises it ("localhost" becomes "127.0.0.1",
    // the path becomes empty). Throws AppFailure for anything that is not a loopback HTTP address.
    static QUrl baseURL(const QString &text);

    // Whether a model name is one Ollama could have installed: 1-200 characters of
    // letters, digits and "._:/-", starting with a letter or digit.
    static bool validModel(const QString &name);

    // Whether the name is one of Ollama's cloud-backed models ("...:cloud", "...-cloud:tag").
    static bool isCloudModel(const QString &name);

    // The session for Ollama traffic: 30 minutes idle and in all (a local model may be slow), no proxy.
    static std::shared_ptr<HttpSession> makeSession();

    explicit OllamaClient(std::shared_ptr<HttpSession> session = makeSession());

    const std::shared_ptr<HttpSession> &session() const { return m_session; }

    // The locally installed models that can be chosen, sorted, without duplicates or cloud models.
    QCoro::Task<QStringList> models(QString base, std::stop_token stop = {}) const;
    // One summary step on the configured local model. The reply untrimmed.
    QCoro::Task<QString> summarize(QString text, ModelConfiguration configuration, bool merging,
                                   SummaryPreferences preferences, std::stop_token stop = {}) const;
    // One request to base + "/api/" + route: a POST of body, or a GET without one. The reply object;
    // every failure is an AppFailure with the Ollama message for it, or Cancelled.
    QCoro::Task<QJsonObject> request(QString base, QString route, std::optional<QJsonObject> body,
                                     std::chrono::milliseconds timeout, std::stop_token stop = {}) const;

    // What the answers mean, apart from the transport. Each throws the AppFailure the person sees.
    // The reply object of a body ("error" replies and other shapes refused).
    static QJsonObject replyObject(const QByteArray &body);
    // The usable names of a /api/tags reply.
    static QStringList installedModels(const QJsonObject &tags);
    // Refuses a model whose /api/show reply says it is cloud-backed or cannot write text.
    static void checkModelInfo(const QJsonObject &show, const QString &model);
    // The summary text of a complete /api/chat reply.
    static QString chatContent(const QJsonObject &reply);

private:
    std::shared_ptr<HttpSession> m_session;
};
