#include "platform/MediaFile.h"

#include "platform/Errors.h"
#include "platform/MediaConverters.h"
#include "platform/MediaHandles.h"

#include <QFile>
#include <QtEndian>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace Media {

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

int check(int code)
{
    if (code < 0)
        throw SystemError(errorText(code), code);
    return code;
}

} // namespace Media

namespace {

constexpr int ioBufferSize = 64 * 1024;

// FFmpeg reads through our own descriptor: the file was checked to be a regular file on that very
// descriptor, and the path never goes through FFmpeg's protocol parser (a name with a colon stays
// a name).
int readFromFile(void *opaque, uint8_t *buffer, int size)
{
    const int fd = *static_cast<int *>(opaque);
    for (;;) {
        const ssize_t count = ::read(fd, buffer, size_t(size));
        if (count > 0)
            return int(count);
        if (count == 0)
            return AVERROR_EOF;
        if (errno != EINTR)
            return AVERROR(errno);
    }
}

int64_t seekInFile(void *opaque, int64_t offset, int whence)
{
    const int fd = *static_cast<int *>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat info {};
        return ::fstat(fd, &info) == 0 ? int64_t(info.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : int64_t(position);
}

// Playlists and concatenation lists would otherwise open further files or addresses named inside
// the picked file.
int refuseNestedOpen(AVFormatContext *, AVIOContext **, const char *, int, AVDictionary **)
{
    return AVERROR(EPERM);
}

int openRegularFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw SystemError::fromErrno(errno, path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw SystemError::fromErrno(error, path);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        if (S_ISDIR(info.st_mode))
            throw SystemError::fromErrno(EISDIR, path);
        throw SystemError(Media::errorText(AVERROR_INVALIDDATA), AVERROR_INVALIDDATA);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace

struct MediaFile::State {
    int fd = -1;
    Media::IOHandle io;
    Media::FormatHandle format;
    Media::CodecHandle codec;
    Media::PacketHandle packet{av_packet_alloc()};
    Media::FrameHandle frame{av_frame_alloc()};
    AVStream *stream = nullptr;
    int rate = 0;
    int64_t startTime = 0;
    bool atStart = true; // nothing consumed since opening or the last rewind
    std::optional<qint64> frames;

    ~State()
    {
        codec.reset();
        format.reset();
        io.reset();
        if (fd >= 0)
            ::close(fd);
    }

    void open(const QString &path);
    void openDecoder();
    std::optional<qint64> statedFrames() const;
    qint64 position(const AVFrame *decoded, qint64 fallback) const;
    void seek(double seconds);
    void decode(const std::function<bool(AVFrame *)> &onFrame, const std::stop_token &stop);
    std::optional<qint64> countPackets(const std::stop_token &stop);
};

void MediaFile::State::open(const QString &path)
{
    if (!packet || !frame)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    fd = openRegularFile(path);
    auto *buffer = static_cast<unsigned char *>(av_malloc(ioBufferSize));
    if (!buffer)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    AVIOContext *context = avio_alloc_context(buffer, ioBufferSize, 0, &fd, readFromFile, nullptr, seekInFile);
    if (!context) {
        av_free(buffer);
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    }
    io.reset(context);

    AVFormatContext *opened = avformat_alloc_context();
    if (!opened)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    opened->pb = io.get();
    opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    opened->io_open = refuseNestedOpen;
    // The name only serves as a hint while probing; the bytes come through our descriptor.
    Media::check(avformat_open_input(&opened, QFile::encodeName(path).constData(), nullptr, nullptr));
    format.reset(opened);
    Media::check(avformat_find_stream_info(format.get(), nullptr));

    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream *candidate = format->streams[i];
        if (!stream && candidate->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            stream = candidate;
        else
            candidate->discard = AVDISCARD_ALL;
    }
    if (!stream)
        throw AppFailure(QStringLiteral("音频中没有可读取的声音轨道。"));
    openDecoder();
}

void MediaFile::State::openDecoder()
{
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        throw SystemError(Media::errorText(AVERROR_DECODER_NOT_FOUND), AVERROR_DECODER_NOT_FOUND);
    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec)
        throw SystemError(Media::errorText(AVERROR(ENOMEM)));
    Media::check(avcodec_parameters_to_context(codec.get(), stream->codecpar));
    codec->pkt_timebase = stream->time_base;
    Media::check(avcodec_open2(codec.get(), decoder, nullptr));
    rate = codec->sample_rate > 0 ? codec->sample_rate : stream->codecpar->sample_rate;
    if (rate <= 0 || codec->ch_layout.nb_channels <= 0)
        throw SystemError(Media::errorText(AVERROR_INVALIDDATA), AVERROR_INVALIDDATA);
    startTime = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
}

std::optional<qint64> MediaFile::State::statedFrames() const
{
    // A length guessed from the bit rate is wrong for variable-rate files: count those instead.
    if (format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        return std::nullopt;
    const AVRational perFrame{1, rate};
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        qint64 frames = av_rescale_q(stream->duration, stream->time_base, perFrame);
        // An MP3's stated length still counts the encoder's priming, which decoding drops (it shows
        // as the start time); left in, a file of exactly n minutes would measure a sliver over.
        if (stream->codecpar->codec_id == AV_CODEC_ID_MP3 && startTime > 0)
            frames -= av_rescale_q(startTime, stream->time_base, perFrame);
        if (frames > 0)
            return frames;
    }
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return av_rescale_q(format->duration, AV_TIME_BASE_Q, perFrame);
    return std::nullopt;
}

qint64 MediaFile::State::position(const AVFrame *decoded, qint64 fallback) const
{
    int64_t stamp = decoded->best_effort_timestamp;
    if (stamp == AV_NOPTS_VALUE)
        stamp = decoded->pts;
    if (stamp == AV_NOPTS_VALUE)
        return fallback;
    return av_rescale_q(stamp - startTime, stream->time_base, AVRational{1, rate});
}

void MediaFile::State::seek(double seconds)
{
    if (seconds <= 0 && atStart)
        return;
    const int64_t target = seconds <= 0 ? startTime : startTime + llround(seconds / av_q2d(stream->time_base));
    int result = av_seek_frame(format.get(), stream->index, target, AVSEEK_FLAG_BACKWARD);
    if (result < 0)
        result = avformat_seek_file(format.get(), stream->index, INT64_MIN, target, target, 0);
    Media::check(result);
    avcodec_flush_buffers(codec.get());
    atStart = seconds <= 0;
}

void MediaFile::State::decode(const std::function<bool(AVFrame *)> &onFrame, const std::stop_token &stop)
{
    bool draining = false;
    for (;;) {
        if (stop.stop_requested())
            throw Cancelled();
        int result = avcodec_receive_frame(codec.get(), frame.get());
        if (result == 0) {
            atStart = false;
            const bool more = onFrame(frame.get());
            av_frame_unref(frame.get());
            if (!more)
                return;
            continue;
        }
        if (result == AVERROR_EOF || draining)
            return;
        if (result == AVERROR(ENOMEM))
            Media::check(result);

        result = av_read_frame(format.get(), packet.get());
        if (result == AVERROR_EOF || result == AVERROR_INVALIDDATA) {
            // The end, or a damaged tail: decode what is already queued and stop there.
            draining = true;
            avcodec_send_packet(codec.get(), nullptr);
            continue;
        }
        Media::check(result);
        atStart = false;
        if (packet->stream_index == stream->index) {
            result = avcodec_send_packet(codec.get(), packet.get());
            // A damaged packet is skipped, as players do; only running out of memory is fatal.
            if (result == AVERROR(ENOMEM))
                Media::check(result);
        }
        av_packet_unref(packet.get());
    }
}

// Where every packet states how many samples it holds (MP3 and ADTS frames do, through their
// parsers), reading the packets gives the length without decoding them, many times faster. Files
// with packets of unknown length are counted by decoding instead.
std::optional<qint64> MediaFile::State::countPackets(const std::stop_token &stop)
{
    if (startTime > 0) // priming the decoder drops: only decoding tells how much
        return std::nullopt;
    seek(0);
    atStart = false;
    int64_t total = 0;
    for (;;) {
        if (stop.stop_requested())
            throw Cancelled();
        const int result = av_read_frame(format.get(), packet.get());
        if (result == AVERROR_EOF || result == AVERROR_INVALIDDATA)
            break;
        Media::check(result);
        const bool ours = packet->stream_index == stream->index;
        const int64_t length = packet->duration;
        const bool skips = av_packet_get_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, nullptr) != nullptr;
        av_packet_unref(packet.get());
        if (!ours)
            continue;
        if (length <= 0 || skips)
            return std::nullopt;
        total += length;
    }
    return total > 0 ? std::optional<qint64>(av_rescale_q(total, stream->time_base, AVRational{1, rate}))
                     : std::nullopt;
}

MediaFile::MediaFile(const QString &path) : d(std::make_unique<State>())
{
    // FFmpeg would otherwise write its warnings about damaged files to the terminal; every
    // failure that matters reaches the person as an error instead.
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    Q_UNUSED(quiet);
    d->open(path);
}

MediaFile::~MediaFile() = default;

int MediaFile::sampleRate() const
{
    return d->rate;
}

int MediaFile::channelCount() const
{
    return d->codec->ch_layout.nb_channels;
}

qint64 MediaFile::frameCount(std::stop_token stop)
{
    if (d->frames)
        return *d->frames;
    if (const auto stated = d->statedFrames()) {
        d->frames = stated;
        return *stated;
    }
    if (const auto counted = d->countPackets(stop)) {
        d->frames = counted;
        return *counted;
    }
    d->seek(0);
    qint64 total = 0;
    d->decode([&](AVFrame *decoded) {
        total += decoded->nb_samples;
        return true;
    }, stop);
    d->frames = total;
    return total;
}

double MediaFile::duration(std::stop_token stop)
{
    return double(frameCount(std::move(stop))) / double(d->rate);
}

void MediaFile::readWindow(double start, double length, const PcmSink &sink, std::stop_token stop)
{
    const qint64 first = llround(start * d->rate);
    const qint64 end = llround((start + length) * d->rate);
    if (!(end > first))
        return;
    Media::WindowConverter converter(sink);
    double margin = 0.5;
    for (;;) {
        // Land a little before the window; where the container has no exact index (MP3, raw
        // streams) the landing may still be late, so step further back until it is not.
        const double target = start - margin;
        d->seek(target);
        bool firstFrame = true;
        bool late = false;
        qint64 next = llround(std::max(target, 0.0) * d->rate);
        d->decode([&](AVFrame *decoded) {
            const qint64 at = d->position(decoded, next);
            next = at + decoded->nb_samples;
            if (firstFrame && at > first && target > 0) {
                late = true;
                return false;
            }
            firstFrame = false;
            if (next <= first)
                return true;
            if (at >= end)
                return false;
            const qint64 from = std::max<qint64>(0, first - at);
            const qint64 to = std::min<qint64>(decoded->nb_samples, end - at);
            converter.push(decoded, int(from), int(to - from));
            return true;
        }, stop);
        if (!late)
            break;
        margin *= 4;
    }
    converter.flush();
}

void MediaFile::readFloat(const FloatSink &sink, std::stop_token stop)
{
    d->seek(0);
    Media::FloatConverter converter(sink, blockFrames);
    d->decode([&](AVFrame *decoded) {
        converter.push(decoded);
        return !stop.stop_requested();
    }, stop);
    if (stop.stop_requested())
        throw Cancelled();
    converter.flush();
}

namespace {

void append32(QByteArray &bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

void append16(QByteArray &bytes, quint16 value)
{
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

} // namespace

QByteArray MediaFile::waveHeader(quint32 pcmBytes)
{
    QByteArray bytes;
    bytes.reserve(44);
    bytes.append("RIFF", 4);
    append32(bytes, 36 + pcmBytes);
    bytes.append("WAVE", 4);
    bytes.append("fmt ", 4);
    append32(bytes, 16);
    append16(bytes, 1); // integer PCM
    append16(bytes, 1); // mono
    append32(bytes, quint32(windowRate));
    append32(bytes, quint32(windowRate) * 2);
    append16(bytes, 2);
    append16(bytes, 16);
    bytes.append("data", 4);
    append32(bytes, pcmBytes);
    return bytes;
}
