#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QtQml/qqml.h>

class QueueController;
class RecordingModel;
class Workspace;
class WhisperDownloadState;

// Decides whether the program may quit at once. While a job or the processing queue runs, a
// library operation is in flight or a model downloads, the first request stops the job, the
// queue's notes (each after its chunk), a library read and the download
// (keeping what is saved), says "正在停止，保留已完成的内容…", and announces quitConfirmed() once everything has
// stopped; further requests change nothing. While a recording runs the first request asks instead
// (recordingQuestion()): stopRecordingAndQuit() stops it, keeps everything, waits for its note to
// be saved and then quits as above; otherwise the recording goes on.
class QuitGuard : public QObject {
    Q_OBJECT
    Q_MOC_INCLUDE("QueueController.h")
    Q_MOC_INCLUDE("RecordingModel.h")
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(QuitGuard)
    Q_PROPERTY(Workspace *workspace MEMBER m_workspace NOTIFY changed)
    Q_PROPERTY(WhisperDownloadState *downloads MEMBER m_downloads NOTIFY changed)
    Q_PROPERTY(QueueController *queue MEMBER m_queue NOTIFY changed)
    Q_PROPERTY(RecordingModel *recording MEMBER m_recording NOTIFY changed)
    Q_PROPERTY(bool terminating READ terminating NOTIFY changed)

public:
    explicit QuitGuard(QObject *parent = nullptr);

    bool terminating() const { return m_terminating; }
    bool busy() const;

    // True: quit now. False: not now (a stop is under way, quitConfirmed() follows).
    Q_INVOKABLE bool requestQuit();
    // The answer "stop and keep" to recordingQuestion().
    Q_INVOKABLE void stopRecordingAndQuit();

Q_SIGNALS:
    void changed();
    void quitConfirmed();
    // A recording runs: ask whether to stop it (and keep it) or to go on recording.
    void recordingQuestion();

private:
    QCoro::Task<> stopThenQuit();

    QPointer<Workspace> m_workspace;
    QPointer<WhisperDownloadState> m_downloads;
    QPointer<QueueController> m_queue;
    QPointer<RecordingModel> m_recording;
    bool m_recordingAnswered = false;
    bool m_terminating = false;
};
