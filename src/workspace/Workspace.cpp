#include "workspace/Workspace.h"

#include "library/NativeLibrary.h"
#include "library/RecordMerge.h"
#include "library/SearchText.h"
#include "platform/Async.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/ScopedFileAccess.h"
#include "platform/Localization.h"
#include "workspace/UserPrompts.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <numeric>

namespace {

bool isNotDurable(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const FileUtil::NotDurable &) {
        return true;
    } catch (...) {
        return false;
    }
}

const char *const homeLabelKey = "我的资料库";

// The label of a foreign library: the last component of the folder the person picked.
QString libraryName(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    const QString name = QFileInfo(clean).fileName();
    return name.isEmpty() ? clean : name;
}

bool inScope(const Recording &recording, const LibraryScope &scope)
{
    switch (scope.kind) {
    case LibraryScope::Kind::All:
        return recording.isLive();
    case LibraryScope::Kind::Pinned:
        return recording.isLive() && recording.starred.value_or(false);
    case LibraryScope::Kind::Trash:
        return !recording.isLive();
    case LibraryScope::Kind::Project:
        return recording.isLive() && recording.folderId && *recording.folderId == scope.projectID;
    }
    return false;
}

bool isCancelled(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Cancelled &) {
        return true;
    } catch (...) {
        return false;
    }
}

// Stores a new value and signals the change, only when the value really changed.
template<typename T>
bool assign(Workspace *workspace, T &field, const T &value, void (Workspace::*changed)())
{
    if (field == value)
        return false;
    field = value;
    Q_EMIT(workspace->*changed)();
    return true;
}

} // namespace

Workspace::Workspace(NativeLibrary &library, UserPrompts &prompts, JobServices services, bool bootstrap,
                     QObject *parent)
    : QObject(parent),
      m_library(library),
      m_prompts(prompts),
      m_services(std::move(services)),
      m_libraryLabel(L(QString::fromUtf8(homeLabelKey)))
{
    if (bootstrap)
        loadHome();
}

Workspace::~Workspace() = default;

// --- setters -------------------------------------------------------------------------------

void Workspace::setScope(const LibraryScope &scope)
{
    assign(this, m_scope, scope, &Workspace::scopeChanged);
}

void Workspace::setSelectedID(const std::optional<QString> &id)
{
    assign(this, m_selectedID, id, &Workspace::selectedIDChanged);
}

void Workspace::setQuery(const QString &query)
{
    if (m_query != query) {
        m_query = query;
        Q_EMIT queryChanged();
    }
    filter();
}

void Workspace::setNotice(const std::optional<QString> &notice)
{
    assign(this, m_notice, notice, &Workspace::noticeChanged);
}

void Workspace::setError(const std::optional<QString> &error)
{
    assign(this, m_error, error, &Workspace::errorChanged);
}

void Workspace::setRecords(std::vector<Recording> records)
{
    if (m_records == records)
        return;
    // The list keeps showing the notes it showed, where they are in the new records (as copies
    // would have); filter() decides anew.
    QHash<QString, size_t> shown;
    for (size_t i : m_filtered.positions())
        shown.insert(m_records[i].id, 0);
    m_records = std::move(records);
    std::vector<size_t> kept;
    if (!shown.isEmpty()) {
        for (size_t i = 0; i < m_records.size(); ++i) {
            if (shown.contains(m_records[i].id))
                kept.push_back(i);
        }
    }
    const bool dropped = kept.size() != m_filtered.size();
    m_filtered = FilteredNotes(&m_records, std::move(kept));
    m_searchTexts.clear();
    m_replacedDuringBuild.clear();
    ++m_recordsRevision;
    // Started a moment later: a search that follows the load at once (the command line's list
    // --query) builds the texts itself, and the background build then finds nothing to do.
    const quint64 generation = ++m_recordsGeneration;
    QTimer::singleShot(100, this, [this, generation] {
        if (m_recordsGeneration == generation && !isSearchIndexed())
            buildSearchTexts(generation);
    });
    Q_EMIT recordsChanged();
    if (dropped)
        Q_EMIT filteredChanged();
}

void Workspace::setProjects(std::vector<Project> projects)
{
    if (m_projects == projects)
        return;
    m_projects = std::move(projects);
    Q_EMIT projectsChanged();
}

void Workspace::setLoading(bool loading)
{
    if (assign(this, m_loading, loading, &Workspace::loadingChanged))
        Q_EMIT idleChanged();
}

