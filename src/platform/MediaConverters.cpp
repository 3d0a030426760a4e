#include "platform/MediaConverters.h"

#include "platform/Errors.h"

#include <algorithm>

namespace Media {

namespace {

// The frame's channel layout, with a default order filled in where the container named only a
// count (the mix-down needs to know which channel is which).
AVChannelLayout layoutOf(const AVFrame *frame)
{
    AVChannelLayout layout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
    else
        check(av_channel_layout_copy(&layout, &frame->ch_layout));
    return layout;
}

std::vector<const uint8_t *> planesOf(const AVFrame *frame, int offset)
{
    const auto format = AVSampleFormat(frame->format);
    const int bytes = av_get_bytes_per_sample(format);
    const int channels = frame->ch_layout.nb_channels;
    std::vector<const uint8_t *> planes;
    if (av_sample_fmt_is_planar(format)) {
        for (int c = 0; c < channels; ++c)
            planes.push_back(frame->extended_data[c] + std::size_t(offset) * bytes);
    } else {
        planes.push_back(frame->extended_data[0] + std::size_t(offset) * bytes * channels);
    }
    return planes;
}

// True when the resampler was built for this frame's rate, format and layout.
// Records the frame's input format as the one the next resampler converts from.
void adoptFormat(const AVFrame *frame, AVChannelLayout &layout, int &rate, int &format)
{
    av_channel_layout_uninit(&layout);
    layout = layoutOf(frame);
    rate = frame->sample_rate;
    format = frame->format;
}

bool matches(const SwrContext *resampler, int rate, int format, const AVChannelLayout &layout, const AVFrame *frame)
{
    if (!resampler || rate != frame->sample_rate || format != frame->format)
        return false;
    AVChannelLayout current = layoutOf(frame);
    const bool same = av_channel_layout_compare(&layout, &current) == 0;
    av_channel_layout_uninit(&current);
    return same;
}

ResamplerHandle makeResampler(const AVChannelLayout &outLayout, AVSampleFormat outFormat, int outRate,
                              const AVChannelLayout &inLayout, AVSampleFormat inFormat, int inRate)
{
    SwrContext *created = nullptr;
    // FFmpeg 5.1 takes the layouts as non-const pointers but only reads them.
    check(swr_alloc_set_opts2(&created, const_cast<AVChannelLayout *>(&outLayout), outFormat, outRate,
                              const_cast<AVChannelLayout *>(&inLayout), inFormat, inRate, 0, nullptr));
    ResamplerHandle resampler(created);
    check(swr_init(resampler.get()));
    return resampler;
}

} // namespace

WindowConverter::~WindowConverter()
{
    av_channel_layout_uninit(&m_layout);
}

void WindowConverter::prepare(const AVFrame *frame)
{
    if (matches(m_resampler.get(), m_rate, m_format, m_layout, frame))
        return;
    if (m_resampler)
        flush();
    adoptFormat(frame, m_layout, m_rate, m_format);
    const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    try {
        m_resampler = makeResampler(mono, AV_SAMPLE_FMT_S16, MediaFile::windowRate, m_layout,
                                    AVSampleFormat(m_format), m_rate);
    } catch (const SystemError &) {
        // A layout or rate the resampler cannot take: the window cannot become transcription input.
        throw AppFailure(QStringLiteral("此音频无法转换为转写格式。"));
    }
}

void WindowConverter::push(const AVFrame *frame, int offset, int count)
{
    if (count <= 0)
        return;
    prepare(frame);
    const std::vector<const uint8_t *> input = planesOf(frame, offset);
    const int capacity = check(swr_get_out_samples(m_resampler.get(), count));
    m_out.resize(std::size_t(std::max(capacity, 1)));
    auto *output = reinterpret_cast<uint8_t *>(m_out.data());
    const int produced = check(swr_convert(m_resampler.get(), &output, capacity, const_cast<const uint8_t **>(input.data()), count));
    if (produced > 0)
        m_sink(m_out.data(), produced);
}

void WindowConverter::flush()
{
    if (!m_resampler)
        return;
    for (;;) {
        const int capacity = swr_get_out_samples(m_resampler.get(), 0);
        if (capacity <= 0)
            break;
        m_out.resize(std::size_t(capacity));
        auto *output = reinterpret_cast<uint8_t *>(m_out.data());
        const int produced = check(swr_convert(m_resampler.get(), &output, capacity, nullptr, 0));
        if (produced <= 0)
            break;
        m_sink(m_out.data(), produced);
    }
    m_resampler.reset();
}

FloatConverter::~FloatConverter()
{
    av_channel_layout_uninit(&m_layout);
}

void FloatConverter::deliver(const float *const *channels, int channelCount, int frames)
{
    std::vector<const float *> block(channels, channels + channelCount);
    for (int done = 0; done < frames; done += m_block) {
        for (int c = 0; c < channelCount; ++c)
            block[c] = channels[c] + done;
        m_sink(block.data(), channelCount, std::min(m_block, frames - done));
    }
}

void FloatConverter::prepare(const AVFrame *frame)
{
    if (matches(m_resampler.get(), m_rate, m_format, m_layout, frame))
        return;
    if (m_resampler)
        flush();
    adoptFormat(frame, m_layout, m_rate, m_format);
    m_resampler = makeResampler(m_layout, AV_SAMPLE_FMT_FLTP, m_rate, m_layout, AVSampleFormat(m_format), m_rate);
}

void FloatConverter::convert(const uint8_t *const *input, int count)
{
    const int channels = m_layout.nb_channels;
    const int capacity = check(swr_get_out_samples(m_resampler.get(), count));
    m_planes.resize(std::size_t(channels));
    m_pointers.resize(std::size_t(channels));
    for (int c = 0; c < channels; ++c) {
        m_planes[c].resize(std::size_t(std::max(capacity, 1)));
        m_pointers[c] = m_planes[c].data();
    }
    auto **output = reinterpret_cast<uint8_t **>(m_pointers.data());
    const int produced = check(swr_convert(m_resampler.get(), output, capacity, const_cast<const uint8_t **>(input), count));
    if (produced > 0)
        deliver(m_pointers.data(), channels, produced);
}

void FloatConverter::push(const AVFrame *frame)
{
    if (frame->nb_samples <= 0)
        return;
    if (frame->format == AV_SAMPLE_FMT_FLTP) {
        deliver(reinterpret_cast<const float *const *>(frame->extended_data), frame->ch_layout.nb_channels,
                frame->nb_samples);
        return;
    }
    prepare(frame);
    const std::vector<const uint8_t *> input = planesOf(frame, 0);
    convert(input.data(), frame->nb_samples);
}

void FloatConverter::flush()
{
    if (!m_resampler)
        return;
    convert(nullptr, 0);
    m_resampler.reset();
}

} // namespace Media
