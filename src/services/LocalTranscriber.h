#pragma once

#include <QByteArray>
#include "services/ChunkTranscript.h"
#include "services/WhisperRun.h"

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

    // The recognised text of the chunk, trimmed, with whisper's own timed segments; empty for a
    // chunk without speech.
    // A chunk whose text loops is run once more with settings that break loops. The model file is
    // verified in full before every chunk, so a file damaged after installation is never used. A
    // stop kills whisper-cli within about 100 ms and ends with Cancelled.
    // The language the engine worked in comes back with the text.
    QCoro::Task<ChunkTranscript> transcribe(QByteArray wav, WhisperRun run, std::stop_token stop = {});
    QCoro::Task<ChunkTranscript> transcribe(QByteArray wav, QString modelID, std::stop_token stop = {})
    {
        return transcribe(std::move(wav), WhisperRun{std::move(modelID)}, std::move(stop));
    }

    // Lets the helper load a model file on a second of silence; throws AppFailure
    // "模型文件无法加载：%@" with the helper's own reason when it cannot. Blocking.
    static void checkLoads(const QString &executable, const QString &modelFile);

    // Threads for the engine when the settings leave it to the computer: one per physical core
    // this program may run on (hyper-threads only slow whisper down), at least 1.
    static int defaultThreads();

private:
    WhisperModels *m_models;
    QString m_executable;
    std::chrono::milliseconds m_timeLimit{std::chrono::minutes(30)};
};