void Workspace::setLibraryLabel(const QString &label)
{
    assign(this, m_libraryLabel, label, &Workspace::libraryLabelChanged);
}

void Workspace::setIsManaged(bool managed)
{
    assign(this, m_isManaged, managed, &Workspace::isManagedChanged);
}

void Workspace::setJobID(const std::optional<QString> &id)
{
    if (assign(this, m_jobID, id, &Workspace::jobIDChanged))
        Q_EMIT idleChanged();
}

void Workspace::setProgress(double progress)
{
    assign(this, m_progress, progress, &Workspace::progressChanged);
}

void Workspace::setProgressText(const QString &text)
{
    assign(this, m_progressText, text, &Workspace::progressTextChanged);
}

bool Workspace::replaceRecord(const Recording &recording)
{
    auto it = std::find_if(m_records.begin(), m_records.end(),
                           [&](const Recording &r) { return r.id == recording.id; });
    if (it == m_records.end())
        return false;
    if (*it == recording)
        return true;
    *it = recording;
    ++m_recordsRevision;
    if (isSearchIndexed())
        m_searchTexts[size_t(it - m_records.begin())] = SearchText::of(recording);
    else
        m_replacedDuringBuild.push_back(recording.id);
    Q_EMIT recordsChanged();
    return true;
}

// --- derived values ------------------------------------------------------------------------

int Workspace::liveCount() const
{
    return int(std::count_if(m_records.begin(), m_records.end(), [](const Recording &r) { return r.isLive(); }));
}

int Workspace::pinnedCount() const
{
    return int(std::count_if(m_records.begin(), m_records.end(),
                             [](const Recording &r) { return r.isLive() && r.starred.value_or(false); }));
}

int Workspace::trashCount() const
{
    return int(m_records.size()) - liveCount();
}

int Workspace::projectCount(const QString &projectID) const
{
    return int(std::count_if(m_records.begin(), m_records.end(), [&](const Recording &r) {
        return r.isLive() && r.folderId && *r.folderId == projectID;
    }));
}

QString Workspace::scopeTitle() const
{
    switch (m_scope.kind) {
    case LibraryScope::Kind::All:
        return L(QStringLiteral("全部笔记"));
    case LibraryScope::Kind::Pinned:
        return L(QStringLiteral("置顶"));
    case LibraryScope::Kind::Trash:
        return L(QStringLiteral("废纸篓"));
    case LibraryScope::Kind::Project:
        for (const Project &project : m_projects) {
            if (project.id == m_scope.projectID)
                return project.name;
        }
        return L(QStringLiteral("项目"));
    }
    return {};
}

std::optional<Recording> Workspace::selectedRecord() const
{
    if (!m_selectedID)
        return std::nullopt;
    for (const Recording &recording : m_records) {
        if (recording.id == *m_selectedID)
            return recording;
    }
    return std::nullopt;
}

QCoro::Task<> Workspace::whenIdle()
{
    QPointer<Workspace> self(this);
    while (self && !isIdle())
        co_await qCoro(this, &Workspace::idleChanged);
}

QCoro::Task<> Workspace::whenNotLoading()
{
    QPointer<Workspace> self(this);
    while (self && m_loading)
        co_await qCoro(this, &Workspace::loadingChanged);
}

// --- filtering and installing ---------------------------------------------------------------

void Workspace::filter()
{
    const QString folded = SearchText::fold(m_query.trimmed());
    const bool build = !folded.isEmpty() && !isSearchIndexed();
    if (build) {
        // Searched before the background build landed: build here, each note's text just before
        // it is searched (while it is still in the processor's cache), and stop that build.
        m_searchBuildCancelled->store(true);
        m_searchTexts.assign(m_records.size(), {});
        m_replacedDuringBuild.clear();
        ++m_recordsGeneration;
    }
    // Every note is looked at on its own, in parallel: a large library is hundreds of megabytes.
    std::vector<char> shown(m_records.size());
    const auto look = [&](size_t i) {
        if (build)
            m_searchTexts[i] = SearchText::of(m_records[i]);
        shown[i] = inScope(m_records[i], m_scope)
            && (folded.isEmpty() || SearchText::contains(m_searchTexts[i], folded));
    };
    if (folded.isEmpty() || m_records.size() < 64) {
        for (size_t i = 0; i < m_records.size(); ++i)
            look(i);
    } else {
        std::vector<size_t> all(m_records.size());
        std::iota(all.begin(), all.end(), size_t(0));
        QtConcurrent::blockingMap(all, [&](size_t i) { look(i); });
    }
    std::vector<size_t> matches;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i])
            matches.push_back(i);
    }
    if (m_filteredRevision == m_recordsRevision && matches == m_filtered.positions())
        return;
    m_filtered = FilteredNotes(&m_records, std::move(matches));
    m_filteredRevision = m_recordsRevision;
    Q_EMIT filteredChanged();
}

