#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqml.h>

#include <optional>
#include <vector>

#include "library/Recording.h"

class AudioController;
class Workspace;

// Keeps the player on the selected note: a new selection loads its audio (a newer selection
// supersedes a load in progress), no selection unloads, and a new version of the selected note's
// transcript (an edit, a processing step) reaches the player without interrupting it.
class SelectionPlayback : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(SelectionPlayback)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY changed)
    Q_PROPERTY(AudioController *audio READ audio WRITE setAudio NOTIFY changed)

public:
    explicit SelectionPlayback(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    AudioController *audio() const { return m_audio; }
    void setAudio(AudioController *audio);

Q_SIGNALS:
    void changed();

private:
    void followSelection();
    void followRecords();

    QPointer<Workspace> m_workspace;
    QPointer<AudioController> m_audio;
    std::optional<QString> m_loadedID;
    std::vector<Segment> m_segments;
};
