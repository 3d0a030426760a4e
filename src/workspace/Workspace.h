#pragma once

#include "library/LibraryReader.h"
#include "library/Recording.h"
#include "library/SearchText.h"
#include "workspace/JobServices.h"
#include "workspace/OrganizeChange.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class NativeLibrary;
class QFileSystemWatcher;
class QTimer;
class ScopedFileAccess;
struct LibraryChanges;
class UserPrompts;
struct SummaryPreferences;     // src/services/SummaryPreferences.h
struct JobState;               // src/processing/WorkspaceJob.cpp
enum class NoteExportFormat : int; // src/library/NoteExport.h (defined there with ": int")

// The notes the list shows, in order: positions into the workspace's records, read as the notes
// themselves, so a list of 2,000 long transcripts is not a second copy of them. It reads records as
// they are now (a note changed in place shows its new content); filteredChanged says when the list
// itself is worth reading again.
class FilteredNotes {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using difference_type = std::ptrdiff_t;
        using value_type = Recording;
        using pointer = const Recording *;
        using reference = const Recording &;

        Iterator() = default;
        Iterator(const std::vector<Recording> *records, std::vector<size_t>::const_iterator at)
            : m_records(records), m_at(at)
        {
        }
        reference operator*() const { return (*m_records)[*m_at]; }
        pointer operator->() const { return &**this; }
        Iterator &operator++()
        {
            ++m_at;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++m_at;
            return before;
        }
        bool operator==(const Iterator &other) const { return m_at == other.m_at; }

    private:
        const std::vector<Recording> *m_records = nullptr;
        std::vector<size_t>::const_iterator m_at;
    };

    FilteredNotes() = default;
    FilteredNotes(const std::vector<Recording> *records, std::vector<size_t> positions)
        : m_records(records), m_positions(std::move(positions))
    {
    }

    size_t size() const { return m_positions.size(); }
    bool empty() const { return m_positions.empty(); }
    const Recording &operator[](size_t row) const { return (*m_records)[m_positions[row]]; }
    const Recording &at(size_t row) const { return (*m_records)[m_positions.at(row)]; }
    const Recording &front() const { return (*this)[0]; }
    Iterator begin() const { return {m_records, m_positions.begin()}; }
    Iterator end() const { return {m_records, m_positions.end()}; }
    // Where each listed note is in records.
    const std::vector<size_t> &positions() const { return m_positions; }

    bool operator==(const FilteredNotes &other) const { return m_positions == other.m_positions; }

private:
    const std::vector<Recording> *m_records = nullptr;
    std::vector<size_t> m_positions;
};

