#include "platform/SoundCapture.h"

#include "platform/Errors.h"

#include <pulse/error.h>
#include <pulse/mainloop.h>
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/simple.h>

namespace {

AppFailure deviceFailure(const QString &reason)
{
    return AppFailure(QStringLiteral("无法打开录音设备：%@"), {reason});
}

QString serverError(int code)
{
    return QString::fromUtf8(pa_strerror(code));
}

// The server's source list, read with the asynchronous API on a private main loop.
struct SourceListing {
    pa_mainloop *loop = pa_mainloop_new();
    pa_context *context = nullptr;
    std::vector<SoundCapture::Source> sources;
    QString defaultName;
    int pending = 0;

    ~SourceListing()
    {
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        pa_mainloop_free(loop);
    }

    void run()
    {
        context = pa_context_new(pa_mainloop_get_api(loop), "Hushnote");
        if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
            throw deviceFailure(serverError(context ? pa_context_errno(context) : PA_ERR_INTERNAL));
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY)
                break;
            if (!PA_CONTEXT_IS_GOOD(state))
                throw deviceFailure(serverError(pa_context_errno(context)));
            if (pa_mainloop_iterate(loop, 1, nullptr) < 0)
                throw deviceFailure(serverError(PA_ERR_CONNECTIONTERMINATED));
        }
        pending = 2;
        pa_operation_unref(pa_context_get_server_info(context, &SourceListing::onServer, this));
        pa_operation_unref(pa_context_get_source_info_list(context, &SourceListing::onSource, this));
        while (pending > 0) {
            if (pa_mainloop_iterate(loop, 1, nullptr) < 0 || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
                throw deviceFailure(serverError(pa_context_errno(context)));
        }
        for (SoundCapture::Source &source : sources)
            source.isDefault = source.name == defaultName;
    }

    static void onServer(pa_context *, const pa_server_info *info, void *self)
    {
        auto *listing = static_cast<SourceListing *>(self);
        if (info && info->default_source_name)
            listing->defaultName = QString::fromUtf8(info->default_source_name);
        --listing->pending;
    }

    static void onSource(pa_context *, const pa_source_info *info, int last, void *self)
    {
        auto *listing = static_cast<SourceListing *>(self);
        if (last) {
            --listing->pending;
            return;
        }
        listing->sources.push_back({QString::fromUtf8(info->name), QString::fromUtf8(info->description),
                                    info->monitor_of_sink != PA_INVALID_INDEX, false});
    }
};

} // namespace

SoundCapture::SoundCapture(const QString &source, const QString &streamName) : m_source(source)
{
    const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, uint32_t(sampleRate), 1};
    // Blocks of a tenth of a second; the server keeps several seconds for a reader that is late.
    pa_buffer_attr buffer{};
    buffer.maxlength = uint32_t(-1);
    buffer.fragsize = uint32_t(blockFrames * sizeof(float));
    buffer.tlength = buffer.prebuf = buffer.minreq = uint32_t(-1);
    int error = 0;
    const QByteArray device = source.toUtf8();
    const QByteArray name = streamName.toUtf8();
    m_stream = pa_simple_new(nullptr, "Hushnote", PA_STREAM_RECORD, device.constData(), name.constData(), &format,
                             nullptr, &buffer, &error);
    if (!m_stream)
        throw deviceFailure(source + QStringLiteral(": ") + serverError(error));
}

SoundCapture::~SoundCapture()
{
    if (m_stream)
        pa_simple_free(m_stream);
}

void SoundCapture::read(float *block)
{
    int error = 0;
    if (pa_simple_read(m_stream, block, size_t(blockFrames) * sizeof(float), &error) < 0)
        throw deviceFailure(m_source + QStringLiteral(": ") + serverError(error));
}

std::vector<SoundCapture::Source> SoundCapture::sources()
{
    SourceListing listing;
    listing.run();
    return std::move(listing.sources);
}
