#pragma once

#include "workspace/JobServices.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class NativeLibrary;
struct Recording;
class Recorder;
class TranscriptionLane;
class UserPrompts;
class Workspace;

// The window's recording: which sources, whether to transcribe while recording, start, pause,
// resume and stop, the elapsed time and the level of each source, the window title and the
// sidebar's line while it runs, and an hourly reminder so a forgotten recording is noticed.
//
// The recorder writes through a store of its own and a transcription runs in a Workspace of its
// own beside the window's (a lane, as the processing queue's), so the window's workspace sees the
// note grow as changes from outside and stays free for the person. A stop keeps everything: the
// rest is transcribed, then the note is selected in the window. The recorder and the lane are let
// go only after the recording's final save and the transcription have ended.
class RecordingModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecordingModel)
    // 0 the microphone, 1 the system's sound, 2 both.
    Q_PROPERTY(int sources READ sources WRITE setSources NOTIFY choiceChanged)
    Q_PROPERTY(bool transcribe READ transcribe WRITE setTranscribe NOTIFY choiceChanged)
    // "idle", "starting", "recording", "paused" or "finishing" (saving and transcribing the rest).
    Q_PROPERTY(QString phase READ phase NOTIFY phaseChanged)
    // Starting, recording or paused: sound is (or is about to be) taken.
    Q_PROPERTY(bool active READ active NOTIFY phaseChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY phaseChanged)
    Q_PROPERTY(bool canStart READ canStart NOTIFY canStartChanged)
    // Why a recording cannot start now, or empty.
    Q_PROPERTY(QString waitReason READ waitReason NOTIFY canStartChanged)
    Q_PROPERTY(QString elapsedText READ elapsedText NOTIFY elapsedChanged)
    Q_PROPERTY(double elapsed READ elapsed NOTIFY elapsedChanged)
    // Meter positions, 0..1 over the last 60 dB.
    Q_PROPERTY(double microphoneLevel READ microphoneLevel NOTIFY levelsChanged)
    Q_PROPERTY(double systemLevel READ systemLevel NOTIFY levelsChanged)
    Q_PROPERTY(bool showsMicrophone READ showsMicrophone NOTIFY phaseChanged)
    Q_PROPERTY(bool showsSystem READ showsSystem NOTIFY phaseChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusChanged)
    Q_PROPERTY(QString windowTitle READ windowTitle NOTIFY statusChanged)

public:
    enum class Phase { Idle, Starting, Recording, Paused, Finishing };
    using Notify = std::function<void(const QString &title, const QString &body)>;

    // Records into the library at libraryRoot; window is the window's workspace (told how the
    // recording ended, and the note selected in it); person answers the cloud question; services
    // drive the transcription; notify sends the hourly reminder.
    RecordingModel(QString libraryRoot, Workspace &window, UserPrompts &person, JobServices services, Notify notify,
                   QObject *parent = nullptr);
    // A recording still running is stopped and its note saved before this returns.
    ~RecordingModel() override;

    int sources() const { return m_sources; }
    void setSources(int sources);
    bool transcribe() const { return m_transcribe; }
    void setTranscribe(bool transcribe);
    Phase phaseValue() const { return m_phase; }
    QString phase() const;
    bool active() const;
    bool busy() const { return m_phase != Phase::Idle; }
    bool canStart() const;
    QString waitReason() const;
    double elapsed() const;
    QString elapsedText() const;
    double microphoneLevel() const;
    double systemLevel() const;
    bool showsMicrophone() const { return active() && m_sources != 1; }
    bool showsSystem() const { return active() && m_sources != 0; }
    QString statusText() const;
    QString windowTitle() const;

    Q_INVOKABLE void start();
    Q_INVOKABLE void pause();
    Q_INVOKABLE void resume();
    Q_INVOKABLE void stop();
    // The program quits: stops, keeps what is recorded and what is transcribed already, and
    // leaves the rest untranscribed (the processing panel resumes it later).
    void stopForQuit();
    // Resolves once nothing runs (at once when nothing does).
    QCoro::Task<> whenIdle();

    // The hourly reminder, given the seconds recorded: one notification at each full hour.
    void remindAt(double seconds);
    // A meter position (0..1) for a level as the recorder measures it.
    static double meterOf(double level);

    // For the screenshot scenes: shows a recording in progress without a sound server.
    void showSample(double seconds, double microphone, double system);

Q_SIGNALS:
    void choiceChanged();
    void phaseChanged();
    void canStartChanged();
    void elapsedChanged();
    void levelsChanged();
    void statusChanged();
    // The recording has ended, its note saved and (when asked) transcribed; noteID selected.
    void finished(const QString &noteID);

private:
    QCoro::Task<> run();
    QCoro::Task<> finish(Recording started);
    // Lets go of the recorder and the lane (from the event loop).
    void releaseParts();
    void setPhase(Phase phase);
    void report(const std::optional<QString> &notice, const std::optional<QString> &error);

    QString m_root;
    Workspace &m_window;
    UserPrompts &m_person;
    JobServices m_services;
    Notify m_notify;
    std::unique_ptr<NativeLibrary> m_library;
    Phase m_phase = Phase::Idle;
    int m_sources = 0;
    bool m_transcribe = false;
    bool m_quitting = false;
    int m_remindedHours = 0;
    std::unique_ptr<Recorder, void (*)(Recorder *)> m_recorder;
    std::unique_ptr<TranscriptionLane, void (*)(TranscriptionLane *)> m_lane;
    // Shown by the screenshot scenes in place of a recorder's values.
    double m_sampleSeconds = 0, m_sampleMicrophone = 0, m_sampleSystem = 0;
};
