#include "processing/JobEngines.h"

#include "platform/Errors.h"
#include "platform/Localization.h"
#include "services/CustomServer.h"
#include "services/SummaryPreferences.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"

namespace JobEngines {

namespace {

// A Workspace built without an engine cannot run the stage; say so instead of crashing.
[[noreturn]] void missingEngine()
{
    throw AppFailure(QStringLiteral("没有可用的处理引擎。"));
}

} // namespace

std::optional<ConsentTarget> consentTarget(const ModelConfiguration &configuration, bool summary)
{
    if (configuration.usesCustomServer(summary)) {
        // Named as typed; an address that fails its check stops the job before anything is sent.
        const QUrl address(summary ? configuration.customSummaryURL : configuration.customASRURL);
        if (CustomServer::isLoopback(address))
            return std::nullopt;
        return ConsentTarget{L(CustomServer::title()), address.host(), true};
    }
    std::optional<CloudProvider> provider;
    if (summary) {
        if (configuration.summaryService != QLatin1String("ollama"))
            provider = CloudProvider::fromRawValue(configuration.summaryService);
    } else if (configuration.asrService != QLatin1String("whisper")) {
        provider = configuration.asrProvider();
    }
    if (!provider)
        return std::nullopt;
    return ConsentTarget::of(*provider);
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
