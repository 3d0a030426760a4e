#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class ModelClient;
class OllamaClient;
struct ModelConfiguration;

// The outside services the processing job uses, handed to the Workspace at construction so tests
// can point them at local fakes. The job (src/processing/WorkspaceJob.cpp) is their only user.
struct JobServices {
    // Cloud transcription and chat completions.
    std::shared_ptr<ModelClient> client;
    // API key for a credential-store account; nullopt when none is saved. Throws on a store failure.
    std::function<QCoro::Task<std::optional<QString>>(QString account)> keyProvider;
    // Local summaries.
    std::shared_ptr<OllamaClient> ollama;
    // Local transcription of one WAV chunk with the given model id.
    std::function<QCoro::Task<QString>(QByteArray wav, QString modelID)> localTranscribe;
    // The model settings at the moment of asking.
    std::function<ModelConfiguration()> configurationProvider;
};
