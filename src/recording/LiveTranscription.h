#pragma once

#include "library/Recording.h"
#include "services/SummaryPreferences.h"

#include <QCoroTask>
#include <QObject>

#include <memory>
#include <optional>

class NativeLibrary;
class Recorder;
class Workspace;

// Transcribes a recording while it goes on. Each 60-second chunk, once its sound is on disk, is
// handed to the Workspace's own transcription job: the note's duration is advanced to the chunks
// finished so far and the job transcribes what it has not yet done. After the stop, finish()
// transcribes the rest, the last partial chunk included; completedChunks keeps any chunk from
// being transcribed twice. Lives on the main thread, beside the recorder it follows.
class LiveTranscription final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LiveTranscription)
public:
    // The note's library folder is written through a store of this object's own, so the
    // Workspace's refresh takes each advance for what it is: a change it has not seen yet.
    LiveTranscription(Workspace &workspace, const QString &libraryRoot, Recorder &recorder, Recording note,
                      SummaryPreferences preferences, QObject *parent = nullptr);
    ~LiveTranscription() override;

    // Call once the recorder has finished (its note closed): waits for a chunk in progress, then
    // transcribes what is left and waits for that too. The Workspace's notice and error tell how
    // it went.
    QCoro::Task<> finish();
    // The program quits: the chunk in progress stops (the finished ones are kept) and finish()
    // starts nothing more; the rest waits for a later job.
    void stop();
    // A failure to advance the note while recording (the transcription then waits for the end).
    const std::optional<QString> &error() const { return m_error; }

Q_SIGNALS:
    void publishEnded();

private:
    void onElapsed();
    QCoro::Task<> publish(qint64 chunks);
    void startJob();

    Workspace &m_workspace;
    std::unique_ptr<NativeLibrary> m_library;
    Recorder &m_recorder;
    Recording m_base; // the note as last written here
    SummaryPreferences m_preferences;
    qint64 m_published = 0;
    bool m_busy = false;
    bool m_finishing = false;
    bool m_stopped = false;
    std::optional<QString> m_error;
};
