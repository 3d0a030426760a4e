#include "processing/ProcessingQueue.h"

#include "platform/AppPaths.h"
#include "platform/FileLock.h"
#include "platform/FileUtil.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>

#include <fcntl.h>

namespace {

// Far more than forty notes' worth; anything bigger is not a queue of ours.
constexpr qint64 maxQueueBytes = 4 * 1024 * 1024;

} // namespace

void QueueContents::resumeInterrupted()
{
    for (QueueItem &item : items) {
        if (item.state == QueueItem::running)
            item.state = QueueItem::waiting;
    }
}

void QueueContents::add(const QStringList &noteIDs, bool summarize)
{
    std::erase_if(items, [](const QueueItem &item) { return item.finished(); });
    for (const QString &id : noteIDs) {
        const auto known = std::find_if(items.begin(), items.end(), [&](const QueueItem &item) { return item.noteID == id; });
        if (known == items.end())
            items.push_back(QueueItem{id, summarize, QueueItem::waiting, {}});
        else
            known->summarize = known->summarize || summarize;
    }
}

bool QueueContents::hasWork() const
{
    return std::any_of(items.begin(), items.end(), [](const QueueItem &item) { return !item.finished(); });
}

QJsonObject QueueContents::toJSON() const
{
    QJsonArray list;
    for (const QueueItem &item : items) {
        list.append(QJsonObject{{QStringLiteral("noteID"), item.noteID},
                                {QStringLiteral("summarize"), item.summarize},
                                {QStringLiteral("state"), item.state},
                                {QStringLiteral("message"), item.message}});
    }
    return QJsonObject{{QStringLiteral("version"), 1},
                       {QStringLiteral("stopRequested"), stopRequested},
                       {QStringLiteral("items"), list}};
}

std::optional<QueueContents> QueueContents::fromJSON(const QJsonObject &object)
{
    static const QStringList states{QueueItem::waiting, QueueItem::running, QueueItem::done, QueueItem::failed,
                                    QueueItem::stopped};
    if (object.value(QStringLiteral("version")).toInt() != 1 || !object.value(QStringLiteral("items")).isArray())
        return std::nullopt;
    QueueContents contents;
    contents.stopRequested = object.value(QStringLiteral("stopRequested")).toBool();
    for (const QJsonValue &entry : object.value(QStringLiteral("items")).toArray()) {
        const QJsonObject fields = entry.toObject();
        QueueItem item;
        item.noteID = fields.value(QStringLiteral("noteID")).toString();
        item.summarize = fields.value(QStringLiteral("summarize")).toBool();
        item.state = fields.value(QStringLiteral("state")).toString();
        item.message = fields.value(QStringLiteral("message")).toString();
        if (item.noteID.isEmpty() || !states.contains(item.state))
            return std::nullopt;
        contents.items.push_back(std::move(item));
    }
    return contents;
}

ProcessingQueue::ProcessingQueue(QString file)
    : m_file(std::move(file))
{
}

QString ProcessingQueue::defaultFile()
{
    return AppPaths::applicationSupport() + QStringLiteral("/queue.json");
}

QueueContents ProcessingQueue::read() const
{
    if (!QFileInfo::exists(m_file))
        return {};
    try {
        const QJsonDocument document = QJsonDocument::fromJson(FileUtil::readFile(m_file, maxQueueBytes));
        return QueueContents::fromJSON(document.object()).value_or(QueueContents());
    } catch (const std::exception &) {
        return {};
    }
}

QueueContents ProcessingQueue::update(const std::function<void(QueueContents &)> &change) const
{
    FileUtil::createFolders(QFileInfo(m_file).absolutePath());
    // The lock lives beside the queue: the queue itself is replaced by a rename on every write.
    const std::optional<FileLock> lock =
        FileLock::acquire(m_file + QStringLiteral(".lock"), O_RDWR | O_CREAT, true);
    QueueContents contents = read();
    change(contents);
    FileUtil::writeAtomically(m_file, QJsonDocument(contents.toJSON()).toJson(QJsonDocument::Compact), 0600);
    return contents;
}

std::optional<FileLock> ProcessingQueue::claimRunner() const
{
    FileUtil::createFolders(QFileInfo(m_file).absolutePath());
    return FileLock::acquire(m_file + QStringLiteral(".run"), O_RDWR | O_CREAT, false);
}
