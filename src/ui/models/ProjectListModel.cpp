#include "ProjectListModel.h"
#include "SourceBinding.h"

#include "workspace/Workspace.h"

#include <algorithm>

ProjectListModel::ProjectListModel(QObject *parent) : QAbstractListModel(parent) {}

void ProjectListModel::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace) {
        connect(m_workspace, &Workspace::projectsChanged, this, &ProjectListModel::sync);
        connect(m_workspace, &Workspace::recordsChanged, this, &ProjectListModel::sync);
    }
    sync();
    Q_EMIT workspaceChanged();
}

int ProjectListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant ProjectListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (role) {
    case IdRole:
        return row.id;
    case Qt::DisplayRole:
    case NameRole:
        return row.name;
    case CountRole:
        return row.count;
    }
    return {};
}

QHash<int, QByteArray> ProjectListModel::roleNames() const
{
    return {{IdRole, "projectId"}, {NameRole, "name"}, {CountRole, "noteCount"}};
}

void ProjectListModel::sync()
{
    std::vector<Row> target;
    if (m_workspace) {
        for (const Project &project : m_workspace->projects())
            target.push_back({project.id, project.name, m_workspace->projectCount(project.id)});
    }
    const bool sameIds = std::equal(target.begin(), target.end(), m_rows.begin(), m_rows.end(),
                                    [](const Row &a, const Row &b) { return a.id == b.id; });
    if (!sameIds) {
        const int before = count();
        beginResetModel();
        m_rows = std::move(target);
        endResetModel();
        if (count() != before)
            Q_EMIT countChanged();
        return;
    }
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i] == target[i])
            continue;
        m_rows[i] = target[i];
        Q_EMIT dataChanged(index(int(i)), index(int(i)), {Qt::DisplayRole, NameRole, CountRole});
    }
}
