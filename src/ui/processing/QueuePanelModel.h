#pragma once

#include "QueueController.h"
#include "processing/ProcessingQueue.h"

#include <QAbstractListModel>
#include <QPointer>
#include <QTimer>
#include <QtQml/qqml.h>

class QFileSystemWatcher;
class Workspace;

// The queue panel: every note of the saved processing queue with its title, state, chunk progress
// and message. The saved queue is the truth, whoever runs it (this window or the command line in
// another process): the panel follows the file's folder and reads the queue again when it
// changes, and the chunk counts follow the notes as the window's workspace reads them. Stopping
// writes the stop into the queue, where whoever runs it picks it up after the chunk in progress.
class QueuePanelModel : public QAbstractListModel {
    Q_OBJECT
    Q_MOC_INCLUDE("workspace/Workspace.h")
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(QueuePanelModel)
    Q_PROPERTY(QueueController *controller READ controller WRITE setController NOTIFY controllerChanged)
    Q_PROPERTY(Workspace *workspace READ workspace WRITE setWorkspace NOTIFY workspaceChanged)
    Q_PROPERTY(int count READ count NOTIFY summaryChanged)
    Q_PROPERTY(int unfinishedCount READ unfinishedCount NOTIFY summaryChanged)
    // "处理队列 2 / 5": finished of all.
    Q_PROPERTY(QString chipText READ chipText NOTIFY summaryChanged)
    // "处理队列已停止。" after a stop of the whole queue, else empty.
    Q_PROPERTY(QString statusText READ statusText NOTIFY summaryChanged)
    Q_PROPERTY(bool canStopAll READ canStopAll NOTIFY summaryChanged)
    // Notes wait or were stopped and this window does not run the queue.
    Q_PROPERTY(bool canResume READ canResume NOTIFY summaryChanged)

public:
    enum Role {
        NoteIdRole = Qt::UserRole + 1,
        TitleRole,
        StateRole,
        StateTextRole,
        ChunkTextRole,
        ProgressRole,
        MessageRole,
        CanStopRole
    };
    Q_ENUM(Role)

    explicit QueuePanelModel(QObject *parent = nullptr);
    ~QueuePanelModel() override;

    QueueController *controller() const { return m_controller; }
    // Also follows the controller's queue file.
    void setController(QueueController *controller);
    Workspace *workspace() const { return m_workspace; }
    void setWorkspace(Workspace *workspace);
    // The queue file followed without a controller (the default file otherwise).
    void setQueueFile(const QString &file);

    int count() const { return int(m_contents.items.size()); }
    int unfinishedCount() const;
    QString chipText() const;
    QString statusText() const;
    bool canStopAll() const;
    bool canResume() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE void stop(const QString &noteID);
    Q_INVOKABLE void stopAll();
    Q_INVOKABLE void resume();
    // Reads the saved queue now (also done on every change of its folder).
    Q_INVOKABLE void reload();

    static QString stateText(const QString &state);

Q_SIGNALS:
    void controllerChanged();
    void workspaceChanged();
    void summaryChanged();

private:
    void follow(const QString &file);
    void apply(QueueContents contents);
    void notesChanged();
    // Writes a stop; a failure shows in the window's alert.
    void writeStop(const std::function<void(QueueContents &)> &edit);

    QPointer<QueueController> m_controller;
    QPointer<Workspace> m_workspace;
    ProcessingQueue m_queue;
    QueueContents m_contents;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer m_settle;
};
