#include "NoteListModel.h"
#include "LocalDate.h"
#include "NoteSelection.h"
#include "SourceBinding.h"

#include "library/Recording.h"
#include "workspace/Workspace.h"

#include <QSet>

NoteListModel::NoteListModel(QObject *parent) : QAbstractListModel(parent) {}

void NoteListModel::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace) {
        connect(m_workspace, &Workspace::filteredChanged, this, &NoteListModel::sync);
        connect(m_workspace, &Workspace::recordsChanged, this, &NoteListModel::sync);
        connect(m_workspace, &Workspace::selectedIDChanged, this, &NoteListModel::followSelection);
    }
    sync();
    followSelection();
    Q_EMIT workspaceChanged();
}

void NoteListModel::setSelection(NoteSelection *selection)
{
    if (!rebindSource(this, m_selection, selection))
        return;
    if (m_selection)
        connect(m_selection, &NoteSelection::marksChanged, this, &NoteListModel::followMarks);
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0), index(count() - 1), {MarkedRole});
    Q_EMIT selectionChanged();
}

void NoteListModel::followMarks(const QStringList &ids)
{
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (ids.contains(m_rows[i].id))
            Q_EMIT dataChanged(index(int(i)), index(int(i)), {MarkedRole});
    }
}

QString NoteListModel::dateLine(const QString &createdAt, double duration)
{
    return LocalDate::dayLabel(createdAt) + QStringLiteral(" · ") + timeLabel(duration);
}

NoteListModel::Row NoteListModel::rowOf(const Recording &recording)
{
    return {recording.id, recording.title, dateLine(recording.createdAt, recording.duration),
            recording.starred.value_or(false), !recording.isLive()};
}

int NoteListModel::selectedRow() const
{
    if (!m_selectedID)
        return -1;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].id == *m_selectedID)
            return int(i);
    }
    return -1;
}

int NoteListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant NoteListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (role) {
    case IdRole:
        return row.id;
    case Qt::DisplayRole:
    case TitleRole:
        return row.title;
    case DateLineRole:
        return row.dateLine;
    case SelectedRole:
        return m_selectedID && *m_selectedID == row.id;
    case StarredRole:
        return row.starred;
    case TrashedRole:
        return row.trashed;
    case MarkedRole:
        return m_selection ? m_selection->contains(row.id) : m_selectedID && *m_selectedID == row.id;
    }
    return {};
}

QHash<int, QByteArray> NoteListModel::roleNames() const
{
    return {{IdRole, "recordId"},      {TitleRole, "title"},     {DateLineRole, "dateLine"},
            {SelectedRole, "selected"}, {StarredRole, "starred"}, {TrashedRole, "trashed"},
            {MarkedRole, "marked"}};
}

void NoteListModel::sync()
{
    std::vector<Row> target;
    if (m_workspace) {
        target.reserve(m_workspace->filtered().size());
        for (const Recording &recording : m_workspace->filtered())
            target.push_back(rowOf(recording));
    }
    const int before = count();
    const int selectedBefore = selectedRow();
    if (!moveTowards(target)) {
        beginResetModel();
        m_rows = std::move(target);
        endResetModel();
    } else {
        // Same ids in the same order now: tell about the rows whose contents changed.
        for (size_t i = 0; i < m_rows.size(); ++i) {
            if (m_rows[i] == target[i])
                continue;
            m_rows[i] = target[i];
            const QModelIndex changed = index(int(i));
            Q_EMIT dataChanged(changed, changed, {TitleRole, Qt::DisplayRole, DateLineRole, StarredRole, TrashedRole});
        }
    }
    if (count() != before)
        Q_EMIT countChanged();
    if (selectedRow() != selectedBefore)
        Q_EMIT selectedRowChanged();
}

bool NoteListModel::moveTowards(const std::vector<Row> &target)
{
    QSet<QString> wanted;
    for (const Row &row : target)
        wanted.insert(row.id);
    QSet<QString> current;
    for (const Row &row : m_rows)
        current.insert(row.id);
    // The rows that stay must keep their order, and something must stay (else it is a new list).
    size_t next = 0;
    bool anyKept = false;
    for (const Row &row : m_rows) {
        if (!wanted.contains(row.id))
            continue;
        anyKept = true;
        while (next < target.size() && target[next].id != row.id)
            ++next;
        if (next == target.size())
            return false;
        ++next;
    }
    if (!anyKept && !m_rows.empty() && !target.empty())
        return false;

    // Removals, from the bottom up, one run of neighbouring rows at a time.
    for (int i = count() - 1; i >= 0;) {
        if (wanted.contains(m_rows[size_t(i)].id)) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && !wanted.contains(m_rows[size_t(first - 1)].id))
            --first;
        beginRemoveRows({}, first, i);
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + i + 1);
        endRemoveRows();
        i = first - 1;
    }
    // Insertions, top down: the rows left are target's kept rows, in target's order.
    for (size_t i = 0; i < target.size();) {
        if (i < m_rows.size() && m_rows[i].id == target[i].id) {
            ++i;
            continue;
        }
        size_t last = i;
        while (last + 1 < target.size() && !current.contains(target[last + 1].id))
            ++last;
        beginInsertRows({}, int(i), int(last));
        m_rows.insert(m_rows.begin() + qsizetype(i), target.begin() + qsizetype(i), target.begin() + qsizetype(last) + 1);
        endInsertRows();
        i = last + 1;
    }
    return true;
}

void NoteListModel::followSelection()
{
    const std::optional<QString> selected = m_workspace ? m_workspace->selectedID() : std::nullopt;
    if (selected == m_selectedID)
        return;
    const int before = selectedRow();
    m_selectedID = selected;
    const int after = selectedRow();
    for (int row : {before, after}) {
        if (row >= 0)
            Q_EMIT dataChanged(index(row), index(row), {SelectedRole, MarkedRole});
    }
    if (before != after)
        Q_EMIT selectedRowChanged();
}
