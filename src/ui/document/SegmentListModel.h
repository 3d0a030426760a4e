#pragma once

#include "library/Recording.h"

#include <QAbstractListModel>
#include <QHash>
#include <QtQml/qqml.h>

#include <optional>
#include <vector>

// The open note's transcript, one row per segment, for the document view's lazily built list.
// Following the play head changes two rows at most: the one that stops being active and the one
// that becomes active. An edit or a finished chunk updates the rows that changed in place, so the
// list keeps its scroll position.
class SegmentListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The document model makes it")
    Q_DISABLE_COPY_MOVE(SegmentListModel)
    Q_PROPERTY(int activeRow READ activeRow NOTIFY activeRowChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TimeLabelRole, // timeLabel(start)
        SpeakerRole,   // the speaker, or "说话人" when empty
        TextRole,
        ActiveRole,
    };

    explicit SegmentListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Another note: the list is rebuilt.
    void reset(const std::vector<Segment> &segments);
    // A newer version of the same note: rows are changed, added or removed where they differ.
    void update(const std::vector<Segment> &segments);
    // The row of this segment becomes the active one (none: no row is).
    void setActiveID(const std::optional<QString> &id);
    int activeRow() const { return m_activeRow; }

    const Segment *segment(int row) const;
    // The first row whose text contains the query (ignoring case), -1 when none does or the query
    // is blank.
    int firstRowContaining(const QString &query) const;

Q_SIGNALS:
    void activeRowChanged();

private:
    void indexIDs();
    void changeActiveRow(int row);

    std::vector<Segment> m_segments;
    QHash<QString, int> m_rowOfID;
    std::optional<QString> m_activeID;
    int m_activeRow = -1;
};
