#include "ProcessingModel.h"
#include "SourceBinding.h"

#include "SettingsEvents.h"
#include "Strings.h"
#include "library/Recording.h"
#include "platform/AppEvents.h"
#include "platform/Localization.h"
#include "processing/JobMessages.h"
#include "services/SpokenLanguages.h"
#include "services/SummaryTemplate.h"
#include "workspace/Workspace.h"

#include <cmath>

namespace {

// Transcription runs in 60-second chunks; a note of no length has none.
qint64 chunkCount(double duration)
{
    if (!std::isfinite(duration) || duration <= 0)
        return 0;
    return qint64(std::ceil(duration / 60.0));
}

} // namespace

ProcessingModel::ProcessingModel(QObject *parent) : QObject(parent)
{
    reload();
    connect(&AppEvents::instance(), &AppEvents::configurationApplied, this, &ProcessingModel::reload);
    connect(&SettingsEvents::instance(), &SettingsEvents::modelConfigurationSaved, this, &ProcessingModel::reload);
    connect(&Strings::instance(), &Strings::languageChanged, this, &ProcessingModel::changed);
}

void ProcessingModel::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    m_selectedTemplateID.reset();
    if (workspace) {
        for (auto signal : {&Workspace::recordsChanged, &Workspace::loadingChanged, &Workspace::isManagedChanged,
                            &Workspace::jobIDChanged, &Workspace::progressChanged, &Workspace::progressTextChanged})
            connect(workspace, signal, this, &ProcessingModel::changed);
        connect(workspace, &Workspace::selectedIDChanged, this, &ProcessingModel::selectionChanged);
    }
    Q_EMIT workspaceChanged();
    Q_EMIT changed();
}

void ProcessingModel::selectionChanged()
{
    m_selectedTemplateID.reset();
    Q_EMIT changed();
}

void ProcessingModel::open()
{
    m_selectedTemplateID.reset();
    reload();
}

void ProcessingModel::reload()
{
    m_preferences = SummaryPreferences::load();
    m_models = ModelConfiguration::load();
    Q_EMIT changed();
}

std::optional<Recording> ProcessingModel::record() const
{
    return m_workspace ? m_workspace->selectedRecord() : std::nullopt;
}

bool ProcessingModel::hasRecord() const
{
    return record().has_value();
}

bool ProcessingModel::readOnly() const
{
    return m_workspace && !m_workspace->isManaged();
}

bool ProcessingModel::running() const
{
    return m_workspace && m_workspace->jobID().has_value();
}

double ProcessingModel::progress() const
{
    return m_workspace ? m_workspace->progress() : 0;
}

QString ProcessingModel::progressText() const
{
    return m_workspace ? m_workspace->progressText() : QString();
}

bool ProcessingModel::transcriptionDone() const
{
    const std::optional<Recording> note = record();
    return note && chunkCount(note->duration) <= note->completedChunks.value_or(0);
}

QString ProcessingModel::statusLine() const
{
    const std::optional<Recording> note = record();
    if (!note)
        return {};
    return QStringLiteral("%1 · %2 / %3")
        .arg(timeLabel(note->duration))
        .arg(note->completedChunks.value_or(0))
        .arg(chunkCount(note->duration));
}

QString ProcessingModel::languageLine() const
{
    const std::optional<Recording> note = record();
    if (!note)
        return {};
    QString name = SpokenLanguages::displayName(m_models.spokenLanguage);
    if (m_models.spokenLanguage == SpokenLanguages::automatic && note->spokenLanguage
        && SpokenLanguages::isKnown(*note->spokenLanguage))
        name = JobMessages::localized(QStringLiteral("%@（自动检测）"),
                                      {SpokenLanguages::displayName(*note->spokenLanguage)});
    return JobMessages::localized(QStringLiteral("语言：%@"), {name});
}

QString ProcessingModel::transcribeLabel() const
{
    const std::optional<Recording> note = record();
    return L(note && note->completedChunks.value_or(0) > 0 ? QStringLiteral("继续转写") : QStringLiteral("开始转写"));
}

bool ProcessingModel::canTranscribe() const
{
    return hasRecord() && !transcriptionDone() && !m_workspace->loading();
}

QStringList ProcessingModel::templateNames() const
{
    QStringList names;
    for (const SummaryTemplate &summaryTemplate : SummaryTemplate::builtins())
        names << L(summaryTemplate.name);
    return names;
}

int ProcessingModel::templateIndex() const
{
    const QString id = generationPreferences().templateID;
    const QList<SummaryTemplate> &builtins = SummaryTemplate::builtins();
    for (qsizetype i = 0; i < builtins.size(); ++i) {
        if (builtins[i].id == id)
            return int(i);
    }
    return 0;
}

void ProcessingModel::setTemplateIndex(int index)
{
    const QList<SummaryTemplate> &builtins = SummaryTemplate::builtins();
    if (index < 0 || index >= builtins.size() || index == templateIndex())
        return;
    m_selectedTemplateID = builtins[index].id;
    Q_EMIT changed();
}

SummaryPreferences ProcessingModel::generationPreferences() const
{
    SummaryPreferences preferences = m_preferences;
    if (m_selectedTemplateID && SummaryTemplate::builtin(*m_selectedTemplateID))
        preferences.templateID = *m_selectedTemplateID;
    return preferences;
}

QString ProcessingModel::summaryLabel() const
{
    const std::optional<Recording> note = record();
    return L(note && !note->summary.isEmpty() ? QStringLiteral("重新生成纪要") : QStringLiteral("生成纪要"));
}

bool ProcessingModel::canSummarize() const
{
    return hasRecord() && transcriptionDone() && !m_workspace->loading();
}

void ProcessingModel::startTranscription()
{
    if (m_workspace)
        m_workspace->startJob(false, SummaryPreferences::load());
}

void ProcessingModel::startSummary()
{
    if (m_workspace)
        m_workspace->startJob(true, generationPreferences());
}

void ProcessingModel::stop()
{
    if (m_workspace)
        m_workspace->stopJob();
}

void ProcessingModel::copyToLibrary()
{
    if (m_workspace)
        m_workspace->copySelected();
}
