#pragma once

#include "platform/HttpSession.h"
#include "services/ChunkTranscript.h"
#include "services/CloudProvider.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QCoroTask>

#include <memory>
#include <optional>
#include <stop_token>

struct ModelConfiguration;
struct SummaryPreferences;

// Speaks the OpenAI-compatible interface of the cloud providers: transcribes a WAV chunk, writes
// one summary step, checks a key. It keeps nothing and never retries; status and content failures
// are AppFailure, transport failures pass through as HttpTransportError. The API key only ever
// travels in the "Authorization" header. Use it on the thread that made its session.
class ModelClient final {
public:
    static constexpr qint64 kBodyLimit = 2'097'152;

    // The session both the Workspace and the settings screens use: 180 s idle, 240 s in all.
    static std::shared_ptr<HttpSession> makeSession();

    explicit ModelClient(std::shared_ptr<HttpSession> session = makeSession());

    const std::shared_ptr<HttpSession> &session() const { return m_session; }

    // The recognised text of one chunk, exactly as the service sent it, with its timed segments
    // where the service gives them (OpenAI's whisper-1).
    QCoro::Task<ChunkTranscript> transcribe(QByteArray wav, QString key, ModelConfiguration configuration,
                                    std::stop_token stop = {}) const;
    // One summary step: `text` under the system prompt of the preferences. The reply untrimmed.
    QCoro::Task<QString> summarize(QString text, QString key, ModelConfiguration configuration, bool merging,
                                   SummaryPreferences preferences, std::stop_token stop = {}) const;
    // True when the key is accepted and `model` is listed; false when only the model is missing.
    QCoro::Task<bool> checkAPI(CloudProvider provider, QString model, QString key,
                               std::stop_token stop = {}) const;

    // The model ids a custom server at `address` lists under "models"; the key is optional.
    QCoro::Task<QStringList> listModels(QString address, QString key, std::stop_token stop = {}) const;

    // A chat completion posted to url; the first choice's content.
    QCoro::Task<QString> complete(QUrl url, QString key, QJsonObject body, std::stop_token stop = {}) const;
    // The body of the request, refused past 2 MiB and never read when the head fails validation.
    QCoro::Task<HttpResponse> boundedData(HttpRequest request, std::stop_token stop) const;

    // Throws the AppFailure for a non-2xx status (or an answer that is not HTTP).
    static void validateResponse(const HttpResponseHead &head);
    // The content of a chat completion, or the AppFailure that explains why there is none. Blank
    // content is such a failure unless emptyAllowed (a transcript of a chunk without speech).
    static QString parse(const QByteArray &body, bool emptyAllowed = false);
    using FormFields = QList<QPair<QByteArray, QByteArray>>;
    // The multipart/form-data body of an OpenAI or Grok upload; no "response_format" or "language"
    // part when that value is empty.
    static QByteArray multipartBody(const QByteArray &boundary, const QString &model, const QByteArray &responseFormat,
                                    const QByteArray &wav, const QByteArray &language = {});
    // The text fields in order, then the WAV as the "file" part.
    static QByteArray multipartBody(const QByteArray &boundary, const FormFields &fields, const QByteArray &wav);
    // A "text" answer: the body itself (or a JSON transcript, which some servers send anyway).
    static std::optional<ChunkTranscript> plainTranscriptOf(const QByteArray &body);
    // The statuses with which a server says it does not offer the asked answer format.
    static bool refusesFormat(int status);
    // The transcript of an upload's answer: "text" (required; empty for no speech) and, when present,
    // "segments" with "start", "end" in seconds and "text". Absent when "text" is missing.
    static std::optional<ChunkTranscript> transcriptOf(const QByteArray &body);
    // The model ids of a "models" listing ({"data": [{"id": "..."}, ...]}); absent on any other shape.
    static std::optional<QStringList> modelIDs(const QByteArray &body);
    // The JSON body of a DashScope transcription: the WAV inline as a Base64 data URL, and the
    // spoken language in "asr_options" unless it is empty.
    static QJsonObject dashScopeTranscriptionBody(const QString &model, const QByteArray &wav,
                                                  const QString &language = {});
    // The spoken-language setting as the provider's request names it; empty when the provider is
    // to detect it ("auto", or a language the provider does not name).
    static QString requestLanguage(CloudProvider provider, const QString &spokenLanguage);
    // The JSON body of a summary request, with the provider's own switches (none for a custom server).
    static QJsonObject summaryBody(std::optional<CloudProvider> provider, const QString &model, const QString &systemPrompt,
                                   const QString &text);

private:
    QCoro::Task<QStringList> modelsAt(QUrl url, QString key, std::stop_token stop) const;
    QCoro::Task<ChunkTranscript> customUpload(QUrl base, QByteArray wav, QString key, QString model,
                                              QString language, std::stop_token stop) const;
    QCoro::Task<ChunkTranscript> upload(CloudProvider provider, QByteArray wav, QString key, QString model,
                                QString language, std::stop_token stop) const;

    std::shared_ptr<HttpSession> m_session;
};
