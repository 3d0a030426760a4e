#pragma once

#include "document/SegmentListModel.h"
#include "library/Recording.h"
#include "playback/AudioController.h"
#include "workspace/Workspace.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqml.h>

#include <optional>

// The selected note as the document view shows it. A newer version of the note (an edit, a
// finished chunk) changes only the rows that changed; the row being heard follows the player
// (SelectionPlayback keeps the player on the selected note).
class DocumentModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(DocumentModel)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(AudioController *audio READ audio WRITE setAudio NOTIFY audioChanged)
    Q_PROPERTY(bool hasRecord READ hasRecord NOTIFY recordChanged)
    Q_PROPERTY(QString recordID READ recordID NOTIFY recordChanged)
    Q_PROPERTY(QString title READ title NOTIFY recordChanged)
    Q_PROPERTY(QString dateLine READ dateLine NOTIFY recordChanged)
    Q_PROPERTY(QString durationLabel READ durationLabel NOTIFY recordChanged)
    Q_PROPERTY(bool summaryStale READ summaryStale NOTIFY recordChanged)
    Q_PROPERTY(bool hasSegments READ hasSegments NOTIFY recordChanged)
    Q_PROPERTY(bool hasSummary READ hasSummary NOTIFY recordChanged)
    Q_PROPERTY(QVariantList paragraphs READ paragraphs NOTIFY recordChanged)
    Q_PROPERTY(SegmentListModel *segments READ segments CONSTANT)
    Q_PROPERTY(bool available READ available NOTIFY availableChanged)
    Q_PROPERTY(QString query READ query NOTIFY queryChanged)

public:
    explicit DocumentModel(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    AudioController *audio() const { return m_audio; }
    void setAudio(AudioController *audio);

    bool hasRecord() const { return m_record.has_value(); }
    QString recordID() const { return m_record ? m_record->id : QString(); }
    QString title() const { return m_record ? m_record->title : QString(); }
    // The local day of createdAt (2025.03.14).
    QString dateLine() const;
    QString durationLabel() const { return m_record ? timeLabel(m_record->duration) : QString(); }
    bool summaryStale() const { return m_record && m_record->summaryStale.value_or(false); }
    bool hasSegments() const { return m_record && !m_record->segments.empty(); }
    bool hasSummary() const { return m_record && !m_record->summary.isEmpty(); }
    // Each paragraph as {heading: bool, text: string} (see SummaryParagraphs).
    QVariantList paragraphs() const { return m_paragraphs; }
    SegmentListModel *segments() { return &m_segments; }
    // Whether the time buttons can play: the controller has the note's audio open.
    bool available() const { return m_audio && m_audio->hasPlayer(); }
    QString query() const { return m_workspace ? m_workspace->query().trimmed() : QString(); }

    // Plays from the start of the segment in this row.
    Q_INVOKABLE void playRow(int row);
    // The row to scroll to when the note is opened from a search: the first segment containing the
    // query, -1 when none does.
    Q_INVOKABLE int firstMatchRow() const { return m_segments.firstRowContaining(query()); }

Q_SIGNALS:
    void workspaceChanged();
    void audioChanged();
    void recordChanged();
    void availableChanged();
    void queryChanged();

private:
    void selectionChanged();
    void recordsChanged();
    void show(const std::optional<Recording> &record);

    QPointer<Workspace> m_workspace;
    QPointer<AudioController> m_audio;
    std::optional<Recording> m_record;
    QVariantList m_paragraphs;
    SegmentListModel m_segments;
};
