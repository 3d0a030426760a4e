#pragma once

#include "services/CloudProvider.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <optional>

class Preferences;

// Which engines transcribe and summarise, with which model names. Stored as JSON data under
// "native.model-configuration". API keys are never part of it (see KeyVault).
struct ModelConfiguration {
    static inline const QString preferencesKey = QStringLiteral("native.model-configuration");

    QString region = QStringLiteral("beijing");              // DashScope region for asrService "qwen"
    QString asrModel = QStringLiteral("qwen3-asr-flash");     // cloud transcription model
    QString summaryModel = QStringLiteral("deepseek-flash");  // cloud summary model
    QString asrService = QStringLiteral("qwen");              // "whisper", "qwen" or a provider raw value
    QString localASRModel = QStringLiteral("base");           // "tiny", "base" or "small"
    QString summaryService = QStringLiteral("deepseek");      // "ollama" or a provider raw value
    QString ollamaURL = QStringLiteral("http://127.0.0.1:11434");
    QString ollamaModel;
    // The person's own OpenAI-compatible servers (asrService / summaryService "custom"): base
    // address and model name, empty when unset. Their optional keys live in the vault.
    QString customASRURL;
    QString customASRModel;
    QString customSummaryURL;
    QString customSummaryModel;
    // Threads for the local engine; 0 means one per physical core.
    int localThreads = 0;
    // The language spoken in the recordings, as a whisper code, or "auto" to detect it per note.
    QString spokenLanguage = QStringLiteral("auto");
    // Skip silence with the voice detector once its model is installed.
    bool localVAD = true;

    static constexpr int maxLocalThreads = 256;

    bool operator==(const ModelConfiguration &) const = default;

    // The stored configuration; the defaults when nothing is stored or it does not decode.
    // Does not validate.
    static ModelConfiguration load();
    static ModelConfiguration load(const Preferences &defaults);
    // Validates, pins the legacy key region, then stores. Throws AppFailure; on failure nothing
    // is written.
    void save() const;
    void save(Preferences &defaults) const;
    // Throws AppFailure with the first failing rule's message.
    void validate() const;

    // Makes the provider and model the engine of one role; the other role is left alone.
    void select(CloudProvider provider, const QString &model, bool summary);

    // Display names of the engines ("Whisper", "Ollama", or the provider's shown title).
    QString asrTitle() const;
    QString summaryTitle() const;
    // The transcription provider; none for "whisper" or an unknown service.
    std::optional<CloudProvider> asrProvider() const;
    // Where a cloud transcription request goes (an unknown service falls back to DashScope Beijing).
    // For the custom server: its address followed by "audio/transcriptions".
    QUrl asrURL() const;
    // The key-vault account a job needs for the role; none for a service on this computer.
    std::optional<QString> keyAccount(bool summary) const;
    // True when the role is served by the custom server (whose key is optional).
    bool usesCustomServer(bool summary) const;

    // The stored form: every key.
    QJsonObject toJSON() const;
    QByteArray encoded() const;
    // Lenient decoding of the stored form: missing keys take defaults, unknown keys are ignored,
    // a present key of the wrong type (a string; "localThreads" a whole number, "localVAD" a
    // boolean) fails the decode.
    static std::optional<ModelConfiguration> fromJSON(const QJsonObject &object);
    static std::optional<ModelConfiguration> decode(const QByteArray &data);
};
