#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class FileLock;

// One note waiting in, running in or finished by the processing queue.
struct QueueItem {
    static inline const QString waiting = QStringLiteral("waiting");
    static inline const QString running = QStringLiteral("running");
    static inline const QString done = QStringLiteral("done");
    static inline const QString failed = QStringLiteral("failed");
    static inline const QString stopped = QStringLiteral("stopped");

    QString noteID;
    bool summarize = false; // write the minutes after the transcript
    QString state = waiting;
    QString message;        // why it failed, in the interface language of that moment

    bool finished() const { return state == done || state == failed || state == stopped; }
    bool operator==(const QueueItem &) const = default;
};

// The queue as saved: the notes in order and whether someone asked it to stop.
struct QueueContents {
    bool stopRequested = false;
    std::vector<QueueItem> items;

    bool operator==(const QueueContents &) const = default;
    // Items left "running" by a program that ended without finishing them wait again; each note
    // resumes from its own saved progress.
    void resumeInterrupted();
    // Queues the notes behind the unfinished ones; finished entries make way, and a note already
    // waiting or running keeps its place (asked to summarise when either asks for it).
    void add(const QStringList &noteIDs, bool summarize);
    bool hasWork() const;
    QJsonObject toJSON() const;
    // Absent when the text is not a queue of this version.
    static std::optional<QueueContents> fromJSON(const QJsonObject &object);
};

// The processing queue saved in the application-support folder, so a quit or a crash does not
// lose it. The desktop program and the command line share it: every change is a read, change and
// write under one lock, so a "stop" from one never undoes a state written by the other.
class ProcessingQueue final {
public:
    explicit ProcessingQueue(QString file = defaultFile());
    // applicationSupport()/queue.json
    static QString defaultFile();
    const QString &file() const { return m_file; }

    // The queue as saved; empty when there is none or it cannot be read back (the notes keep their
    // own progress, so nothing is lost but the list).
    QueueContents read() const;
    // Applies the change to the saved queue and writes it; returns what was written. Throws
    // SystemError when the queue cannot be saved.
    QueueContents update(const std::function<void(QueueContents &)> &change) const;
    // The right to run the queue, held while the returned lock lives; none while another program
    // runs it. Throws SystemError.
    std::optional<FileLock> claimRunner() const;

private:
    QString m_file;
};
