#pragma once

#include "support/FakeHttpServer.h"

#include <QStringList>

#include <optional>

namespace TestSupport {

// A cloud model service speaking the OpenAI-compatible routes ("chat/completions",
// "audio/transcriptions", "stt", "models") under one base path, as the providers do.
// Routes are given without the base path: enqueueAnswer("chat/completions", ...).
class FakeProviderServer final : public FakeHttpServer {
public:
    explicit FakeProviderServer(std::string basePath = "/v1");

    // The address to use as the provider's base address (origin + base path, no trailing "/").
    QString baseURL() const;
    // The full request path of a route: base path + "/" + route.
    std::string pathOf(const std::string &route) const;

    void enqueueAnswer(const std::string &route, CannedResponse response);
    void setStandingAnswer(const std::string &route, CannedResponse response);
    // A chat completion with one choice; finishReason absent leaves the key out.
    void enqueueCompletion(const QString &content, std::optional<QString> finishReason = QStringLiteral("stop"));
    // A transcription answer {"text": text} on "audio/transcriptions" (OpenAI) or "stt" (Grok).
    void enqueueTranscript(const QString &text, const std::string &route = "audio/transcriptions");
    // A model list {"data": [{"id": ...}, ...]} on "models".
    void enqueueModels(const QStringList &ids);

    std::vector<RecordedRequest> requestsTo(const std::string &route) const;

    static QJsonObject completion(const QString &content, std::optional<QString> finishReason = QStringLiteral("stop"));

private:
    std::string m_basePath;
};

} // namespace TestSupport
