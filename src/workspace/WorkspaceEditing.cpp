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

// Project names are unique ignoring letter case; compare canonical forms so that a precomposed
// and a decomposed accent count as the same name too.
bool sameProjectName(const QString &a, const QString &b)
{
    return QString::compare(a.normalized(QString::NormalizationForm_C), b.normalized(QString::NormalizationForm_C),
                            Qt::CaseInsensitive)
        == 0;
}

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
        return workspace.m_isManaged && !workspace.m_loading && !workspace.m_jobID;
    }

    static QCoro::Task<> saveProjects(QPointer<Workspace> workspace, std::vector<Project> projects)
    {
        NativeLibrary &library = workspace->m_library;
        std::exception_ptr failure;
        try {
            co_await library.saveProjects(projects);
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
    }

    static QCoro::Task<> saveOrganized(QPointer<Workspace> workspace, Recording changed)
    {
        NativeLibrary &library = workspace->m_library;
        std::exception_ptr failure;
        try {
            co_await library.save(changed);
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
            keepOrMoveSelection(*workspace);
        }
        workspace->setLoading(false);
    }

    // Awaits a store write for a command that throws to its caller: a failure clears the busy
    // flag on its way out. False when the workspace went away meanwhile.
    static QCoro::Task<bool> awaitWrite(QPointer<Workspace> workspace, QCoro::Task<> write)
    {
        try {
            co_await std::move(write);
        } catch (...) {
            if (workspace)
                workspace->setLoading(false);
            throw;
        }
        co_return !workspace.isNull();
    }

    // A note that left the list (trashed, moved out of the project shown) hands the selection
    // to the first note still listed.
    static void keepOrMoveSelection(Workspace &workspace)
    {
        const auto &listed = workspace.m_filtered;
        const auto &selected = workspace.m_selectedID;
        const bool stillListed = selected && std::any_of(listed.begin(), listed.end(), [&](const Recording &r) {
                                     return r.id == *selected;
                                 });
        if (stillListed)
            return;
        workspace.setSelectedID(listed.empty() ? std::nullopt : std::optional<QString>(listed.front().id));
    }
};

QCoro::Task<> Workspace::saveEdits(Recording edited)
{
    const auto stored = std::find_if(m_records.begin(), m_records.end(),
                                     [&](const Recording &r) { return r.id == edited.id; });
    if (!WorkspaceEditing::writable(*this) || edited.deletedAt || stored == m_records.end())
        throw AppFailure(QStringLiteral("当前记录无法编辑。"));
    if (edited.title.trimmed().isEmpty())
        throw AppFailure(QStringLiteral("标题不能为空。"));

    Recording changed = edited;
    // A summary written from an older transcript no longer matches it; a new summary text (or one
    // the person edited by hand) is current again.
    if (changed.segments != stored->segments && !changed.summary.isEmpty())
        changed.summaryStale = true;
    else if (changed.summary != stored->summary)
        changed.summaryStale = false;
    setLoading(true);

    QPointer<Workspace> self(this);
    QCoro::Task<> write = m_library.save(changed);
    const bool alive = co_await WorkspaceEditing::awaitWrite(self, std::move(write));
    if (!alive)
        co_return;
    replaceRecord(changed);
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
    WorkspaceEditing::saveProjects(QPointer<Workspace>(this), std::move(projects));
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
    QCoro::Task<> write = m_library.saveProjects(projects);
    const bool alive = co_await WorkspaceEditing::awaitWrite(self, std::move(write));
    if (!alive)
        co_return;
    setProjects(std::move(projects));
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
    Recording changed = *found;
    change.apply(changed);
    setLoading(true);
    WorkspaceEditing::saveOrganized(QPointer<Workspace>(this), std::move(changed));
}
