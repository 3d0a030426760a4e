#include "LibraryShell.h"
#include "SourceBinding.h"

#include "library/NoteExport.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

#include <QVariantMap>

#include <algorithm>

namespace {

QVariantMap item(const QString &type, const QString &text, bool enabled, const QString &action = {},
                 const QString &projectID = {})
{
    return {{QStringLiteral("type"), type},
            {QStringLiteral("text"), text},
            {QStringLiteral("enabled"), enabled},
            {QStringLiteral("action"), action},
            {QStringLiteral("projectID"), projectID}};
}

} // namespace

LibraryShell::LibraryShell(QObject *parent) : QObject(parent) {}

void LibraryShell::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace) {
        for (auto signal : {&Workspace::recordsChanged, &Workspace::projectsChanged, &Workspace::scopeChanged,
                            &Workspace::selectedIDChanged, &Workspace::queryChanged, &Workspace::filteredChanged,
                            &Workspace::loadingChanged, &Workspace::noticeChanged, &Workspace::errorChanged,
                            &Workspace::libraryLabelChanged, &Workspace::isManagedChanged, &Workspace::jobIDChanged})
            connect(m_workspace, signal, this, &LibraryShell::stateChanged);
    }
    Q_EMIT workspaceChanged();
    Q_EMIT stateChanged();
}

QString LibraryShell::scopeKind() const
{
    if (!m_workspace)
        return QStringLiteral("all");
    switch (m_workspace->scope().kind) {
    case LibraryScope::Kind::All:
        return QStringLiteral("all");
    case LibraryScope::Kind::Pinned:
        return QStringLiteral("pinned");
    case LibraryScope::Kind::Trash:
        return QStringLiteral("trash");
    case LibraryScope::Kind::Project:
        return QStringLiteral("project");
    }
    return {};
}

QString LibraryShell::scopeProjectID() const
{
    return m_workspace ? m_workspace->scope().projectID : QString();
}

QString LibraryShell::scopeTitle() const
{
    return m_workspace ? m_workspace->scopeTitle() : QString();
}

int LibraryShell::listedCount() const
{
    return m_workspace ? int(m_workspace->filtered().size()) : 0;
}

int LibraryShell::liveCount() const
{
    return m_workspace ? m_workspace->liveCount() : 0;
}

int LibraryShell::pinnedCount() const
{
    return m_workspace ? m_workspace->pinnedCount() : 0;
}

int LibraryShell::trashCount() const
{
    return m_workspace ? m_workspace->trashCount() : 0;
}

QString LibraryShell::emptyListText() const
{
    return scopeKind() == QLatin1String("trash") ? L(QStringLiteral("废纸篓是空的")) : L(QStringLiteral("暂无笔记"));
}

QString LibraryShell::libraryLabel() const
{
    return m_workspace ? m_workspace->libraryLabel() : QString();
}

bool LibraryShell::isManaged() const
{
    return m_workspace && m_workspace->isManaged();
}

bool LibraryShell::loading() const
{
    return m_workspace && m_workspace->loading();
}

bool LibraryShell::jobRunning() const
{
    return m_workspace && m_workspace->jobID().has_value();
}

bool LibraryShell::canChange() const
{
    return m_workspace && m_workspace->canOrganize();
}

bool LibraryShell::canEdit() const
{
    return canChange() && hasSelection() && editWaitReason().isEmpty();
}

QString LibraryShell::editWaitReason() const
{
    const bool jobNote = m_workspace && m_workspace->selectedID() && m_workspace->isJobNote(*m_workspace->selectedID());
    return jobNote ? L(QStringLiteral("整理结束后才能修改这条笔记。")) : QString();
}

bool LibraryShell::canSwitchLibrary() const
{
    return m_workspace && m_workspace->isIdle();
}

QString LibraryShell::importLabel() const
{
    return loading() ? L(QStringLiteral("正在读取…")) : L(QStringLiteral("导入录音"));
}

QString LibraryShell::processingLabel() const
{
    return jobRunning() ? L(QStringLiteral("整理中")) : L(QStringLiteral("AI 整理"));
}

bool LibraryShell::hasSelection() const
{
    return m_workspace && m_workspace->selectedRecord().has_value();
}

QString LibraryShell::query() const
{
    return m_workspace ? m_workspace->query() : QString();
}

void LibraryShell::setQuery(const QString &query)
{
    if (m_workspace && m_workspace->query() != query)
        m_workspace->setQuery(query);
}

QString LibraryShell::notice() const
{
    return m_workspace ? m_workspace->notice().value_or(QString()) : QString();
}

QString LibraryShell::error() const
{
    return m_workspace ? m_workspace->error().value_or(QString()) : QString();
}

