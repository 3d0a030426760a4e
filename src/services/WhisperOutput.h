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

} // namespace WhisperOutput
