#pragma once

#include "processing/CloudConsent.h"
#include "workspace/JobServices.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>

#include <optional>
#include <stop_token>

struct ModelConfiguration;
struct SummaryPreferences;

// Which engine serves a stage of the processing job, and one call to it.
namespace JobEngines {

// Where a stage sends the note, for the consent question; none when it stays on this computer
// ("whisper", "ollama", a custom server on loopback) or the setting names no provider.
std::optional<ConsentTarget> consentTarget(const ModelConfiguration &configuration, bool summary);

// One chunk's transcript from the local transcriber or the cloud client.
QCoro::Task<ChunkTranscript> transcribe(JobServices services, ModelConfiguration configuration, QString key, QByteArray wav,
                                std::stop_token stop);

// One summary request to Ollama or the cloud client.
QCoro::Task<QString> summarize(JobServices services, ModelConfiguration configuration, SummaryPreferences preferences,
                               QString key, QString text, bool merging, std::stop_token stop);

} // namespace JobEngines