// The controller behind the main window: the open library's notes and projects, what the note list
// shows, the busy flag, the last messages and the processing job's progress. Every member runs on
// the user-interface thread; blocking work happens on the store's executor or the global pool and
// comes back here before any state changes.
//
// Commands are split across files by topic: Workspace.cpp (state, loading, filtering),
// WorkspaceImport.cpp, WorkspaceEditing.cpp, WorkspaceExport.cpp, processing/WorkspaceJob.cpp.
class Workspace final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Workspace)
    Q_PROPERTY(std::vector<Recording> records READ records NOTIFY recordsChanged)
    Q_PROPERTY(std::vector<Project> projects READ projects NOTIFY projectsChanged)
    Q_PROPERTY(LibraryScope scope READ scope WRITE setScope NOTIFY scopeChanged)
    Q_PROPERTY(std::optional<QString> selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(FilteredNotes filtered READ filtered NOTIFY filteredChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(std::optional<QString> notice READ notice WRITE setNotice NOTIFY noticeChanged)
    Q_PROPERTY(std::optional<QString> error READ error WRITE setError NOTIFY errorChanged)
    Q_PROPERTY(QString libraryLabel READ libraryLabel NOTIFY libraryLabelChanged)
    Q_PROPERTY(bool isManaged READ isManaged NOTIFY isManagedChanged)
    Q_PROPERTY(std::optional<QString> jobID READ jobID NOTIFY jobIDChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString progressText READ progressText NOTIFY progressTextChanged)
    Q_PROPERTY(int liveCount READ liveCount NOTIFY recordsChanged)
    Q_PROPERTY(int pinnedCount READ pinnedCount NOTIFY recordsChanged)
    Q_PROPERTY(int trashCount READ trashCount NOTIFY recordsChanged)

public:
    // With bootstrap the constructor ends by loading the home library.
    Workspace(NativeLibrary &library, UserPrompts &prompts, JobServices services, bool bootstrap,
              QObject *parent = nullptr);
    ~Workspace() override;

    // --- observable state ---
    const std::vector<Recording> &records() const { return m_records; }
    const std::vector<Project> &projects() const { return m_projects; }
    const LibraryScope &scope() const { return m_scope; }
    const std::optional<QString> &selectedID() const { return m_selectedID; }
    const QString &query() const { return m_query; }
    const FilteredNotes &filtered() const { return m_filtered; }
    bool loading() const { return m_loading; }
    const std::optional<QString> &notice() const { return m_notice; }
    const std::optional<QString> &error() const { return m_error; }
    const QString &libraryLabel() const { return m_libraryLabel; }
    bool isManaged() const { return m_isManaged; }
    const std::optional<QString> &jobID() const { return m_jobID; }
    double progress() const { return m_progress; }
    const QString &progressText() const { return m_progressText; }

    // Assigning the scope alone does not refilter; the sidebar calls filter() itself.
    void setScope(const LibraryScope &scope);
    void setSelectedID(const std::optional<QString> &id);
    // Every assignment runs filter().
    void setQuery(const QString &query);
    // For views that dismiss a message.
    void setNotice(const std::optional<QString> &notice);
    void setError(const std::optional<QString> &error);

    // --- derived values ---
    int liveCount() const;
    int pinnedCount() const;
    int trashCount() const;
    int projectCount(const QString &projectID) const;
    QString scopeTitle() const; // localized, except a project's own name
    // The note whose id is selectedID, if it is in records.
    std::optional<Recording> selectedRecord() const;
    // Whether the search texts of the current notes are built (a search before that builds them
    // on the spot).
    bool isSearchIndexed() const { return m_searchTexts.size() == m_records.size(); }
    // No library operation in flight and no job running.
    bool isIdle() const { return !m_loading && !m_jobID; }
    // Resolves once the workspace is idle (at once when it already is).
    QCoro::Task<> whenIdle();
    // Organizing (star, move, trash, projects, editing, import) needs the home library and no
    // library operation in flight. A running job does not stop it: the job's saves and these
    // merge with each other field by field.
    bool canOrganize() const { return m_isManaged && !m_loading; }
    // Resolves once no library operation is in flight (a job may still run).
    QCoro::Task<> whenNotLoading();
    // Whether the note may be edited or moved to the trash now: not while a job works on it.
    bool isJobNote(const QString &recordID) const { return m_jobID && *m_jobID == recordID; }

    // --- commands (Workspace.cpp) ---
    void loadHome();
    // Ends a running read of the home or another library early (the program is quitting): the
    // notes not yet begun are left unread and the read's result is dropped. Writes run on.
    void stopReading();
    void chooseLibrary();
    void openLibrary(const QString &folder);
    // Recomputes filtered from records, scope and query.
    void filter();
    // Shows what other programs changed in the home library since this one last read or wrote it
    // (notes added, removed or rewritten, the project list). Nothing while another library is open.
    QCoro::Task<> refresh();
    // From now on, refreshes shortly after anything changes in the home library's folder, its
    // folder of notes or the open note's record.json (the desktop program does this at its start).
    void followLibraryChanges();

    // --- audio import (WorkspaceImport.cpp) ---
    void chooseAudio();
    void importAudio(const QString &audioPath, const std::optional<Recording> &copyOf = std::nullopt);
    void copySelected();

    // --- editing and organizing (WorkspaceEditing.cpp) ---
    // Awaited by the note editor; throws AppFailure or the store's error. original is the version
    // the edit started from (default: the note as records holds it now): only what differs from
    // it counts as this edit's change.
    QCoro::Task<> saveEdits(Recording edited, std::optional<Recording> original = std::nullopt);
    // Reports through error.
    void createProject(const QString &name);
    // Awaited by the project name editor; throws.
    QCoro::Task<> renameProject(QString projectID, QString name);
    // Reports through error.
    void organize(const QString &recordID, const OrganizeChange &change);

    // --- export (WorkspaceExport.cpp) ---
    void exportText(bool summary, NoteExportFormat format);

    // --- processing job (processing/WorkspaceJob.cpp) ---
    void startJob(bool summary, const SummaryPreferences &preferences);
    // Asks the running job to stop, keeping what is done.
    void stopJob();
    // Resolves when no job runs (at once when none does).
    QCoro::Task<> whenJobEnds();
    // text cut into consecutive pieces of size characters (the last holds the rest); empty when
    // size < 1 or text is empty.
    static QStringList parts(const QString &text, int size);

Q_SIGNALS:
    void recordsChanged();
    void projectsChanged();
    void scopeChanged();
    void selectedIDChanged();
    void queryChanged();
    void filteredChanged();
    void loadingChanged();
    void noticeChanged();
    void errorChanged();
    void libraryLabelChanged();
    void isManagedChanged();
    void jobIDChanged();
    void progressChanged();
    void progressTextChanged();
    // loading or jobID changed.
    void idleChanged();
    // An audio file became this new note of the home library (not a copy from another library).
    void imported(const QString &noteID);

private:
    // The command files define helpers under these names to reach the state below.
    friend class WorkspaceImport;
    friend class WorkspaceEditing;
    friend class WorkspaceExport;
    friend class WorkspaceJob;

    // State setters for the command files: each emits its signal only on a real change. Change
    // records only through setRecords and replaceRecord, which keep the search texts in step.
    void setRecords(std::vector<Recording> records);
    void setProjects(std::vector<Project> projects);
    void setLoading(bool loading);
    void setLibraryLabel(const QString &label);
    void setIsManaged(bool managed);
    void setJobID(const std::optional<QString> &id);
    void setProgress(double progress);
    void setProgressText(const QString &text);
    // Replaces the note with the same id in records in place (no refilter); false when absent.
    bool replaceRecord(const Recording &recording);
    // Takes in what refresh() read: replaced, added and removed notes, the project list.
    void applyChanges(LibraryChanges changes);
    // A note that left the list (trashed, moved out of the project shown, removed) hands the
    // selection to the first note still listed.
    void keepOrMoveSelection();
    // After a failed write: a conflict with another program shows the current version.
    void afterFailedWrite(std::exception_ptr failure);
    // Points the watcher at the home library and the open note (nothing for a foreign library).
    void watchPaths();

    // Makes a snapshot the open library: scope all, records, projects, selection of the newest
    // live note, query cleared, filtered, label and managed flag.
    void install(std::vector<Recording> records, std::vector<Project> projects, const QString &label,
                 bool managed);
    // notice = "已跳过 %d 条无法读取的记录。" when skipped >= 1, else cleared.
    void reportSkipped(int skipped);
    // error = "资料库无法打开：%@" with the error's description.
    void reportOpenFailure(std::exception_ptr error);

    QCoro::Task<> runLoadHome(int generation);
    // Applies a finished home or foreign read, unless a newer load has started since.
    void finishLoad(int generation, std::exception_ptr failure, std::optional<LibrarySnapshot> snapshot,
                    const QString &label, bool managed, std::shared_ptr<ScopedFileAccess> access);
    QCoro::Task<> runOpenLibrary(QString folder, std::shared_ptr<ScopedFileAccess> access, int generation);
    // The choosers' halves of chooseLibrary, chooseAudio and exportText.
    QCoro::Task<> runChooseLibrary();
    QCoro::Task<> runChooseAudio();
    QCoro::Task<> runExport(bool summary, NoteExportFormat format, Recording note);

    NativeLibrary &m_library;
    UserPrompts &m_prompts;
    JobServices m_services;

    std::vector<Recording> m_records;
    std::vector<Project> m_projects;
    LibraryScope m_scope;
    std::optional<QString> m_selectedID;
    QString m_query;
    FilteredNotes m_filtered;
    bool m_loading = false;
    std::optional<QString> m_notice;
    std::optional<QString> m_error;
    QString m_libraryLabel;
    bool m_isManaged = false;
    std::optional<QString> m_jobID;
    double m_progress = 0;
    QString m_progressText;

    // Folded search text of each note in records (same order), built in the background after
    // every new list of notes (or at the first search if that comes sooner) and kept in step by
    // replaceRecord, so typing in the search field never folds the whole library.
    std::vector<SearchText::Parts> m_searchTexts;
    quint64 m_recordsGeneration = 0; // bumped by setRecords: a build for an older list is dropped
    quint64 m_recordsRevision = 0;   // bumped by every change of records
    quint64 m_filteredRevision = 0;  // m_recordsRevision when filtered was last published
    std::vector<QString> m_replacedDuringBuild; // ids to refold when a background build lands
    // Set to stop the running background build, whose result would be dropped.
    std::shared_ptr<std::atomic<bool>> m_searchBuildCancelled = std::make_shared<std::atomic<bool>>(false);
    QCoro::Task<> buildSearchTexts(quint64 generation);

    // Load counter: a home or foreign load applies its result only while it still holds its value.
    int m_generation = 0;
    // Stops the running home or foreign read.
    std::stop_source m_readStop;
    // Access to the open foreign library's folder; kept when the home library is loaded again.
    std::shared_ptr<ScopedFileAccess> m_libraryAccess;
    // The running job (defined by the job). shared_ptr so this header needs no definition.
    std::shared_ptr<JobState> m_job;
    // Set by followLibraryChanges(); events are gathered for a moment before one refresh.
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_refreshDelay = nullptr;
};