void LibraryShell::chooseScope(const QString &kind, const QString &projectID)
{
    if (!m_workspace)
        return;
    LibraryScope scope = LibraryScope::all();
    if (kind == QLatin1String("pinned"))
        scope = LibraryScope::pinned();
    else if (kind == QLatin1String("trash"))
        scope = LibraryScope::trash();
    else if (kind == QLatin1String("project"))
        scope = LibraryScope::project(projectID);
    m_workspace->setScope(scope);
    m_workspace->filter();
    const FilteredNotes &listed = m_workspace->filtered();
    const std::optional<QString> &selected = m_workspace->selectedID();
    const bool kept = selected && std::any_of(listed.begin(), listed.end(),
                                              [&](const Recording &r) { return r.id == *selected; });
    if (!kept)
        m_workspace->setSelectedID(listed.empty() ? std::nullopt : std::optional<QString>(listed.front().id));
}

void LibraryShell::select(const QString &recordID)
{
    if (m_workspace)
        m_workspace->setSelectedID(recordID);
}

QVariantList LibraryShell::recordMenu(const QString &recordID) const
{
    if (!m_workspace)
        return {};
    if (!m_workspace->isManaged())
        return {item(QStringLiteral("text"), L(QStringLiteral("只读资料")), false)};
    const auto &records = m_workspace->records();
    const auto record = std::find_if(records.begin(), records.end(), [&](const Recording &r) { return r.id == recordID; });
    if (record == records.end())
        return {};
    const bool enabled = m_workspace->canOrganize();
    if (!record->isLive())
        return {item(QStringLiteral("action"), L(QStringLiteral("恢复笔记")), enabled, QStringLiteral("restore"))};

    QVariantList projects;
    for (const Project &project : m_workspace->projects())
        projects << item(QStringLiteral("action"), project.name, enabled, QStringLiteral("move"), project.id);
    projects << item(QStringLiteral("action"), L(QStringLiteral("未分类")), enabled, QStringLiteral("move"));
    QVariantMap moveMenu = item(QStringLiteral("submenu"), L(QStringLiteral("移到项目")), enabled);
    moveMenu.insert(QStringLiteral("items"), projects);
    return {item(QStringLiteral("action"),
                 record->starred.value_or(false) ? L(QStringLiteral("取消置顶")) : L(QStringLiteral("置顶")), enabled,
                 QStringLiteral("star")),
            moveMenu, item(QStringLiteral("separator"), {}, enabled), trashItem(*record, enabled)};
}

QVariantMap LibraryShell::trashItem(const Recording &record, bool enabled) const
{
    // A job writes into its note until it ends: the item says so instead of doing nothing.
    if (m_workspace->isJobNote(record.id))
        return item(QStringLiteral("text"), L(QStringLiteral("整理结束后才能移到废纸篓")), false);
    return item(QStringLiteral("action"), L(QStringLiteral("移到废纸篓")), enabled, QStringLiteral("trash"));
}

void LibraryShell::organize(const QString &recordID, const QString &action, const QString &projectID)
{
    if (!m_workspace)
        return;
    if (action == QLatin1String("restore"))
        m_workspace->organize(recordID, OrganizeChange::restore());
    else if (action == QLatin1String("star"))
        m_workspace->organize(recordID, OrganizeChange::toggleStar());
    else if (action == QLatin1String("trash"))
        m_workspace->organize(recordID, OrganizeChange::trash());
    else if (action == QLatin1String("move"))
        m_workspace->organize(recordID, projectID.isEmpty() ? OrganizeChange::takeOutOfProject()
                                                            : OrganizeChange::moveToProject(projectID));
}

bool LibraryShell::isUsableName(const QString &name)
{
    return !name.trimmed().isEmpty();
}

void LibraryShell::createProject(const QString &name)
{
    if (m_workspace && isUsableName(name))
        m_workspace->createProject(name);
}

void LibraryShell::chooseAudio()
{
    if (m_workspace)
        m_workspace->chooseAudio();
}

void LibraryShell::chooseLibrary()
{
    if (m_workspace)
        m_workspace->chooseLibrary();
}

void LibraryShell::loadHome()
{
    if (m_workspace)
        m_workspace->loadHome();
}

void LibraryShell::exportText(bool summary, const QString &format)
{
    if (m_workspace)
        m_workspace->exportText(summary, NoteExport::formatNamed(format).value_or(NoteExportFormat::Text));
}

void LibraryShell::clearNotice()
{
    if (m_workspace)
        m_workspace->setNotice(std::nullopt);
}

void LibraryShell::clearError()
{
    if (m_workspace)
        m_workspace->setError(std::nullopt);
}
