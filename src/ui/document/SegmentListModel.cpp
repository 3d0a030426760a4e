#include "document/SegmentListModel.h"

#include "platform/Localization.h"

SegmentListModel::SegmentListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int SegmentListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_segments.size());
}

QVariant SegmentListModel::data(const QModelIndex &index, int role) const
{
    const Segment *segment = this->segment(index.row());
    if (!segment || index.parent().isValid())
        return {};
    switch (role) {
    case IdRole:
        return segment->id;
    case TimeLabelRole:
        return timeLabel(segment->start);
    case SpeakerRole:
        return segment->speaker.isEmpty() ? L(QStringLiteral("说话人")) : segment->speaker;
    case TextRole:
        return segment->text;
    case ActiveRole:
        return index.row() == m_activeRow;
    default:
        return {};
    }
}

QHash<int, QByteArray> SegmentListModel::roleNames() const
{
    return {{IdRole, "segmentID"},
            {TimeLabelRole, "timeLabel"},
            {SpeakerRole, "speaker"},
            {TextRole, "text"},
            {ActiveRole, "active"}};
}

void SegmentListModel::reset(const std::vector<Segment> &segments)
{
    beginResetModel();
    m_segments = segments;
    indexIDs();
    m_activeRow = m_activeID ? m_rowOfID.value(*m_activeID, -1) : -1;
    endResetModel();
    Q_EMIT activeRowChanged();
}

void SegmentListModel::update(const std::vector<Segment> &segments)
{
    const size_t common = std::min(m_segments.size(), segments.size());
    for (size_t row = 0; row < common; ++row) {
        if (m_segments[row].id != segments[row].id) {
            reset(segments); // reordered or replaced: no cheaper way that keeps rows right
            return;
        }
    }
    for (size_t row = 0; row < common; ++row) {
        if (m_segments[row] == segments[row])
            continue;
        m_segments[row] = segments[row];
        const QModelIndex at = index(int(row));
        Q_EMIT dataChanged(at, at, {TimeLabelRole, SpeakerRole, TextRole});
    }
    if (segments.size() > common) {
        beginInsertRows({}, int(common), int(segments.size()) - 1);
        m_segments.insert(m_segments.end(), segments.begin() + qsizetype(common), segments.end());
        indexIDs();
        endInsertRows();
    } else if (m_segments.size() > common) {
        beginRemoveRows({}, int(common), int(m_segments.size()) - 1);
        m_segments.resize(common);
        indexIDs();
        endRemoveRows();
    }
    changeActiveRow(m_activeID ? m_rowOfID.value(*m_activeID, -1) : -1);
}

void SegmentListModel::setActiveID(const std::optional<QString> &id)
{
    m_activeID = id;
    changeActiveRow(id ? m_rowOfID.value(*id, -1) : -1);
}

void SegmentListModel::changeActiveRow(int row)
{
    if (row == m_activeRow)
        return;
    const int previous = m_activeRow;
    m_activeRow = row;
    for (const int changed : {previous, row}) {
        if (changed >= 0 && changed < rowCount())
            Q_EMIT dataChanged(index(changed), index(changed), {ActiveRole});
    }
    Q_EMIT activeRowChanged();
}

const Segment *SegmentListModel::segment(int row) const
{
    return row >= 0 && row < rowCount() ? &m_segments[size_t(row)] : nullptr;
}

int SegmentListModel::firstRowContaining(const QString &query) const
{
    const QString needle = query.trimmed();
    if (needle.isEmpty())
        return -1;
    for (size_t row = 0; row < m_segments.size(); ++row) {
        if (m_segments[row].text.contains(needle, Qt::CaseInsensitive))
            return int(row);
    }
    return -1;
}

void SegmentListModel::indexIDs()
{
    m_rowOfID.clear();
    m_rowOfID.reserve(qsizetype(m_segments.size()));
    for (size_t row = 0; row < m_segments.size(); ++row)
        m_rowOfID.insert(m_segments[row].id, int(row));
}
