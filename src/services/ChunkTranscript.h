#pragma once

#include <QString>

#include <optional>
#include <vector>

// One stretch of a chunk's transcript as an engine timed it, in seconds from the chunk's start.
struct TimedText {
    double start = 0;
    double end = 0;
    QString text;

    friend bool operator==(const TimedText &, const TimedText &) = default;
};

// What an engine recognised in one chunk: the whole text, and its own timed stretches when it
// gives them (whisper-cli's segments, whisper-1's verbose answer). Engines that return text only
// leave `segments` empty; the chunk then becomes one transcript segment.
struct ChunkTranscript {
    QString text;
    std::vector<TimedText> segments;
    // The language the engine heard (a whisper code), when it says.
    std::optional<QString> language;

    static ChunkTranscript whole(QString text) { return {std::move(text), {}, std::nullopt}; }
    // The text as it will be stored: the segments' texts when there are any, else `text`.
    QString storedText() const;

    friend bool operator==(const ChunkTranscript &, const ChunkTranscript &) = default;
};
