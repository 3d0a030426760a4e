#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// Mono sound encoded as Opus in an Ogg file while it arrives. Ogg has no index at the end: every
// page stands on its own, so a file whose writer was killed plays up to its last complete page.
// flush() puts everything encoded so far into pages and syncs them to disk; a recording calls it
// every half second. Failures throw SystemError (FFmpeg's or the file's, "磁盘空间不足" when full).
// Blocking; used by one thread at a time.
class OpusWriter final {
public:
    static constexpr int sampleRate = 48000;

    // Creates path (it must not exist) and writes the stream's headers.
    explicit OpusWriter(const QString &path);
    ~OpusWriter();
    OpusWriter(const OpusWriter &) = delete;
    OpusWriter &operator=(const OpusWriter &) = delete;

    // Samples in -1 … 1 at sampleRate.
    void write(const float *samples, int count);
    void flush();
    // Encodes what is left, ends the stream and closes the file, synced.
    void finish();
    // Sound written so far, in seconds.
    double seconds() const;

    // Rewrites a file whose writer never finished (killed, power cut) into a proper one: every
    // intact packet up to the first damaged page, then a regular end. Through a temporary file
    // beside it and one rename.
    static void repair(const QString &path);

private:
    struct State;
    std::unique_ptr<State> d;
};
