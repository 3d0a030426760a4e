#pragma once

#include <QString>

#include <memory>
#include <vector>

struct pa_simple;

// One record stream from the sound server through libpulse, which PulseAudio and PipeWire's pulse
// server both speak. A source is a microphone or the monitor of an output (what the speakers
// play), so the same stream records either. Blocking: used on a recording's own thread.
class SoundCapture final {
public:
    static constexpr int sampleRate = 48000;
    static constexpr int blockFrames = sampleRate / 10; // one level reading per block

    // The server's names for its defaults: the default source, the monitor of the default output.
    static QString defaultSource() { return QStringLiteral("@DEFAULT_SOURCE@"); }
    static QString defaultMonitor() { return QStringLiteral("@DEFAULT_MONITOR@"); }

    // Connects a mono float stream to the named source. Throws AppFailure "无法打开录音设备：%@"
    // with the server's reason (no server, no such source).
    SoundCapture(const QString &source, const QString &streamName);
    ~SoundCapture();
    SoundCapture(const SoundCapture &) = delete;
    SoundCapture &operator=(const SoundCapture &) = delete;

    // Waits for the next block of blockFrames samples. Throws AppFailure when the stream breaks
    // (the server went away, the device was removed).
    void read(float *block);

    struct Source {
        QString name;
        QString description;
        bool monitor = false; // the monitor of an output
        bool isDefault = false;
    };
    // The server's sources, the default one marked. Throws AppFailure like the constructor.
    static std::vector<Source> sources();

private:
    pa_simple *m_stream = nullptr;
    QString m_source;
};
