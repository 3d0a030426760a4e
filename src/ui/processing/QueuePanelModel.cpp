#include "QueuePanelModel.h"
#include "QueueController.h"
#include "SourceBinding.h"

#include "library/Recording.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "processing/AudioChunk.h"
#include "workspace/Workspace.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

#include <algorithm>

using namespace std::chrono_literals;

QueuePanelModel::QueuePanelModel(QObject *parent) : QAbstractListModel(parent)
{
    // A write is a temporary file and a rename: one read after the folder settles.
    m_settle.setSingleShot(true);
    m_settle.setInterval(50ms);
    connect(&m_settle, &QTimer::timeout, this, &QueuePanelModel::reload);
    follow(m_queue.file());
}

QueuePanelModel::~QueuePanelModel() = default;

void QueuePanelModel::setController(QueueController *controller)
{
    if (!rebindSource(this, m_controller, controller))
        return;
    if (m_controller) {
        connect(m_controller, &QueueController::runningChanged, this, &QueuePanelModel::summaryChanged);
        follow(m_controller->queue().file());
    }
    Q_EMIT controllerChanged();
    Q_EMIT summaryChanged();
}

void QueuePanelModel::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace)
        connect(m_workspace, &Workspace::recordsChanged, this, &QueuePanelModel::notesChanged);
    notesChanged();
    Q_EMIT workspaceChanged();
}

void QueuePanelModel::setQueueFile(const QString &file)
{
    follow(file);
}

void QueuePanelModel::follow(const QString &file)
{
    m_queue = ProcessingQueue(file);
    delete m_watcher;
    m_watcher = new QFileSystemWatcher(this);
    const QString folder = QFileInfo(file).absolutePath();
    // A folder that does not exist yet holds no queue; the queue's first write makes it, and the
    // window reads again whenever it adds notes itself.
    if (QFileInfo(folder).isDir())
        m_watcher->addPath(folder);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
    reload();
}

void QueuePanelModel::reload()
{
    if (m_watcher->directories().isEmpty() && QFileInfo(QFileInfo(m_queue.file()).absolutePath()).isDir())
        m_watcher->addPath(QFileInfo(m_queue.file()).absolutePath());
    apply(m_queue.read());
}

void QueuePanelModel::apply(QueueContents contents)
{
    if (contents == m_contents)
        return;
    const bool sameNotes = std::equal(contents.items.begin(), contents.items.end(), m_contents.items.begin(),
                                      m_contents.items.end(),
                                      [](const QueueItem &a, const QueueItem &b) { return a.noteID == b.noteID; });
    if (sameNotes) {
        std::swap(m_contents, contents);
        for (size_t i = 0; i < m_contents.items.size(); ++i) {
            if (m_contents.items[i] != contents.items[i])
                Q_EMIT dataChanged(index(int(i)), index(int(i)), {StateRole, StateTextRole, MessageRole, CanStopRole});
        }
    } else {
        beginResetModel();
        m_contents = std::move(contents);
        endResetModel();
    }
    Q_EMIT summaryChanged();
}

void QueuePanelModel::notesChanged()
{
    if (count() > 0)
        Q_EMIT dataChanged(index(0), index(count() - 1), {TitleRole, ChunkTextRole, ProgressRole});
}

int QueuePanelModel::unfinishedCount() const
{
    return int(std::count_if(m_contents.items.begin(), m_contents.items.end(),
                             [](const QueueItem &item) { return !item.finished(); }));
}

QString QueuePanelModel::chipText() const
{
    return L(QStringLiteral("处理队列")) + QStringLiteral(" %1 / %2").arg(count() - unfinishedCount()).arg(count());
}

QString QueuePanelModel::statusText() const
{
    return m_contents.stopRequested && unfinishedCount() > 0 ? L(QStringLiteral("处理队列已停止。")) : QString();
}

bool QueuePanelModel::canStopAll() const
{
    return !m_contents.stopRequested && unfinishedCount() > 0;
}

bool QueuePanelModel::canResume() const
{
    if (!m_controller || m_controller->running())
        return false;
    return std::any_of(m_contents.items.begin(), m_contents.items.end(),
                       [](const QueueItem &item) { return item.state != QueueItem::done && item.state != QueueItem::failed; });
}

QString QueuePanelModel::stateText(const QString &state)
{
    if (state == QueueItem::waiting)
        return L(QStringLiteral("等待中"));
    if (state == QueueItem::running)
        return L(QStringLiteral("处理中"));
    if (state == QueueItem::done)
        return L(QStringLiteral("已完成"));
    if (state == QueueItem::failed)
        return L(QStringLiteral("失败"));
    return L(QStringLiteral("已停止"));
}

int QueuePanelModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant QueuePanelModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QueueItem &item = m_contents.items[size_t(index.row())];
    const Recording *note = nullptr;
    if (m_workspace) {
        const auto &records = m_workspace->records();
        const auto found = std::find_if(records.begin(), records.end(), [&](const Recording &r) { return r.id == item.noteID; });
        note = found == records.end() ? nullptr : &*found;
    }
    const qint64 chunks = note ? AudioChunk::chunkCount(note->duration) : 0;
    const qint64 done = note ? std::min(note->completedChunks.value_or(0), chunks) : 0;
    switch (role) {
    case NoteIdRole:
        return item.noteID;
    case Qt::DisplayRole:
    case TitleRole:
        return note ? note->title : item.noteID.left(8);
    case StateRole:
        return item.state;
    case StateTextRole:
        return stateText(item.state);
    case ChunkTextRole:
        return note ? QStringLiteral("%1 / %2").arg(done).arg(chunks) : QString();
    case ProgressRole:
        return chunks > 0 ? double(done) / double(chunks) : 0.0;
    case MessageRole:
        return item.message;
    case CanStopRole:
        return !item.finished();
    }
    return {};
}

QHash<int, QByteArray> QueuePanelModel::roleNames() const
{
    return {{NoteIdRole, "noteId"},       {TitleRole, "title"},         {StateRole, "noteState"},
            {StateTextRole, "stateText"}, {ChunkTextRole, "chunkText"}, {ProgressRole, "progress"},
            {MessageRole, "message"},     {CanStopRole, "canStop"}};
}

void QueuePanelModel::stop(const QString &noteID)
{
    writeStop([&noteID](QueueContents &contents) {
        for (QueueItem &item : contents.items) {
            if (item.noteID == noteID && !item.finished())
                item.state = QueueItem::stopped;
        }
    });
}

void QueuePanelModel::stopAll()
{
    writeStop([](QueueContents &contents) { contents.stopRequested = true; });
}

void QueuePanelModel::resume()
{
    if (m_controller)
        m_controller->resume();
    reload();
}

void QueuePanelModel::writeStop(const std::function<void(QueueContents &)> &edit)
{
    try {
        apply(m_queue.update(edit));
    } catch (...) {
        if (m_workspace) {
            m_workspace->setError(L(QStringLiteral("处理队列无法保存：%@"))
                                      .replace(QStringLiteral("%@"), describeError(std::current_exception())));
        }
    }
}
