#pragma once

#include <QByteArray>
#include "services/ChunkTranscript.h"

#include <QCoroTask>
#include <QString>

#include <chrono>
#include <stop_token>

class WhisperModels;

// Turns one WAV chunk into text on this computer with the bundled whisper-cli and an installed,
// verified model. No audio leaves the machine.
class LocalTranscriber final {
public:
    static constexpr qint64 outputLimit = 4194304; // the transcript must be smaller than 4 MiB

    // executable defaults to the helper beside the program (../libexec/hushnote/whisper-cli).
    explicit LocalTranscriber(WhisperModels &models, QString executable = {});

    static QString defaultExecutable();
    const QString &executable() const { return m_executable; }

    // How long one chunk may run before whisper-cli is killed; 30 minutes unless changed.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }

    // The recognised text of the chunk, trimmed, never empty, with whisper's own timed segments.
    // A chunk whose text loops is run once more with settings that break loops. The model file is
    // verified in full before every chunk, so a file damaged after installation is never used. A
    // stop kills whisper-cli within about 100 ms and ends with Cancelled.
    QCoro::Task<ChunkTranscript> transcribe(QByteArray wav, QString modelID, std::stop_token stop = {});

private:
    WhisperModels *m_models;
    QString m_executable;
    std::chrono::milliseconds m_timeLimit{std::chrono::minutes(30)};
};
