#pragma once

#include "services/ChunkTranscript.h"
#include "services/WhisperRun.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <type_traits>
#include <utility>

class ModelClient;
class OllamaClient;
struct ModelConfiguration;

// Local transcription of one WAV chunk with the given model, language and threads. The stop token
// reaches the child process so a stopped job does not wait for the chunk to finish. Simpler
// callables are accepted too: one given only the model id (the language and threads are then its
// own business), one without the token (it then runs the chunk to its end and the job drops the
// text), one that gives plain text instead of a ChunkTranscript (one untimed stretch of it).
class LocalTranscribeFunction {
public:
    using Full = std::function<QCoro::Task<ChunkTranscript>(QByteArray wav, WhisperRun run, std::stop_token stop)>;

    LocalTranscribeFunction() = default;
    template<typename F>
        requires std::invocable<F &, QByteArray, WhisperRun, std::stop_token>
    LocalTranscribeFunction(F function) : m_function(Full(std::move(function)))
    {
    }
    template<typename F>
        requires(!std::invocable<F &, QByteArray, WhisperRun, std::stop_token>
                 && std::invocable<F &, QByteArray, QString, std::stop_token>)
    LocalTranscribeFunction(F function) : m_function(timed(std::move(function)))
    {
    }
    template<typename F>
        requires(!std::invocable<F &, QByteArray, WhisperRun, std::stop_token>
                 && !std::invocable<F &, QByteArray, QString, std::stop_token>
                 && std::invocable<F &, QByteArray, QString>)
    LocalTranscribeFunction(F function)
        : m_function(timed([function = std::move(function)](QByteArray wav, QString modelID, std::stop_token) mutable {
              return function(std::move(wav), std::move(modelID));
          }))
    {
    }

    explicit operator bool() const { return bool(m_function); }
    QCoro::Task<ChunkTranscript> operator()(QByteArray wav, WhisperRun run, std::stop_token stop = {}) const
    {
        return m_function(std::move(wav), std::move(run), std::move(stop));
    }

private:
    static QCoro::Task<ChunkTranscript> untimed(QCoro::Task<QString> text);

    // Adapts a callable given the model id only.
    template<typename F>
    static Full timed(F function)
    {
        using Result = std::invoke_result_t<F &, QByteArray, QString, std::stop_token>;
        return [function = std::move(function)](QByteArray wav, WhisperRun run, std::stop_token stop) mutable {
            if constexpr (std::is_same_v<Result, QCoro::Task<QString>>)
                return untimed(function(std::move(wav), std::move(run.modelID), std::move(stop)));
            else
                return function(std::move(wav), std::move(run.modelID), std::move(stop));
        };
    }

    Full m_function;
};

// The outside services the processing job uses, handed to the Workspace at construction so tests
// can point them at local fakes. The job (src/processing/WorkspaceJob.cpp) is their only user.
struct JobServices {
    // Cloud transcription and chat completions.
    std::shared_ptr<ModelClient> client;
    // API key for a credential-store account; nullopt when none is saved. Throws on a store failure.
    std::function<QCoro::Task<std::optional<QString>>(QString account)> keyProvider;
    // Local summaries.
    std::shared_ptr<OllamaClient> ollama;
    // Local transcription (in the program: LocalTranscriber::transcribe).
    LocalTranscribeFunction localTranscribe;
    // The model settings at the moment of asking.
    std::function<ModelConfiguration()> configurationProvider;
};
