#pragma once

#include "library/NativeLibrary.h"
#include "library/Recording.h"
#include "recording/CaptureLoop.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <thread>

// Records a new note from the microphone, the system's output, or both mixed. The note exists from
// the first moment (status "recording"); its audio grows on disk as it is recorded. A stop, the
// length limit, a nearly full disk or a failing source end the recording; the note then gets its
// duration and status "ready" and keeps everything recorded. Lives on the main thread; the sound
// itself is handled on a thread of its own.
class Recorder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Recorder)
    Q_PROPERTY(State state READ state NOTIFY stateChanged)
    Q_PROPERTY(double elapsed READ elapsed NOTIFY elapsedChanged)
    Q_PROPERTY(double microphoneLevel READ microphoneLevel NOTIFY levelsChanged)
    Q_PROPERTY(double systemLevel READ systemLevel NOTIFY levelsChanged)
public:
    enum class State { Idle, Starting, Recording, Paused, Stopping };
    Q_ENUM(State)
    enum class Sources { Microphone, System, Both };

    struct Options {
        Sources sources = Sources::Microphone;
        // The microphone's source (with Sources::System, the monitor's); empty: the default one.
        QString device;
        CaptureLoop::Limits limits;
    };

    explicit Recorder(NativeLibrary &library, QObject *parent = nullptr);
    // A recording still running is stopped and its note saved before this returns.
    ~Recorder() override;

    State state() const { return m_state; }
    double elapsed() const { return m_elapsed; }
    double microphoneLevel() const { return m_microphoneLevel; }
    double systemLevel() const { return m_systemLevel; }
    // Why the last recording ended, when it was not a stop ("录音已达到 12 小时上限…").
    const std::optional<QString> &notice() const { return m_notice; }
    const std::optional<QString> &error() const { return m_error; }

    // Opens the sources, creates the note and starts recording; returns the new note. Throws
    // (AppFailure, SystemError) when a source or the note cannot be opened; nothing is left then.
    QCoro::Task<Recording> start(Options options);
    void pause();
    void resume();
    void stop();
    // Waits until the recording has ended and its note is saved; returns the note as saved.
    // Throws the save's failure.
    QCoro::Task<Recording> whenFinished();

Q_SIGNALS:
    void stateChanged();
    void elapsedChanged();
    void levelsChanged();
    void finished();

private:
    void setState(State state);
    void onBlock(const CaptureLoop::Block &block);
    QCoro::Task<> onEnded(CaptureLoop::Outcome outcome);
    // The note as the recording leaves it; blocking, on the library's executor.
    Recording closeNote();

    NativeLibrary &m_library;
    State m_state = State::Idle;
    double m_elapsed = 0;
    double m_microphoneLevel = 0;
    double m_systemLevel = 0;
    std::optional<QString> m_notice;
    std::optional<QString> m_error;
    RecordingStart m_note;
    std::optional<Recording> m_saved;
    std::exception_ptr m_saveError;
    std::unique_ptr<CaptureLoop> m_loop;
    std::thread m_thread;
};
