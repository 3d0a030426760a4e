#pragma once

#include "library/LibraryReader.h"
#include "library/Recording.h"
#include "platform/Async.h"

#include <QCoroTask>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class FileLock;
class QThreadPool;

// A note that is being recorded, as created by NativeLibrary::beginRecording: its status is
// "recording" while the lock is held. A note whose lock nobody holds was left by a recording that
// died, and the next home read recovers it.
struct RecordingStart {
    Recording note;
    std::shared_ptr<FileLock> lock;
};

// What other programs changed in the home library since this one last read or wrote it.
struct LibraryChanges {
    std::vector<Recording> notes; // added or rewritten notes, as a home read accepts them
    QStringList gone;             // ids of notes no longer there, or no longer readable
    std::optional<std::vector<Project>> projects; // the project list, when it changed

    bool empty() const { return notes.empty() && gone.isEmpty() && !projects; }
};

// The home library's store. Every operation runs on the store's own serial executor, one at a time
// in the order called, so two writes never interleave and a home read never sees a half-done save.
// The task versions hop there and back; the *Now versions block the calling thread and are meant
// for that executor, tests and the command line.
//
// Other programs (a second window, hushnote-cli) may write the same library. A save therefore
// never replaces a file blindly: under a lock on the note's folder (or the library folder, for the
// project list) it reads what is there, carries this program's change onto it (RecordMerge) and
// writes the result, or throws SaveConflict when both changed the same part.
class NativeLibrary final {
public:
    explicit NativeLibrary(QString root = defaultRoot());
    NativeLibrary(const NativeLibrary &) = delete;
    NativeLibrary &operator=(const NativeLibrary &) = delete;

    // AppPaths::homeLibrary(): <application support>/Library. Not created here.
    static QString defaultRoot();

    const QString &root() const { return m_root; }
    QString recordingsFolder() const;              // root/recordings
    QString noteFolder(const QString &id) const;   // root/recordings/<id>
    QString projectsFile() const;                  // root/projects.json

    // The serial executor; work that writes the home library (the import) runs here.
    QThreadPool *executor() { return m_executor.pool(); }

    // prepare(), reclaimAbandonedImports(), then LibraryReader::read(root, includeDeleted = true,
    // managed = true). A stop ends the read early with Cancelled.
    QCoro::Task<LibrarySnapshot> loadHome(std::stop_token stop = {});
    // Rewrites one existing note (backup first, atomic, 0600) with the change from base (the
    // version this program last read or wrote) to changed, carried onto what is on disk now.
    // Returns what was written. Never creates a note.
    QCoro::Task<Recording> save(Recording base, Recording changed);
    // Rewrites the whole project list (compact JSON, atomic) the same way.
    QCoro::Task<std::vector<Project>> saveProjects(std::vector<Project> base, std::vector<Project> changed);
    // What changed on disk since the last home read, save or call of this; see changesNow().
    QCoro::Task<LibraryChanges> changes();
    // Creates a new note from an audio file (or a copy of a foreign note with new audio).
    // Defined in NativeLibraryImport.cpp.
    QCoro::Task<Recording> importAudio(QString audioPath, std::optional<Recording> copyOf);
    // Creates an empty note for a recording: duration 0, status "recording", the audio to come in
    // storedAudioName (audioURL names it though it does not exist yet). Defined there too.
    QCoro::Task<RecordingStart> beginRecording(QString title);
    // The lock file in a note folder that a live recording holds.
    static QString recordingLockName() { return QStringLiteral("recording.lock"); }
    // Claims a note for one processing job among every program on this library, through a lock
    // file in its folder held until the returned lock goes (or the process ends, however it
    // ends). Throws AppFailure "这条笔记正在别处转写或整理，请等它结束后再试。" while another
    // job holds it: two jobs on one note would redo each other's chunks and overwrite each other.
    QCoro::Task<std::shared_ptr<FileLock>> claimForJob(QString id);

    // Blocking forms; run them on executor() (or where nothing else writes the library).
    // Refuses links in the structure ("资料库包含不安全的链接。") and creates root/recordings
    // (missing folders 0700).
    void prepare() const;
    LibrarySnapshot loadHomeNow(std::stop_token stop = {}) const;
    Recording saveNow(const Recording &base, const Recording &changed) const;
    std::vector<Project> saveProjectsNow(const std::vector<Project> &base, const std::vector<Project> &changed) const;
    // Compares each note's record.json and the project list with the version this program last
    // read or wrote (file identity, size and times: one stat per note, no reading) and reads
    // what differs by a home read's rules.
    LibraryChanges changesNow() const;
    // Removes the hidden ".import-" folders no running import holds (left by one that died); part
    // of every home read. Best effort: what cannot be removed stays hidden.
    void reclaimAbandonedImports() const;
    RecordingStart beginRecordingNow(const QString &title) const;
    // Part of every home read: each note whose recorder is gone (its lock file left behind, held
    // by nobody) gets its audio closed properly (every intact second kept), its measured duration,
    // status "ready" ("paused" or "transcribed" with chunks done) and interrupted = true. Best
    // effort per note: one that cannot be recovered is left, and read, as it is.
    void recoverInterruptedRecordings() const;

private:
    // Identity and times of a file as last read or written here; equal stamps mean untouched.
    struct Stamp {
        quint64 device = 0, inode = 0;
        qint64 size = 0, modified = 0, changed = 0; // times in nanoseconds
        bool operator==(const Stamp &) const = default;
    };
    static std::optional<Stamp> stampOf(const QString &path);
    QString recordFile(const QString &id) const;
    // The stamps of every note's record.json and of the project list, as they are now.
    QHash<QString, Stamp> noteStamps() const;
    void remember(const QString &id, std::optional<Stamp> stamp) const;

    QString m_root;
    // Guarded by m_stampsLock; written by reads and saves, which run one at a time on the executor.
    mutable QMutex m_stampsLock;
    mutable QHash<QString, Stamp> m_stamps; // note id -> its record.json
    mutable std::optional<Stamp> m_projectsStamp;
    SerialExecutor m_executor; // last: drained before the other members go away
};
