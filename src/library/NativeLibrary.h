#pragma once

#include "library/LibraryReader.h"
#include "library/Recording.h"
#include "platform/Async.h"

#include <QCoroTask>
#include <QString>
#include <optional>
#include <vector>

class QThreadPool;

// The only writer of the home library. Every operation runs on the store's own serial executor,
// one at a time in the order called, so two writes never interleave and a home read never sees a
// half-done save. The task versions hop there and back; the *Now versions block the calling
// thread and are meant for that executor, tests and the command line.
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
    // managed = true).
    QCoro::Task<LibrarySnapshot> loadHome();
    // Rewrites one existing note (backup first, atomic, 0600). Never creates a note.
    QCoro::Task<> save(Recording recording);
    // Rewrites the whole project list (compact JSON, atomic).
    QCoro::Task<> saveProjects(std::vector<Project> projects);
    // Creates a new note from an audio file (or a copy of a foreign note with new audio).
    // Defined in NativeLibraryImport.cpp.
    QCoro::Task<Recording> importAudio(QString audioPath, std::optional<Recording> copyOf);

    // Blocking forms; run them on executor() (or where nothing else writes the library).
    // Refuses links in the structure ("资料库包含不安全的链接。") and creates root/recordings
    // (missing folders 0700).
    void prepare() const;
    LibrarySnapshot loadHomeNow() const;
    void saveNow(const Recording &recording) const;
    void saveProjectsNow(const std::vector<Project> &projects) const;
    // Removes the hidden ".import-" folders no running import holds (left by one that died); part
    // of every home read. Best effort: what cannot be removed stays hidden.
    void reclaimAbandonedImports() const;

private:
    QString m_root;
    SerialExecutor m_executor; // last: drained before the other members go away
};
