#include "platform/OpusWriter.h"

#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/GrowingFile.h"
#include "platform/MediaHandles.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

namespace {

constexpr int ioBufferSize = 64 * 1024;
constexpr int bitRate = 32000; // speech at 48 kHz mono: about 14 MB an hour

struct OutputCloser {
    void operator()(AVFormatContext *context) const { avformat_free_context(context); }
};

// An Ogg muxer whose bytes go through a GrowingFile, so every write is checked by the program's
// own write path instead of FFmpeg's file protocol.
struct Muxer {
    explicit Muxer(const QString &path) : file(path) {}

    void open(const AVCodecParameters *parameters, AVRational timeBase)
    {
        AVFormatContext *created = nullptr;
        Media::check(avformat_alloc_output_context2(&created, nullptr, "ogg", nullptr));
        format.reset(created);
        auto *buffer = static_cast<unsigned char *>(av_malloc(ioBufferSize));
        if (!buffer)
            throw SystemError(Media::errorText(AVERROR(ENOMEM)));
        io.reset(avio_alloc_context(buffer, ioBufferSize, 1, this, nullptr, &Muxer::writePacket, nullptr));
        if (!io) {
            av_free(buffer);
            throw SystemError(Media::errorText(AVERROR(ENOMEM)));
        }
        format->pb = io.get();
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        stream = avformat_new_stream(format.get(), nullptr);
        if (!stream)
            throw SystemError(Media::errorText(AVERROR(ENOMEM)));
        Media::check(avcodec_parameters_copy(stream->codecpar, parameters));
        stream->time_base = timeBase;
        AVDictionary *options = nullptr;
        av_dict_set(&options, "page_duration", "500000", 0); // microseconds
        const int result = avformat_write_header(format.get(), &options);
        av_dict_free(&options);
        checkIO(result);
    }

    void write(AVPacket *packet)
    {
        packet->stream_index = stream->index;
        checkIO(av_write_frame(format.get(), packet));
    }

    // Everything muxed so far into pages, into the file, onto the disk.
    void flush()
    {
        checkIO(av_write_frame(format.get(), nullptr));
        avio_flush(io.get());
        checkIO(io->error);
        file.sync();
    }

    void finish()
    {
        checkIO(av_write_trailer(format.get()));
        avio_flush(io.get());
        checkIO(io->error);
        file.close();
    }

    // A failure of the file comes back as its own SystemError, not as FFmpeg's "I/O error".
    void checkIO(int result)
    {
        if (fileError)
            std::rethrow_exception(std::exchange(fileError, nullptr));
        Media::check(result);
    }

    static int writePacket(void *opaque, uint8_t *data, int size)
    {
        auto *self = static_cast<Muxer *>(opaque);
        if (self->fileError)
            return AVERROR(EIO);
        try {
            self->file.append(reinterpret_cast<const char *>(data), size_t(size));
            return size;
        } catch (...) {
            self->fileError = std::current_exception();
            return AVERROR(EIO);
        }
    }

    GrowingFile file;
    std::exception_ptr fileError;
    std::unique_ptr<AVFormatContext, OutputCloser> format;
    Media::IOHandle io;
    AVStream *stream = nullptr;
};

Media::CodecHandle openEncoder()
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libopus");
    if (!codec)
        throw SystemError(Media::errorText(AVERROR_ENCODER_NOT_FOUND), AVERROR_ENCODER_NOT_FOUND);
    Media::CodecHandle context(avcodec_alloc_context3(codec));
    if (!context)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    context->sample_rate = OpusWriter::sampleRate;
    context->sample_fmt = AV_SAMPLE_FMT_FLT;
    av_channel_layout_default(&context->ch_layout, 1);
    context->bit_rate = bitRate;
    context->time_base = AVRational{1, OpusWriter::sampleRate};
    Media::check(avcodec_open2(context.get(), codec, nullptr));
    return context;
}

} // namespace

struct OpusWriter::State {
    explicit State(const QString &path) : muxer(path) {}

