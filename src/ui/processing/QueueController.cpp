#include "QueueController.h"

#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "processing/DefaultJobServices.h"
#include "processing/QueueRunner.h"
#include "services/ModelConfiguration.h"
#include "services/SummaryPreferences.h"
#include "workspace/Workspace.h"

#include <QPointer>

#include <algorithm>

namespace {

// Said while the failure is being handled.
QString saveFailure()
{
    return L(QStringLiteral("处理队列无法保存：%@")).replace(QStringLiteral("%@"), describeError(std::current_exception()));
}

bool hasWaiting(const QueueContents &contents)
{
    return std::any_of(contents.items.begin(), contents.items.end(),
                       [](const QueueItem &item) { return item.state == QueueItem::waiting; });
}

} // namespace

QueueController::QueueController(NativeLibrary &library, UserPrompts &person, Workspace &window,
                                 ProcessingQueue queue, QObject *parent)
    : QObject(parent),
      m_library(library),
      m_window(window),
      m_queue(std::move(queue)),
      m_prompts(std::make_unique<QueuePrompts>(person))
{
    connect(&m_window, &Workspace::imported, this, [this](const QString &noteID) {
        if (transcribeAfterImport())
            enqueue({noteID}, false);
    });
}

QueueController::~QueueController() = default;

bool QueueController::transcribeAfterImport() const
{
    return Preferences::shared().string(transcribeAfterImportKey) == QLatin1String("true");
}

void QueueController::setTranscribeAfterImport(bool on)
{
    if (on == transcribeAfterImport())
        return;
    try {
        Preferences::shared().setString(transcribeAfterImportKey, on ? QStringLiteral("true") : QStringLiteral("false"));
    } catch (...) {
        m_window.setError(describeError(std::current_exception()));
    }
    Q_EMIT transcribeAfterImportChanged();
}

void QueueController::enqueue(const QStringList &ids, bool summarize)
{
    if (!ids.isEmpty())
        add(ids, summarize);
}

void QueueController::resume()
{
    const bool changed = change([](QueueContents &contents) {
        contents.stopRequested = false;
        for (QueueItem &item : contents.items) {
            if (item.state == QueueItem::stopped)
                item.state = QueueItem::waiting;
        }
    });
    if (changed && !m_running)
        run({});
}

void QueueController::stopRunning()
{
    if (m_runner)
        m_runner->stopAll();
}

QCoro::Task<> QueueController::add(QStringList ids, bool summarize)
{
    QPointer<QueueController> self(this);
    // A run under way was allowed for the notes it had: these are asked about on their own.
    if (m_running || otherProgramRuns()) {
        const QueueContents saved = m_queue.read();
        const auto fresh = std::count_if(ids.begin(), ids.end(), [&](const QString &id) {
            return std::none_of(saved.items.begin(), saved.items.end(), [&](const QueueItem &item) {
                return item.noteID == id && !item.finished() && (item.summarize || !summarize);
            });
        });
        if (fresh > 0) {
            const bool allowed = co_await QueueRunner::askConsent(&m_prompts->person(), ModelConfiguration::load(),
                                                                  int(fresh), summarize);
            if (!self || !allowed)
                co_return;
        }
    }
    const bool added = change([&](QueueContents &contents) { contents.add(ids, summarize); });
    if (added && !m_running)
        co_await run(ids);
}

QCoro::Task<> QueueController::run(QStringList added)
{
    QPointer<QueueController> self(this);
    std::optional<FileLock> claim;
    try {
        claim = m_queue.claimRunner();
    } catch (...) {
        m_window.setError(saveFailure());
        co_return;
    }
    if (!claim) {
        m_window.setNotice(L(QStringLiteral("处理队列正在另一个窗口或命令中运行。")));
        co_return;
    }
    setRunning(true);
    const int parallel = QueueRunner::parallelSetting();
    while (int(m_lanes.size()) < parallel)
        m_lanes.push_back(std::make_unique<Workspace>(m_library, *m_prompts, DefaultJobServices::jobServices(), false));
    std::vector<Workspace *> lanes;
    for (const auto &lane : m_lanes)
        lanes.push_back(lane.get());
    QueueRunner runner(m_queue, lanes, *m_prompts, [] { return ModelConfiguration::load(); }, parallel);
    m_runner = &runner;
    bool allowed = true;
    try {
        // Notes added while the last ones finished are taken up by another round.
        do {
            allowed = co_await runner.run(SummaryPreferences::load());
            if (!self)
                co_return;
        } while (allowed && !m_queue.read().stopRequested && hasWaiting(m_queue.read()));
    } catch (...) {
        if (!self)
            co_return;
        m_window.setError(saveFailure());
    }
    m_runner = nullptr;
    // Declined: the notes just added leave the queue again, as if nothing had been asked.
    if (!allowed) {
        change([&added](QueueContents &contents) {
            std::erase_if(contents.items, [&](const QueueItem &item) {
                return item.state == QueueItem::waiting && added.contains(item.noteID);
            });
        });
    }
    setRunning(false);
}

bool QueueController::otherProgramRuns() const
{
    try {
        return !m_queue.claimRunner().has_value();
    } catch (...) {
        return false;
    }
}

bool QueueController::change(const std::function<void(QueueContents &)> &edit)
{
    try {
        m_queue.update(edit);
        return true;
    } catch (...) {
        m_window.setError(saveFailure());
        return false;
    }
}

void QueueController::setRunning(bool running)
{
    if (running == m_running)
        return;
    m_running = running;
    Q_EMIT runningChanged();
}
