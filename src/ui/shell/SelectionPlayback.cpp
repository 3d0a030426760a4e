#include "SelectionPlayback.h"
#include "SourceBinding.h"

#include "playback/AudioController.h"
#include "workspace/Workspace.h"

SelectionPlayback::SelectionPlayback(QObject *parent) : QObject(parent) {}

void SelectionPlayback::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace) {
        connect(m_workspace, &Workspace::selectedIDChanged, this, &SelectionPlayback::followSelection);
        connect(m_workspace, &Workspace::recordsChanged, this, &SelectionPlayback::followRecords);
    }
    Q_EMIT changed();
    followSelection();
}

void SelectionPlayback::setAudio(AudioController *audio)
{
    if (m_audio == audio)
        return;
    m_audio = audio;
    m_loadedID.reset();
    Q_EMIT changed();
    followSelection();
}

void SelectionPlayback::followSelection()
{
    if (!m_workspace || !m_audio)
        return;
    const std::optional<Recording> selected = m_workspace->selectedRecord();
    const std::optional<QString> id = selected ? std::optional(selected->id) : std::nullopt;
    if (id == m_loadedID)
        return;
    m_loadedID = id;
    // The window's content is rebuilt when the language changes: a note the player already holds
    // keeps playing.
    if (selected && m_audio->recordID() == id) {
        m_segments = selected->segments;
        m_audio->updateTranscript(*selected);
        return;
    }
    if (selected) {
        m_segments = selected->segments;
        m_audio->load(*selected);
    } else {
        m_segments.clear();
        m_audio->unload();
    }
}

void SelectionPlayback::followRecords()
{
    if (!m_workspace || !m_audio)
        return;
    const std::optional<Recording> selected = m_workspace->selectedRecord();
    if (!selected || selected->id != m_loadedID) {
        // The selected note left the list (another library) or a note was selected meanwhile.
        followSelection();
        return;
    }
    if (selected->segments == m_segments)
        return;
    m_segments = selected->segments;
    m_audio->updateTranscript(*selected);
}
