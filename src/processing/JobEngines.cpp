#include "processing/JobEngines.h"

#include "platform/Errors.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"
#include "services/SummaryPreferences.h"

namespace JobEngines {

namespace {

// A Workspace built without an engine cannot run the stage; say so instead of crashing.
[[noreturn]] void missingEngine()
{
    throw AppFailure(QStringLiteral("没有可用的处理引擎。"));
}

} // namespace

std::optional<CloudProvider> cloudProvider(const ModelConfiguration &configuration, bool summary)
{
    if (summary) {
        if (configuration.summaryService == QLatin1String("ollama"))
            return std::nullopt;
        return CloudProvider::fromRawValue(configuration.summaryService);
    }
    if (configuration.asrService == QLatin1String("whisper"))
        return std::nullopt;
    return configuration.asrProvider();
}

QCoro::Task<ChunkTranscript> transcribe(JobServices services, ModelConfiguration configuration, QString key, QByteArray wav,
                                std::stop_token stop)
{
    if (configuration.asrService == QLatin1String("whisper")) {
        if (!services.localTranscribe)
            missingEngine();
        WhisperRun run{configuration.localASRModel, configuration.spokenLanguage, configuration.localThreads,
                       configuration.localVAD};
        QCoro::Task<ChunkTranscript> local = services.localTranscribe(std::move(wav), std::move(run), stop);
        co_return co_await local;
    }
    if (!services.client)
        missingEngine();
    // Every task is made before it is awaited: g++ 12 mishandles copied arguments inside co_await.
    QCoro::Task<ChunkTranscript> cloud = services.client->transcribe(std::move(wav), std::move(key), configuration, stop);
    co_return co_await cloud;
}

QCoro::Task<QString> summarize(JobServices services, ModelConfiguration configuration, SummaryPreferences preferences,
                               QString key, QString text, bool merging, std::stop_token stop)
{
    if (configuration.summaryService == QLatin1String("ollama")) {
        if (!services.ollama)
            missingEngine();
        QCoro::Task<QString> local = services.ollama->summarize(std::move(text), configuration, merging, preferences, stop);
        co_return co_await local;
    }
    if (!services.client)
        missingEngine();
    QCoro::Task<QString> cloud =
        services.client->summarize(std::move(text), std::move(key), configuration, merging, preferences, stop);
    co_return co_await cloud;
}

} // namespace JobEngines

QCoro::Task<ChunkTranscript> LocalTranscribeFunction::untimed(QCoro::Task<QString> text)
{
    QString words = co_await text;
    co_return ChunkTranscript::whole(std::move(words));
}