    Muxer muxer;
    Media::CodecHandle encoder;
    Media::FrameHandle frame{av_frame_alloc()};
    Media::PacketHandle packet{av_packet_alloc()};
    std::vector<float> pending;
    qint64 written = 0; // samples handed to the encoder
    bool finished = false;

    void encode(const float *samples, int count)
    {
        frame->nb_samples = count;
        frame->format = AV_SAMPLE_FMT_FLT;
        frame->sample_rate = sampleRate;
        Media::check(av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout));
        Media::check(av_frame_get_buffer(frame.get(), 0));
        std::memcpy(frame->data[0], samples, size_t(count) * sizeof(float));
        frame->pts = written;
        written += count;
        const int sent = avcodec_send_frame(encoder.get(), frame.get());
        av_frame_unref(frame.get());
        Media::check(sent);
        drain();
    }

    void drain()
    {
        for (;;) {
            const int received = avcodec_receive_packet(encoder.get(), packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return;
            Media::check(received);
            av_packet_rescale_ts(packet.get(), encoder->time_base, muxer.stream->time_base);
            muxer.write(packet.get());
            av_packet_unref(packet.get());
        }
    }
};

OpusWriter::OpusWriter(const QString &path) : d(std::make_unique<State>(path))
{
    if (!d->frame || !d->packet)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    d->encoder = openEncoder();
    AVCodecParameters *parameters = avcodec_parameters_alloc();
    if (!parameters)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    const int copied = avcodec_parameters_from_context(parameters, d->encoder.get());
    try {
        Media::check(copied);
        d->muxer.open(parameters, d->encoder->time_base);
    } catch (...) {
        avcodec_parameters_free(&parameters);
        throw;
    }
    avcodec_parameters_free(&parameters);
}

OpusWriter::~OpusWriter() = default;

void OpusWriter::write(const float *samples, int count)
{
    const int frameSize = d->encoder->frame_size;
    d->pending.insert(d->pending.end(), samples, samples + count);
    size_t used = 0;
    while (d->pending.size() - used >= size_t(frameSize)) {
        d->encode(d->pending.data() + used, frameSize);
        used += size_t(frameSize);
    }
    d->pending.erase(d->pending.begin(), d->pending.begin() + qsizetype(used));
}

void OpusWriter::flush()
{
    d->muxer.flush();
}

void OpusWriter::finish()
{
    if (d->finished)
        return;
    d->finished = true;
    if (!d->pending.empty()) {
        // The encoder takes a short last frame and marks the padding for the player to drop.
        d->encode(d->pending.data(), int(d->pending.size()));
        d->pending.clear();
    }
    Media::check(avcodec_send_frame(d->encoder.get(), nullptr));
    d->drain();
    d->muxer.finish();
}

double OpusWriter::seconds() const
{
    return double(d->written + qint64(d->pending.size())) / sampleRate;
}

void OpusWriter::repair(const QString &path)
{
    AVFormatContext *opened = nullptr;
    const AVInputFormat *ogg = av_find_input_format("ogg");
    Media::check(avformat_open_input(&opened, QFile::encodeName(path).constData(), ogg, nullptr));
    Media::FormatHandle input(opened);
    Media::check(avformat_find_stream_info(input.get(), nullptr));
    if (input->nb_streams != 1 || input->streams[0]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        throw AppFailure(QStringLiteral("音频中没有可读取的声音轨道。"));
    const AVStream *source = input->streams[0];

    const QString temporary = path + QStringLiteral(".repair");
    QFile::remove(temporary); // left by a repair that was itself cut short
    try {
        Muxer muxer(temporary);
        muxer.open(source->codecpar, source->time_base);
        Media::PacketHandle packet(av_packet_alloc());
        // A damaged or torn page ends the copy: what follows it was never completely written.
        while (av_read_frame(input.get(), packet.get()) >= 0) {
            muxer.write(packet.get());
            av_packet_unref(packet.get());
        }
        muxer.finish();
        const QByteArray from = QFile::encodeName(temporary);
        if (::rename(from.constData(), QFile::encodeName(path).constData()) != 0)
            throw FileUtil::writeError(errno, path);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    FileUtil::syncFolder(QFileInfo(path).absolutePath());
}
