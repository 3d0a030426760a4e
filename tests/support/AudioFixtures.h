#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Real audio for the tests, made with ffmpeg and espeak-ng into one temporary folder per process.
// Each file is generated on first use and reused by later tests of the same process.
namespace AudioFixtures {

// The per-process folder the files live in.
QString folder();

// A tone file made by ffmpeg: the extension picks the container and codec (wav, mp3, m4a, flac,
// ogg = Opus). Stereo files carry a quiet left and a loud right channel.
QString tone(const QString &extension, double seconds, int rate, int channels);

// Spoken words by espeak-ng, re-encoded by ffmpeg into the given container.
QString speech(const QString &extension);

// A short MP4 with a video track, with or without an AAC sound track.
QString video(bool withSound);

// Damaged and odd picks: the first half of an M4A whose index sits at its end, an empty file, a
// text file named .mp3, a named pipe, a symbolic link to a tone.
QString truncated();
QString empty();
QString textAsMp3();
QString namedPipe();
QString symbolicLink();

// A FLAC file whose header states the given length at 8 kHz although it holds only a second of
// sound: lets limits on very long files be tested without hours of audio.
QString flacStating(qint64 frames);

// A WAV holding exactly the given interleaved 16-bit samples.
QString wavWithSamples(const QString &name, int rate, int channels, const std::vector<qint16> &samples);

// A silent 8 kHz mono WAV of exactly the given size in bytes (sparse on disk).
QString silentWavOfSize(qint64 bytes);

// Runs a program to completion and returns its standard output; fails the test when it cannot run.
QByteArray run(const QString &program, const QStringList &arguments);

// What the ffmpeg command line makes of a window: 16 kHz mono signed 16-bit samples. With
// decodeFromStart it decodes everything before the window and drops it (exact but slow); without,
// it seeks to the window first, as a quick cutter would.
std::vector<qint16> ffmpegWindow(const QString &path, double start, double duration, bool decodeFromStart);

// Samples of a WAV made by the program (after its 44-byte header).
std::vector<qint16> samplesOf(const QByteArray &wav);

} // namespace AudioFixtures
