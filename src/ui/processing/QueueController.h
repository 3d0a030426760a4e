#pragma once

#include "processing/ProcessingQueue.h"

#include <QObject>
#include <QCoroTask>

#include <memory>
#include <vector>

class NativeLibrary;
class QueuePrompts;
class QueueRunner;
class UserPrompts;
class Workspace;

// The window's side of the saved processing queue: adds notes to it and works through it in this
// program, in lanes of their own beside the window's workspace, so the window stays free. Only one
// program runs the queue at a time; while another one does (the command line), notes added here
// are taken up by it. Consent is asked once per run, naming how many notes; notes added to a run
// already under way are asked about on their own.
class QueueController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueueController)
    // This program is working through the queue.
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)
    Q_PROPERTY(bool transcribeAfterImport READ transcribeAfterImport WRITE setTranscribeAfterImport NOTIFY
                   transcribeAfterImportChanged)

public:
    static inline const QString transcribeAfterImportKey = QStringLiteral("queue.transcribe-after-import");

    QueueController(NativeLibrary &library, UserPrompts &person, Workspace &window,
                    ProcessingQueue queue = ProcessingQueue(), QObject *parent = nullptr);
    ~QueueController() override;

    const ProcessingQueue &queue() const { return m_queue; }
    bool running() const { return m_running; }
    bool transcribeAfterImport() const;
    void setTranscribeAfterImport(bool on);

    // Adds the notes (finished entries make way) and works through the queue.
    Q_INVOKABLE void enqueue(const QStringList &ids, bool summarize);
    // Stopped notes wait again and the queue runs; failed ones are left as they are.
    Q_INVOKABLE void resume();
    // Stops the notes this program is working on after their chunks (the program is quitting);
    // the stop is saved, so the queue waits for "继续处理" at the next start.
    void stopRunning();

Q_SIGNALS:
    void runningChanged();
    void transcribeAfterImportChanged();

private:
    QCoro::Task<> add(QStringList ids, bool summarize);
    QCoro::Task<> run(QStringList added);
    bool otherProgramRuns() const;
    // Writes the change; false (and the window says why) when the queue cannot be saved.
    bool change(const std::function<void(QueueContents &)> &edit);
    void setRunning(bool running);

    NativeLibrary &m_library;
    Workspace &m_window;
    ProcessingQueue m_queue;
    std::unique_ptr<QueuePrompts> m_prompts;
    std::vector<std::unique_ptr<Workspace>> m_lanes;
    QueueRunner *m_runner = nullptr; // while run() works
    bool m_running = false;
};
