#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqml.h>

class Workspace;

// Audio files handed to the program all at once (dropped on the window, or named on its command
// line) imported one after another through the workspace's own import, each failure reported as
// an import reports it. The next file waits until the workspace is idle and the person has
// dismissed the previous failure, so no message is overwritten unseen.
class ImportQueue : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(ImportQueue)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(int pending READ pending NOTIFY pendingChanged)

public:
    explicit ImportQueue(QObject *parent = nullptr);

    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    int pending() const { return int(m_paths.size()); }
    // Still working through the files: one is being imported, or the next waits its turn.
    bool draining() const { return m_draining; }

    // Queues the local files among the URLs (others are ignored); true when any was queued.
    Q_INVOKABLE bool addUrls(const QList<QUrl> &urls);
    // Whether a drag carries at least one local file.
    Q_INVOKABLE static bool hasLocalFiles(const QList<QUrl> &urls);
    void addPaths(const QStringList &paths);

Q_SIGNALS:
    void workspaceChanged();
    void pendingChanged();

private:
    QCoro::Task<> drain();

    QPointer<Workspace> m_workspace;
    QStringList m_paths;
    bool m_draining = false;
};
