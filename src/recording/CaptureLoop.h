#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class SoundCapture;

// The work of one recording, on its own thread: reads a tenth of a second from each source, mixes
// the sources into the stored audio, keeps each source's level beside it (one line per tenth:
// microphone and system level, RMS 0…1, "-" for a source not recorded) and, every half second,
// syncs both files to disk, so a crash loses at most the last half second. Ends on a stop request, at the length limit, when the disk runs
// low, or when a source or a write fails; the audio is closed properly in every case.
class CaptureLoop final {
public:
    enum class End { Stopped, LengthLimit, LowDisk, Failed };

    struct Limits {
        double maxSeconds = 43'200;          // the import's limit
        qint64 minFreeBytes = 64 << 20;      // stop while the notes can still be saved
    };

    // One reading per tenth of a second of recorded (not paused) sound.
    struct Block {
        double seconds = 0; // recorded so far
        float microphone = 0;
        float system = 0;
    };

    struct Outcome {
        End end = End::Stopped;
        QString error; // the failure's description, for End::Failed
        double seconds = 0;
    };

    // Either source may be absent (not both). The files must not exist yet.
    CaptureLoop(std::shared_ptr<SoundCapture> microphone, std::shared_ptr<SoundCapture> system, QString audioPath,
                QString levelsPath, Limits limits);
    ~CaptureLoop();

    // Runs until the loop ends; onBlock is called on this thread after every block.
    Outcome run(const std::function<void(const Block &)> &onBlock);

    // From any thread.
    void requestStop() { m_stop = true; }
    void setPaused(bool paused) { m_paused = paused; }

private:
    std::shared_ptr<SoundCapture> m_microphone;
    std::shared_ptr<SoundCapture> m_system;
    QString m_audioPath;
    QString m_levelsPath;
    Limits m_limits;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_paused{false};
};
