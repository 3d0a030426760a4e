#pragma once

#include <QByteArray>
#include <QString>

#include <stop_token>

// Cuts one time window out of a note's audio copy and wraps it as a complete in-memory WAV file
// (44-byte header, 16 kHz, mono, signed 16-bit little-endian): the bytes handed to the
// transcribers. Stateless; several calls may run at once on different files.
namespace AudioChunk {

// At most this many PCM bytes per window (125 seconds), whatever window is asked for.
inline constexpr qint64 maxPcmBytes = 4'000'000;

// Blocking: decodes [start, start + duration) seconds. Throws AppFailure with one of the chunk
// messages ("音频中没有可读取的声音轨道。", "音频片段超出处理范围。", "音频片段为空。", ...),
// SystemError for a file that cannot be opened or decoded, Cancelled when stop is requested
// (checked once per decoded block).
QByteArray wav(QString path, double start, double duration, std::stop_token stop = {});

// How many 60-second chunks a note of that length has (0 for an unknown length).
qint64 chunkCount(double duration);

} // namespace AudioChunk
