#include "cli/CliServices.h"

#include "services/KeyVault.h"
#include "services/LocalTranscriber.h"
#include "services/ModelClient.h"
#include "services/ModelConfiguration.h"
#include "services/OllamaClient.h"
#include "services/WhisperModels.h"

namespace CliServices {

JobServices jobServices()
{
    JobServices services;
    services.client = std::make_shared<ModelClient>();
    services.ollama = std::make_shared<OllamaClient>();
    services.keyProvider = [](QString account) { return nativeAPIKey(std::move(account)); };
    auto transcriber = std::make_shared<LocalTranscriber>(WhisperModels::shared());
    services.localTranscribe = [transcriber](QByteArray wav, QString modelID) {
        return transcriber->transcribe(std::move(wav), std::move(modelID));
    };
    services.configurationProvider = [] { return ModelConfiguration::load(); };
    return services;
}

} // namespace CliServices
