#pragma once

#include "processing/ProcessingQueue.h"
#include "services/SummaryPreferences.h"
#include "services/ModelConfiguration.h"
#include "workspace/UserPrompts.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <QCoroTask>

#include <functional>
#include <vector>

class Workspace;

// The prompts of the Workspaces a queue runs its notes in: every question goes to the person as
// usual, except the cloud question, which the queue has already asked once for all its notes.
class QueuePrompts final : public UserPrompts {
public:
    explicit QueuePrompts(UserPrompts &person) : m_person(person) {}

    UserPrompts &person() { return m_person; }
    void setAllowed(bool allowed) { m_allowed = allowed; }

    QCoro::Task<std::optional<QString>> chooseFolder(QString title, QString message, QString startFolder) override;
    QCoro::Task<std::optional<QString>> chooseAudioFile(QString title, QString message) override;
    QCoro::Task<std::optional<QString>> chooseSaveLocation(QString title, QString suggestedName,
                                                           QString fileExtension) override;
    // Answers at once, without suspending, so the job begins within startJob.
    QCoro::Task<bool> confirmCloudUpload(QString, QString, QString, QString) override;

private:
    UserPrompts &m_person;
    bool m_allowed = false;
};

// Works through the saved processing queue: one note at a time on this computer's engines, up to
// `parallel` at once when every engine it needs is a server elsewhere. Each note runs as the
// ordinary job in one of the lanes (Workspaces on the same library, built with the QueuePrompts),
// so it saves after every chunk and resumes from its own progress. A note that fails is marked
// with its message and the queue goes on.
class QueueRunner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueueRunner)

public:
    static inline const QString parallelKey = QStringLiteral("queue.parallel-notes");
    static constexpr int defaultParallel = 2;

    QueueRunner(ProcessingQueue queue, std::vector<Workspace *> lanes, QueuePrompts &prompts,
                std::function<ModelConfiguration()> configuration, int parallel, QObject *parent = nullptr);
    ~QueueRunner() override;

    // The setting (preferences key queue.parallel-notes), at least 1.
    static int parallelSetting();

    // Asks once before any note of the queue leaves this computer (naming how many notes), then
    // runs every unfinished item. False when the person declined; the queue is then left as it was.
    QCoro::Task<bool> run(SummaryPreferences preferences);
    // Stops every running note after its current chunk and leaves the rest; stopping is saved, so
    // a runner in another program stops too.
    void stopAll();
    void stop(const QString &noteID);

    const QueueContents &contents() const { return m_contents; }
    // The notes running right now, one per busy lane.
    QStringList runningNotes() const;
    // The one question for `notes` notes, asked of the person before any of them leaves this
    // computer (nothing is asked for this computer's engines or a server on loopback).
    static QCoro::Task<bool> askConsent(UserPrompts *person, ModelConfiguration configuration, int notes,
                                        bool summaries);

Q_SIGNALS:
    void contentsChanged();

private:
    QCoro::Task<> work(Workspace *lane, SummaryPreferences preferences);
    QCoro::Task<> runItem(Workspace *lane, QueueItem item, SummaryPreferences preferences);
    QCoro::Task<bool> runStage(Workspace *lane, bool summary, SummaryPreferences preferences);
    std::optional<QueueItem> claimNext();
    void finish(const QString &noteID, const QString &state, const QString &message);
    void follow(QueueContents contents);
    void pollSaved();

    ProcessingQueue m_queue;
    std::vector<Workspace *> m_lanes;
    QueuePrompts &m_prompts;
    std::function<ModelConfiguration()> m_configuration;
    int m_parallel;
    QueueContents m_contents;
    QHash<Workspace *, QString> m_busy;
    QSet<QString> m_stopping;
    bool m_stopAll = false;
    QTimer m_poll;
};