QCoro::Task<> Workspace::buildSearchTexts(quint64 generation)
{
    if (m_records.empty())
        co_return;
    QPointer<Workspace> self(this);
    m_searchBuildCancelled->store(true);
    m_searchBuildCancelled = std::make_shared<std::atomic<bool>>(false);
    auto build = [records = m_records, cancelled = m_searchBuildCancelled] {
        return SearchText::ofAll(records, cancelled.get());
    };
    std::vector<SearchText::Parts> texts = co_await runInBackground(std::move(build));
    if (!self || m_recordsGeneration != generation || isSearchIndexed())
        co_return;
    m_searchTexts = std::move(texts);
    for (const QString &id : std::exchange(m_replacedDuringBuild, {})) {
        for (size_t i = 0; i < m_records.size(); ++i) {
            if (m_records[i].id == id)
                m_searchTexts[i] = SearchText::of(m_records[i]);
        }
    }
}

void Workspace::install(std::vector<Recording> records, std::vector<Project> projects, const QString &label,
                        bool managed)
{
    setScope(LibraryScope::all());
    setProjects(std::move(projects));
    setRecords(std::move(records));
    std::optional<QString> selection;
    for (const Recording &recording : m_records) {
        if (recording.isLive()) {
            selection = recording.id;
            break;
        }
    }
    setSelectedID(selection);
    setQuery(QString());
    filter();
    setLibraryLabel(label);
    setIsManaged(managed);
}

void Workspace::reportSkipped(int skipped)
{
    if (skipped >= 1)
        setNotice(L(QStringLiteral("已跳过 %d 条无法读取的记录。")).replace(QStringLiteral("%d"), QString::number(skipped)));
    else
        setNotice(std::nullopt);
}

void Workspace::reportOpenFailure(std::exception_ptr error)
{
    setError(L(QStringLiteral("资料库无法打开：%@")).replace(QStringLiteral("%@"), describeError(error)));
}

// --- loading ---------------------------------------------------------------------------------

void Workspace::loadHome()
{
    if (!isIdle())
        return;
    const int generation = ++m_generation;
    m_readStop = std::stop_source();
    setLoading(true);
    runLoadHome(generation);
}

void Workspace::stopReading()
{
    m_readStop.request_stop();
}

QCoro::Task<> Workspace::runLoadHome(int generation)
{
    QPointer<Workspace> self(this);
    std::exception_ptr failure;
    std::optional<LibrarySnapshot> snapshot;
    try {
        snapshot = co_await m_library.loadHome(m_readStop.get_token());
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    finishLoad(generation, failure, std::move(snapshot), L(QString::fromUtf8(homeLabelKey)), true, nullptr);
}

void Workspace::finishLoad(int generation, std::exception_ptr failure, std::optional<LibrarySnapshot> snapshot,
                           const QString &label, bool managed, std::shared_ptr<ScopedFileAccess> access)
{
    if (failure) {
        if (!isCancelled(failure))
            reportOpenFailure(failure);
    } else if (m_generation == generation) {
        if (access)
            m_libraryAccess = std::move(access);
        install(std::move(snapshot->recordings), std::move(snapshot->projects), label, managed);
        reportSkipped(snapshot->skipped);
        watchPaths();
    }
    if (m_generation == generation)
        setLoading(false);
}

void Workspace::chooseLibrary()
{
    if (isIdle())
        runChooseLibrary();
}

QCoro::Task<> Workspace::runChooseLibrary()
{
    QPointer<Workspace> self(this);
    const QString start = QDir::home().filePath(QStringLiteral("Documents/Hushnote"));
    const std::optional<QString> folder = co_await m_prompts.chooseFolder(
        L(QStringLiteral("打开资料库（只读）")),
        L(QStringLiteral("选择包含 recordings 的目录。旧资料保持只读，可复制到我的资料库后继续整理。")), start);
    // The chooser may have stayed open while other work started: openLibrary checks again.
    if (self && folder)
        openLibrary(*folder);
}

void Workspace::openLibrary(const QString &folder)
{
    if (!isIdle())
        return;
    auto access = std::make_shared<ScopedFileAccess>(folder);
    const int generation = ++m_generation;
    m_readStop = std::stop_source();
    setLoading(true);
    runOpenLibrary(folder, std::move(access), generation);
}

QCoro::Task<> Workspace::runOpenLibrary(QString folder, std::shared_ptr<ScopedFileAccess> access, int generation)
{
    QPointer<Workspace> self(this);
    std::exception_ptr failure;
    std::optional<LibrarySnapshot> snapshot;
    try {
        // Named first: g++ 12 destroys a closure temporary inside a co_await expression twice.
        auto read = [folder, stop = m_readStop.get_token()] { return LibraryReader::read(folder, false, false, stop); };
        snapshot = co_await runInBackground(std::move(read));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    finishLoad(generation, failure, std::move(snapshot), libraryName(folder), false, std::move(access));
}

// --- following other programs -------------------------------------------------------------------

void Workspace::followLibraryChanges()
{
    if (m_watcher)
        return;
    m_watcher = new QFileSystemWatcher(this);
    m_refreshDelay = new QTimer(this);
    m_refreshDelay->setSingleShot(true);
    m_refreshDelay->setInterval(150);
    auto later = [this] { m_refreshDelay->start(); };
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, later);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, later);
    connect(m_refreshDelay, &QTimer::timeout, this, [this] { refresh(); });
    connect(this, &Workspace::selectedIDChanged, this, &Workspace::watchPaths);
    watchPaths();
}

