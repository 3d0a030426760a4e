#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqml.h>

#include <functional>

class Workspace;

// Tells the person, through a desktop notification, that a transcription or summary job ended
// while they were working in another window: the note's title and how it ended. Nothing is sent
// while the main window is active.
class JobNotifier : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(JobNotifier)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(bool windowActive READ windowActive WRITE setWindowActive NOTIFY windowActiveChanged)

public:
    using Sender = std::function<void(const QString &title, const QString &body)>;

    // Sends over the freedesktop notification service of the session bus.
    explicit JobNotifier(QObject *parent = nullptr);
    JobNotifier(Sender sender, QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    bool windowActive() const { return m_windowActive; }
    void setWindowActive(bool active);

    // org.freedesktop.Notifications.Notify on the session bus; silently nothing without one.
    static void sendDesktopNotification(const QString &title, const QString &body);

Q_SIGNALS:
    void workspaceChanged();
    void windowActiveChanged();

private:
    void jobChanged();

    Sender m_sender;
    QPointer<Workspace> m_workspace;
    bool m_windowActive = true;
    QString m_jobNoteID;
};
