#pragma once

#include "library/Recording.h"

#include <QAbstractListModel>
#include <QtQml/qqml.h>

#include <vector>

// The segments of the note being edited, one editable row each: speaker and text change, the
// times never do.
class DraftSegmentModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The record draft makes it")
    Q_DISABLE_COPY_MOVE(DraftSegmentModel)

public:
    enum Role { TimeLabelRole = Qt::UserRole + 1, SpeakerRole, TextRole };

    explicit DraftSegmentModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Typing in a row's fields: stored without announcing it back to the field being typed in.
    Q_INVOKABLE void setSpeaker(int row, const QString &speaker);
    Q_INVOKABLE void setText(int row, const QString &text);

    const std::vector<Segment> &segments() const { return m_segments; }
    void reset(std::vector<Segment> segments);
    // Replaces the speakers (a bulk rename); announces the rows whose speaker changed.
    void replaceSpeakers(const std::vector<Segment> &renamed);

Q_SIGNALS:
    // Any speaker changed (the rename control's list and counts follow).
    void speakersEdited();

private:
    std::vector<Segment> m_segments;
};
