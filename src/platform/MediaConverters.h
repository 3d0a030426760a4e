#pragma once

// Sample conversion behind MediaFile: decoded frames in whatever layout the decoder produces, out
// as 16 kHz mono 16-bit (transcription windows) or as float arrays per channel (waveform peaks).

#include "platform/MediaFile.h"
#include "platform/MediaHandles.h"

#include <vector>

namespace Media {

// Resamples and mixes down a run of decoded frames to 16 kHz mono signed 16-bit.
class WindowConverter final {
public:
    explicit WindowConverter(const MediaFile::PcmSink &sink) : m_sink(sink) {}
    ~WindowConverter();
    WindowConverter(const WindowConverter &) = delete;
    WindowConverter &operator=(const WindowConverter &) = delete;

    // Converts count samples of the frame, starting at sample offset.
    void push(const AVFrame *frame, int offset, int count);
    // Hands out what the resampler still holds back at the end of the window.
    void flush();

private:
    void prepare(const AVFrame *frame);

    const MediaFile::PcmSink &m_sink;
    ResamplerHandle m_resampler;
    AVChannelLayout m_layout{};
    int m_rate = 0;
    int m_format = -1;
    std::vector<qint16> m_out;
};

// Hands out decoded frames as planar float, at most blockFrames frames per call, converting only
// when the decoder does not already produce planar float.
class FloatConverter final {
public:
    FloatConverter(const MediaFile::FloatSink &sink, int blockFrames) : m_sink(sink), m_block(blockFrames) {}
    ~FloatConverter();
    FloatConverter(const FloatConverter &) = delete;
    FloatConverter &operator=(const FloatConverter &) = delete;

    void push(const AVFrame *frame);
    void flush();

private:
    void prepare(const AVFrame *frame);
    void deliver(const float *const *channels, int channelCount, int frames);
    void convert(const uint8_t *const *input, int count);

    const MediaFile::FloatSink &m_sink;
    int m_block;
    ResamplerHandle m_resampler;
    AVChannelLayout m_layout{};
    int m_rate = 0;
    int m_format = -1;
    std::vector<std::vector<float>> m_planes;
    std::vector<float *> m_pointers;
};

} // namespace Media
