#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <stop_token>

// One audio file opened for decoding: its first audio stream, measured and decoded through FFmpeg.
// Opening never blocks on a named pipe or a device (only regular files are opened) and the
// container may not reach out to other files or the network. Every decoding loop checks the stop
// token once per decoded block and throws Cancelled. FFmpeg failures become SystemError with
// FFmpeg's description; a file without sound gives AppFailure "音频中没有可读取的声音轨道。".
// Blocking: use it off the user-interface thread. Not shared between threads.
class MediaFile final {
public:
    // Samples of the converted window: 16 kHz, mono, signed 16-bit.
    using PcmSink = std::function<void(const qint16 *samples, int count)>;
    // One block of the file at its own rate: a float array per channel, up to blockFrames frames.
    using FloatSink = std::function<void(const float *const *channels, int channelCount, int frames)>;

    static constexpr int windowRate = 16000;
    static constexpr int blockFrames = 8192;

    // The 44-byte RIFF/WAVE header for pcmBytes bytes of 16 kHz mono 16-bit samples.
    static QByteArray waveHeader(quint32 pcmBytes);

    explicit MediaFile(const QString &path);
    ~MediaFile();
    MediaFile(const MediaFile &) = delete;
    MediaFile &operator=(const MediaFile &) = delete;

    int sampleRate() const;
    int channelCount() const;

    // Length in sample frames at sampleRate(). Taken from the container where it states the length;
    // counted by decoding the whole stream where the length is only estimated from the bit rate or
    // not stated at all.
    qint64 frameCount(std::stop_token stop = {});
    // frameCount() / sampleRate(), in seconds.
    double duration(std::stop_token stop = {});

    // Decodes the window [start, start + length) seconds, measured from the start of the audio,
    // to 16 kHz mono signed 16-bit samples. Seeks near the window instead of decoding from the
    // beginning. A window past the end delivers nothing.
    void readWindow(double start, double length, const PcmSink &sink, std::stop_token stop = {});

    // Decodes the whole stream at its own rate and channel count as float samples.
    void readFloat(const FloatSink &sink, std::stop_token stop = {});

private:
    struct State;
    std::unique_ptr<State> d;
};
