#pragma once

#include "services/ChunkTranscript.h"

#include <QByteArray>

#include <QString>

#include <optional>
#include <vector>

namespace WhisperOutput {

// The segments of whisper-cli's JSON output file ("transcription" items with "offsets" in
// milliseconds and "text"), trimmed, empty ones dropped. whisper-cli escapes only quotes and
// backslashes, so raw control characters and broken UTF-8 are tolerated. Anything unreadable
// gives no segments; the caller then falls back to the plain text output.
std::vector<TimedText> parse(const QByteArray &json);

// The language whisper worked in ("result": {"language": "zh"}): the one it detected when asked
// to, else the one it was given. None when the document does not say.
std::optional<QString> language(const QByteArray &json);

// Where whisper-cli ran, as its log on standard error says: the GPU it used (the driver's name
// for it when the log gives one, e.g. "NVIDIA GeForce RTX 3060", else the backend's, "Vulkan0"),
// or the CPU and its thread count.
struct Device {
    QString gpu; // empty: the CPU
    int threads = 0;

    friend bool operator==(const Device &, const Device &) = default;
};

// None when the log says neither (an older or newer helper that words it differently).
std::optional<Device> device(const QByteArray &log);

} // namespace WhisperOutput
