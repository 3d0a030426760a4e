#pragma once

#include "support/FakeHttpServer.h"

#include <QJsonArray>
#include <QStringList>

#include <optional>

namespace TestSupport {

// A local Ollama server speaking "api/tags", "api/show" and "api/chat". Standing answers make it
// behave like a server with installed models; queued answers override one request each.
class FakeOllamaServer final : public FakeHttpServer {
public:
    FakeOllamaServer() = default;

    // The address to configure as the Ollama URL ("http://127.0.0.1:<port>").
    QString baseURL() const { return origin(); }

    // Standing "api/tags" answer listing these models (as {"name", "model"} entries).
    void setInstalledModels(const QStringList &names);
    // Standing "api/tags" answer with the given entries exactly.
    void setTags(const QJsonArray &models);
    // Standing "api/show" answer with these capabilities; remote adds "remote_host" and
    // "remote_model" as a cloud-backed model's details carry them.
    void setShow(const QStringList &capabilities = {QStringLiteral("completion")}, bool remote = false);
    // One "api/chat" answer; doneReason absent leaves the key out.
    void enqueueChat(const QString &content, std::optional<QString> doneReason = QStringLiteral("stop"),
                     bool done = true);
    void enqueueAnswer(const std::string &route, CannedResponse response); // route like "chat"

    std::vector<RecordedRequest> requestsTo(const std::string &route) const; // route like "show"

    static QJsonObject chatReply(const QString &content, std::optional<QString> doneReason = QStringLiteral("stop"),
                                 bool done = true);
};

} // namespace TestSupport
