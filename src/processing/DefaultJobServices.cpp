#include "processing/DefaultJobServices.h"

#include "services/KeyVault.h"
#include "services/LocalTranscriber.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"
#include "services/WhisperModels.h"

namespace DefaultJobServices {

JobServices jobServices()
{
    JobServices services;
    services.client = std::make_shared<ModelClient>();
    services.ollama = std::make_shared<OllamaClient>();
    services.keyProvider = [](QString account) { return nativeAPIKey(std::move(account)); };
    auto transcriber = std::make_shared<LocalTranscriber>(WhisperModels::shared());
    // The stop token reaches whisper-cli, so Ctrl-C does not wait for the chunk in progress.
    services.localTranscribe = [transcriber](QByteArray wav, WhisperRun run, std::stop_token stop) {
        return transcriber->transcribe(std::move(wav), std::move(run), std::move(stop));
    };
    services.configurationProvider = [] { return ModelConfiguration::load(); };
    return services;
}

} // namespace DefaultJobServices
