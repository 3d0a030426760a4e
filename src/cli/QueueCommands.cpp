#include "cli/Commands.h"

#include "cli/CliFailure.h"
#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/InterruptWatcher.h"
#include "cli/TerminalPrompts.h"
#include "library/NativeLibrary.h"
#include "platform/FileLock.h"
#include "platform/Localization.h"
#include "processing/AudioChunk.h"
#include "processing/DefaultJobServices.h"
#include "processing/ProcessingQueue.h"
#include "processing/QueueRunner.h"
#include "workspace/Workspace.h"

#include <QObject>

#include <memory>

namespace {

const Recording *findNote(const std::vector<Recording> &records, const QString &id)
{
    for (const Recording &recording : records) {
        if (recording.id == id)
            return &recording;
    }
    return nullptr;
}

QString stateLine(const QueueItem &item, const Recording *note)
{
    const QString chunks = note ? QStringLiteral("%1/%2")
                                      .arg(note->completedChunks.value_or(0))
                                      .arg(AudioChunk::chunkCount(note->duration))
                                : QStringLiteral("-");
    return QStringList{item.noteID, item.state, chunks, item.message}.join(QLatin1Char('\t'));
}

// Prints one line to standard error each time a note's state changes.
void reportChanges(const QueueContents &before, const QueueContents &after)
{
    for (const QueueItem &item : after.items) {
        const auto old = std::find_if(before.items.begin(), before.items.end(),
                                      [&](const QueueItem &candidate) { return candidate.noteID == item.noteID; });
        if (old != before.items.end() && old->state == item.state)
            continue;
        CliOutput::notice(item.message.isEmpty() ? QStringLiteral("%1\t%2").arg(item.noteID, item.state)
                                                 : QStringLiteral("%1\t%2\t%3").arg(item.noteID, item.state, item.message));
    }
}

// Runs the saved queue in this process: lanes over one library, the consent asked once on the
// terminal (or given by --allow-cloud), Ctrl-C stopping every note after its chunk.
QCoro::Task<int> runSavedQueue(ParsedCommand command)
{
    const bool allowCloud = command.has(QStringLiteral("allow-cloud"));
    int parallel = QueueRunner::parallelSetting();
    if (command.has(QStringLiteral("parallel"))) {
        bool number = false;
        parallel = command.value(QStringLiteral("parallel")).toInt(&number);
        if (!number || parallel < 1 || parallel > 8)
            throw UsageError(QStringLiteral("--parallel needs a number from 1 to 8"), command.name);
    }
    const ProcessingQueue queue;
    const std::optional<FileLock> runner = queue.claimRunner();
    if (!runner)
        throw CliFailure(L(QStringLiteral("处理队列正在另一个窗口或命令中运行。")));

    NativeLibrary library;
    TerminalPrompts person(allowCloud);
    QueuePrompts prompts(person);
    std::vector<std::unique_ptr<Workspace>> lanes;
    std::vector<Workspace *> lanePointers;
    for (int i = 0; i < parallel; ++i) {
        lanes.push_back(std::make_unique<Workspace>(library, prompts, DefaultJobServices::jobServices(), false));
        lanePointers.push_back(lanes.back().get());
    }
    QueueRunner queueRunner(queue, lanePointers, prompts, [] { return ModelConfiguration::load(); }, parallel);
    QueueContents shown = queue.read();
    QObject::connect(&queueRunner, &QueueRunner::contentsChanged, &queueRunner, [&] {
        reportChanges(shown, queueRunner.contents());
        shown = queueRunner.contents();
    });
    QObject guard;
    if (InterruptWatcher *watcher = InterruptWatcher::instance())
        QObject::connect(watcher, &InterruptWatcher::interrupted, &guard, [&] { queueRunner.stopAll(); });

    const SummaryPreferences preferences = SummaryPreferences::load();
    const bool allowed = co_await queueRunner.run(preferences);
    if (!allowed) {
        if (person.declinedWithoutTerminal())
            throw CliFailure(L(QStringLiteral("未发送到云端：没有终端可以确认。确认可以发送后，请加上 --allow-cloud 重新运行。")));
        throw CliFailure(L(QStringLiteral("已取消，未发送任何内容。")));
    }
    const InterruptWatcher *watcher = InterruptWatcher::instance();
    if (watcher && watcher->wasInterrupted())
        co_return ExitStatus::interrupted;
    const QueueContents finished = queueRunner.contents();
    const bool anyFailed = std::any_of(finished.items.begin(), finished.items.end(),
                                       [](const QueueItem &item) { return item.state == QueueItem::failed; });
    co_return anyFailed ? ExitStatus::failure : ExitStatus::success;
}

} // namespace

namespace QueueCommands {

QCoro::Task<int> transcribe(ParsedCommand command)
{
    QStringList ids;
    {
        // Notes are named as in every other command: an id or an unambiguous start of one.
        CliSession session;
        co_await session.openHome();
        for (const QString &typed : command.positional) {
            const Recording note = session.note(typed);
            if (note.deletedAt)
                throw CliFailure(L(QStringLiteral("这条笔记在废纸篓中，请先恢复。")));
            if (!ids.contains(note.id))
                ids << note.id;
        }
    }
    const bool summarize = command.has(QStringLiteral("summarize"));
    // Finished entries make way; unfinished ones stay and run with the new ones.
    ProcessingQueue().update([&](QueueContents &contents) { contents.add(ids, summarize); });
    co_return co_await runSavedQueue(std::move(command));
}

QCoro::Task<int> show(ParsedCommand)
{
    const QueueContents contents = ProcessingQueue().read();
    CliSession session;
    co_await session.openHome();
    const std::vector<Recording> &records = session.workspace().records();
    for (const QueueItem &item : contents.items)
        CliOutput::result(stateLine(item, findNote(records, item.noteID)));
    if (contents.stopRequested)
        CliOutput::notice(L(QStringLiteral("处理队列已停止。")));
    co_return ExitStatus::success;
}

QCoro::Task<int> stop(ParsedCommand command)
{
    const QStringList only = command.positional;
    ProcessingQueue().update([&only](QueueContents &contents) {
        if (only.isEmpty()) {
            contents.stopRequested = true;
            return;
        }
        for (QueueItem &item : contents.items) {
            const bool named = std::any_of(only.begin(), only.end(),
                                           [&](const QString &typed) { return item.noteID.startsWith(typed, Qt::CaseInsensitive); });
            if (named && !item.finished())
                item.state = QueueItem::stopped;
        }
    });
    CliOutput::notice(L(QStringLiteral("处理队列已停止。")));
    co_return ExitStatus::success;
}

QCoro::Task<int> resume(ParsedCommand command)
{
    // A stopped note waits again; a failed one is left for the person to look at.
    ProcessingQueue().update([](QueueContents &contents) {
        for (QueueItem &item : contents.items) {
            if (item.state == QueueItem::stopped)
                item.state = QueueItem::waiting;
        }
    });
    co_return co_await runSavedQueue(std::move(command));
}

} // namespace QueueCommands
