#include "document/DraftSegmentModel.h"

DraftSegmentModel::DraftSegmentModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int DraftSegmentModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_segments.size());
}

QVariant DraftSegmentModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Segment &segment = m_segments[size_t(index.row())];
    switch (role) {
    case TimeLabelRole:
        return timeLabel(segment.start);
    case SpeakerRole:
        return segment.speaker;
    case TextRole:
        return segment.text;
    default:
        return {};
    }
}

QHash<int, QByteArray> DraftSegmentModel::roleNames() const
{
    return {{TimeLabelRole, "timeLabel"}, {SpeakerRole, "speaker"}, {TextRole, "text"}};
}

void DraftSegmentModel::setSpeaker(int row, const QString &speaker)
{
    if (row < 0 || row >= rowCount() || m_segments[size_t(row)].speaker == speaker)
        return;
    m_segments[size_t(row)].speaker = speaker;
    Q_EMIT speakersEdited();
}

void DraftSegmentModel::setText(int row, const QString &text)
{
    if (row >= 0 && row < rowCount())
        m_segments[size_t(row)].text = text;
}

void DraftSegmentModel::reset(std::vector<Segment> segments)
{
    beginResetModel();
    m_segments = std::move(segments);
    endResetModel();
    Q_EMIT speakersEdited();
}

void DraftSegmentModel::replaceSpeakers(const std::vector<Segment> &renamed)
{
    for (size_t row = 0; row < m_segments.size() && row < renamed.size(); ++row) {
        if (m_segments[row].speaker == renamed[row].speaker)
            continue;
        m_segments[row].speaker = renamed[row].speaker;
        Q_EMIT dataChanged(index(int(row)), index(int(row)), {SpeakerRole});
    }
    Q_EMIT speakersEdited();
}
