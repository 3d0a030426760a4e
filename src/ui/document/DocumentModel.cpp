#include "document/DocumentModel.h"
#include "SourceBinding.h"

#include "document/SummaryParagraphs.h"
#include "models/LocalDate.h"

#include <QVariantMap>

namespace {

QVariantList paragraphList(const QString &summary)
{
    QVariantList list;
    for (const SummaryParagraphs::Paragraph &paragraph : SummaryParagraphs::split(summary))
        list.append(QVariantMap{{QStringLiteral("heading"), paragraph.heading}, {QStringLiteral("text"), paragraph.text}});
    return list;
}

} // namespace

DocumentModel::DocumentModel(QObject *parent)
    : QObject(parent)
{
}

void DocumentModel::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace) {
        connect(m_workspace, &Workspace::selectedIDChanged, this, &DocumentModel::selectionChanged);
        connect(m_workspace, &Workspace::recordsChanged, this, &DocumentModel::recordsChanged);
        connect(m_workspace, &Workspace::queryChanged, this, &DocumentModel::queryChanged);
    }
    Q_EMIT workspaceChanged();
    Q_EMIT queryChanged();
    selectionChanged();
}

void DocumentModel::setAudio(AudioController *audio)
{
    if (!rebindSource(this, m_audio, audio))
        return;
    if (m_audio) {
        connect(m_audio, &AudioController::hasPlayerChanged, this, &DocumentModel::availableChanged);
        connect(m_audio, &AudioController::activeSegmentIDChanged, this,
                [this] { m_segments.setActiveID(m_audio->activeSegmentID()); });
        m_segments.setActiveID(m_audio->activeSegmentID());
    }
    Q_EMIT audioChanged();
    Q_EMIT availableChanged();
}

QString DocumentModel::dateLine() const
{
    return m_record ? LocalDate::dayLabel(m_record->createdAt) : QString();
}

void DocumentModel::playRow(int row)
{
    const Segment *segment = m_segments.segment(row);
    if (m_audio && segment)
        m_audio->playSegment(*segment);
}

void DocumentModel::selectionChanged()
{
    show(m_workspace ? m_workspace->selectedRecord() : std::nullopt);
}

void DocumentModel::recordsChanged()
{
    const std::optional<Recording> selected = m_workspace ? m_workspace->selectedRecord() : std::nullopt;
    if (!selected || !m_record || selected->id != m_record->id) {
        selectionChanged();
        return;
    }
    if (*selected != *m_record)
        show(selected);
}

void DocumentModel::show(const std::optional<Recording> &record)
{
    const bool sameNote = record && m_record && record->id == m_record->id;
    if (sameNote)
        m_segments.update(record->segments);
    else
        m_segments.reset(record ? record->segments : std::vector<Segment>{});
    m_record = record;
    m_paragraphs = paragraphList(record ? record->summary : QString());
    Q_EMIT recordChanged();
}
