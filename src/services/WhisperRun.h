#pragma once

#include <QString>

// How the local engine runs one chunk: which model, in which spoken language, on how many threads.
struct WhisperRun {
    QString modelID;
    // A whisper language code, or "auto" to let the engine detect it.
    QString language = QStringLiteral("auto");
    // 0: one thread per physical core of this computer.
    int threads = 0;
    // Skip silence with the voice detector, when it is installed.
    bool voiceDetection = true;

    bool operator==(const WhisperRun &) const = default;
};