void Workspace::watchPaths()
{
    if (!m_watcher)
        return;
    QStringList folders;
    QStringList files;
    if (m_isManaged) {
        folders = {m_library.root(), m_library.recordingsFolder()};
        if (m_selectedID)
            files = {m_library.noteFolder(*m_selectedID) + QStringLiteral("/record.json")};
    }
    // The open note's file is watched afresh each time: a save replaces it by a rename, and the
    // old watch follows the replaced file.
    const QStringList watched = m_watcher->files() + m_watcher->directories();
    for (const QString &path : watched) {
        if (!folders.contains(path))
            m_watcher->removePath(path);
    }
    for (const QString &path : folders + files) {
        if (QFileInfo::exists(path) && !m_watcher->directories().contains(path))
            m_watcher->addPath(path);
    }
}

QCoro::Task<> Workspace::refresh()
{
    if (!m_isManaged)
        co_return;
    const int generation = m_generation;
    QPointer<Workspace> self(this);
    std::optional<LibraryChanges> changes;
    try {
        changes = co_await m_library.changes();
    } catch (...) {
        // The next event tries again; a library that cannot be read shows what it showed.
    }
    if (!self || generation != m_generation || !m_isManaged)
        co_return;
    if (changes)
        applyChanges(std::move(*changes));
    watchPaths();
}

void Workspace::applyChanges(LibraryChanges changes)
{
    if (changes.projects)
        setProjects(std::move(*changes.projects));
    if (changes.notes.empty() && changes.gone.isEmpty())
        return;
    std::vector<Recording> added;
    for (Recording &note : changes.notes) {
        if (!replaceRecord(note))
            added.push_back(std::move(note));
    }
    if (!added.empty() || !changes.gone.isEmpty()) {
        // A new list of notes (search texts are built again), newest first as a home read gives it.
        std::vector<Recording> records;
        records.reserve(m_records.size() + added.size());
        for (const Recording &note : m_records) {
            if (!changes.gone.contains(note.id))
                records.push_back(note);
        }
        for (Recording &note : added) {
            auto at = std::upper_bound(records.begin(), records.end(), note, [](const Recording &a, const Recording &b) {
                return a.createdAt > b.createdAt;
            });
            records.insert(at, std::move(note));
        }
        setRecords(std::move(records));
    }
    filter();
    keepOrMoveSelection();
}

void Workspace::keepOrMoveSelection()
{
    const bool stillListed = m_selectedID && std::any_of(m_filtered.begin(), m_filtered.end(), [&](const Recording &r) {
                                 return r.id == *m_selectedID;
                             });
    if (stillListed)
        return;
    setSelectedID(m_filtered.empty() ? std::nullopt : std::optional<QString>(m_filtered.front().id));
}

void Workspace::afterFailedWrite(std::exception_ptr failure)
{
    if (failure && (SaveConflict::is(failure) || isNotDurable(failure)))
        refresh();
}
