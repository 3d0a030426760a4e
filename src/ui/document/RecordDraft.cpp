#include "document/RecordDraft.h"

#include "document/SpeakerRename.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "processing/JobMessages.h"

RecordDraft::RecordDraft(QObject *parent)
    : QObject(parent)
{
    connect(&m_segments, &DraftSegmentModel::speakersEdited, this, [this] {
        m_speakers = SpeakerRename::speakers(m_segments.segments());
        Q_EMIT renameChanged();
    });
}

void RecordDraft::setWorkspace(Workspace *workspace)
{
    if (workspace == m_workspace)
        return;
    m_workspace = workspace;
    Q_EMIT workspaceChanged();
}

QString RecordDraft::header() const
{
    return m_summaryMode ? L(QStringLiteral("校对纪要")) : L(QStringLiteral("校对逐字稿"));
}

void RecordDraft::setTitle(const QString &title)
{
    if (title == m_draft.title)
        return;
    m_draft.title = title;
    Q_EMIT draftChanged();
}

void RecordDraft::setSummary(const QString &summary)
{
    if (summary == m_draft.summary)
        return;
    m_draft.summary = summary;
    Q_EMIT draftChanged();
}

QStringList RecordDraft::speakerLabels() const
{
    QStringList labels = m_speakers;
    for (QString &label : labels) {
        if (label.isEmpty())
            label = L(QStringLiteral("未标注"));
    }
    return labels;
}

int RecordDraft::sourceIndex() const
{
    return m_source ? int(m_speakers.indexOf(*m_source)) : -1;
}

void RecordDraft::setSourceIndex(int index)
{
    const std::optional<QString> source =
        index >= 0 && index < m_speakers.size() ? std::optional<QString>(m_speakers.at(index)) : std::nullopt;
    if (source == m_source)
        return;
    m_source = source;
    Q_EMIT renameChanged();
}

void RecordDraft::setNewName(const QString &name)
{
    if (name == m_newName)
        return;
    m_newName = name;
    Q_EMIT renameChanged();
}

QString RecordDraft::applyLabel() const
{
    const int count = m_source ? SpeakerRename::count(m_segments.segments(), *m_source) : 0;
    return JobMessages::localized(QStringLiteral("应用到 %d 段"), {QString::number(count)});
}

void RecordDraft::begin(const Recording &record, bool summary)
{
    m_draft = record;
    m_draft.segments.clear();
    m_summaryMode = summary;
    m_source.reset();
    m_newName.clear();
    m_feedback.clear();
    setError({});
    m_segments.reset(record.segments);
    Q_EMIT draftChanged();
}

bool RecordDraft::beginSelected(bool summary)
{
    const std::optional<Recording> selected = m_workspace ? m_workspace->selectedRecord() : std::nullopt;
    if (!selected)
        return false;
    begin(*selected, summary);
    return true;
}

void RecordDraft::applyRename()
{
    if (!m_source)
        return;
    std::vector<Segment> segments = m_segments.segments();
    const SpeakerRename::Outcome outcome = SpeakerRename::apply(segments, *m_source, m_newName);
    m_feedback = outcome.feedback;
    if (outcome.applied) {
        m_source = outcome.newSpeaker;
        m_newName.clear();
        m_segments.replaceSpeakers(segments); // announces renameChanged through speakersEdited
    }
    Q_EMIT renameChanged();
}

Recording RecordDraft::draft() const
{
    Recording edited = m_draft;
    edited.segments = m_segments.segments();
    return edited;
}

void RecordDraft::save()
{
    if (m_saving || !m_workspace)
        return;
    runSave(draft());
}

QCoro::Task<> RecordDraft::runSave(Recording edited)
{
    QPointer<RecordDraft> self(this);
    setSaving(true);
    setError({});
    try {
        co_await m_workspace->saveEdits(std::move(edited));
    } catch (...) {
        const QString description = describeCurrentError();
        if (self) {
            setError(description);
            setSaving(false);
        }
        co_return;
    }
    if (!self)
        co_return;
    setSaving(false);
    Q_EMIT saved();
}

void RecordDraft::setSaving(bool saving)
{
    if (saving == m_saving)
        return;
    m_saving = saving;
    Q_EMIT savingChanged();
    Q_EMIT renameChanged();
}

void RecordDraft::setError(const QString &error)
{
    if (error == m_error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}
