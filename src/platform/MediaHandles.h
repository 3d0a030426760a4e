#pragma once

// Owning handles over FFmpeg's C objects, so every early return and exception frees them.
// Only the media layer's sources include this header (FFmpeg is private to the core library).

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <QString>
#include <memory>

namespace Media {

struct FormatCloser {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct PacketFreer {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct ResamplerFreer {
    void operator()(SwrContext *context) const { swr_free(&context); }
};
struct IOFreer {
    void operator()(AVIOContext *context) const
    {
        // FFmpeg may have swapped the buffer it was given for a bigger one; free whatever it holds now.
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
};

using FormatHandle = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecHandle = std::unique_ptr<AVCodecContext, CodecFreer>;
using PacketHandle = std::unique_ptr<AVPacket, PacketFreer>;
using FrameHandle = std::unique_ptr<AVFrame, FrameFreer>;
using ResamplerHandle = std::unique_ptr<SwrContext, ResamplerFreer>;
using IOHandle = std::unique_ptr<AVIOContext, IOFreer>;

// FFmpeg's description of an error code, as a SystemError-ready text.
QString errorText(int code);
// Throws SystemError with FFmpeg's description when code is negative; returns code otherwise.
int check(int code);

} // namespace Media
