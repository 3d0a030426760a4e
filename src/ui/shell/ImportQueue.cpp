#include "ImportQueue.h"

#include "workspace/Workspace.h"

#include <QCoroSignal>

ImportQueue::ImportQueue(QObject *parent) : QObject(parent) {}

void ImportQueue::setWorkspace(Workspace *workspace)
{
    if (m_workspace == workspace)
        return;
    m_workspace = workspace;
    Q_EMIT workspaceChanged();
    if (!m_paths.isEmpty())
        drain();
}

bool ImportQueue::hasLocalFiles(const QList<QUrl> &urls)
{
    return std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

bool ImportQueue::addUrls(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    addPaths(paths);
    return !paths.isEmpty();
}

void ImportQueue::addPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    m_paths << paths;
    Q_EMIT pendingChanged();
    if (m_workspace)
        drain();
}

QCoro::Task<> ImportQueue::drain()
{
    if (m_draining)
        co_return;
    m_draining = true;
    QPointer<ImportQueue> self(this);
    while (self && m_workspace && !m_paths.isEmpty()) {
        QPointer<Workspace> workspace = m_workspace;
        // A running job does not hold imports back; another library operation does.
        co_await workspace->whenNotLoading();
        while (self && workspace && workspace->error())
            co_await qCoro(workspace.data(), &Workspace::errorChanged);
        if (!self || !workspace || workspace->loading())
            continue; // something else started meanwhile: wait for it again
        const QString path = m_paths.takeFirst();
        Q_EMIT pendingChanged();
        workspace->importAudio(path);
        co_await workspace->whenNotLoading();
    }
    if (self)
        m_draining = false;
}
