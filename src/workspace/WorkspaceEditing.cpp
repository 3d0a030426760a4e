// Editing and organizing the home library's notes and projects. Each command checks its input
// here on the interface thread, holds the busy flag while the store writes, and changes the
// in-memory lists only after the write succeeded, so on failure the screen still shows what is
// on disk.

#include "workspace/Workspace.h"

#include "library/NativeLibrary.h"
#include "platform/Errors.h"
#include "platform/Localization.h"

#include <QPointer>
#include <QUuid>

#include <algorithm>

namespace {

bool nameTaken(const std::vector<Project> &projects, const QString &name, const QString &exceptID = {})
{
    return std::any_of(projects.begin(), projects.end(), [&](const Project &project) {
        return project.id != exceptID && sameProjectName(project.name, name);
    });
}

} // namespace

// The background halves of the commands that report through error instead of throwing.
class WorkspaceEditing {
public:
    static bool writable(const Workspace &workspace)
    {
        return workspace.canOrganize();
    }

    static QCoro::Task<> saveProjects(QPointer<Workspace> workspace, std::vector<Project> base,
                                      std::vector<Project> projects)
    {
        NativeLibrary &library = workspace->m_library;
        std::exception_ptr failure;
        try {
            projects = co_await library.saveProjects(std::move(base), std::move(projects));
        } catch (...) {
            failure = std::current_exception();
        }
        if (!workspace)
            co_return;
        if (failure)
            workspace->setError(describeError(failure));
        else
            workspace->setProjects(std::move(projects));
        workspace->setLoading(false);
        if (failure)
            workspace->afterFailedWrite(failure);
    }

    static QCoro::Task<> saveOrganized(QPointer<Workspace> workspace, Recording base, Recording changed)
    {
        NativeLibrary &library = workspace->m_library;
        std::exception_ptr failure;
        try {
            changed = co_await library.save(std::move(base), std::move(changed));
        } catch (...) {
            failure = std::current_exception();
        }
        if (!workspace)
            co_return;
        if (failure) {
            workspace->setError(describeError(failure));
        } else {
            workspace->replaceRecord(changed);
            workspace->filter();
            workspace->keepOrMoveSelection();
        }
        workspace->setLoading(false);
        if (failure)
            workspace->afterFailedWrite(failure);
    }

    // Awaits a store write for a command that throws to its caller: a failure clears the busy
    // flag on its way out. Nothing when the workspace went away meanwhile.
    template<typename T>
    static QCoro::Task<std::optional<T>> awaitWrite(QPointer<Workspace> workspace, QCoro::Task<T> write)
    {
        std::exception_ptr failure;
        try {
            T stored = co_await std::move(write);
            if (workspace)
                co_return std::optional<T>(std::move(stored));
            co_return std::nullopt;
        } catch (...) {
            failure = std::current_exception();
        }
        if (workspace) {
            workspace->setLoading(false);
            workspace->afterFailedWrite(failure);
        }
        std::rethrow_exception(failure);
    }
};

QCoro::Task<> Workspace::saveEdits(Recording edited, std::optional<Recording> original)
{
    const auto stored = std::find_if(m_records.begin(), m_records.end(),
                                     [&](const Recording &r) { return r.id == edited.id; });
    if (!WorkspaceEditing::writable(*this) || edited.deletedAt || stored == m_records.end() || isJobNote(edited.id))
        throw AppFailure(QStringLiteral("当前记录无法编辑。"));
    if (edited.title.trimmed().isEmpty())
        throw AppFailure(QStringLiteral("标题不能为空。"));

    const Recording base = original.value_or(*stored);
    Recording changed = edited;
    // A summary written from an older transcript no longer matches it; a new summary text (or one
    // the person edited by hand) is current again.
    if (changed.segments != base.segments && !changed.summary.isEmpty())
        changed.summaryStale = true;
    else if (changed.summary != base.summary)
        changed.summaryStale = false;
    setLoading(true);

    QPointer<Workspace> self(this);
    QCoro::Task<Recording> write = m_library.save(base, changed);
    const std::optional<Recording> saved = co_await WorkspaceEditing::awaitWrite(self, std::move(write));
    if (!saved)
        co_return;
    replaceRecord(*saved);
    filter();
    setNotice(L(QStringLiteral("修改已保存。")));
    setLoading(false);
}

void Workspace::createProject(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (!WorkspaceEditing::writable(*this) || trimmed.isEmpty())
        return;
    if (nameTaken(m_projects, trimmed)) {
        setError(L(QStringLiteral("已经有同名项目。")));
        return;
    }
    setLoading(true);
    std::vector<Project> projects = m_projects;
    projects.push_back(Project{QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(), trimmed});
    WorkspaceEditing::saveProjects(QPointer<Workspace>(this), m_projects, std::move(projects));
}

QCoro::Task<> Workspace::renameProject(QString projectID, QString name)
{
    const auto existing = std::find_if(m_projects.begin(), m_projects.end(),
                                       [&](const Project &p) { return p.id == projectID; });
    if (!WorkspaceEditing::writable(*this) || existing == m_projects.end())
        throw AppFailure(QStringLiteral("当前项目无法修改。"));
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw AppFailure(QStringLiteral("项目名称不能为空。"));
    if (nameTaken(m_projects, trimmed, projectID))
        throw AppFailure(QStringLiteral("已经有同名项目。"));

    setLoading(true);
    std::vector<Project> projects = m_projects;
    for (Project &project : projects) {
        if (project.id == projectID)
            project.name = trimmed;
    }
    QPointer<Workspace> self(this);
    QCoro::Task<std::vector<Project>> write = m_library.saveProjects(m_projects, projects);
    std::optional<std::vector<Project>> saved = co_await WorkspaceEditing::awaitWrite(self, std::move(write));
    if (!saved)
        co_return;
    setProjects(std::move(*saved));
    setNotice(L(QStringLiteral("项目名称已更新。")));
    setLoading(false);
}

void Workspace::organize(const QString &recordID, const OrganizeChange &change)
{
    if (!WorkspaceEditing::writable(*this))
        return;
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const Recording &r) { return r.id == recordID; });
    if (found == m_records.end())
        return;
    // The job's note stays live until the job ends: a job never writes into the trash.
    if (change.kind == OrganizeChange::Kind::Trash && isJobNote(recordID))
        return;
    Recording changed = *found;
    change.apply(changed);
    setLoading(true);
    WorkspaceEditing::saveOrganized(QPointer<Workspace>(this), *found, std::move(changed));
}
