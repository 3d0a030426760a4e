#include "processing/QueueRunner.h"

#include "platform/Localization.h"
#include "platform/Preferences.h"
#include "processing/CloudConsent.h"
#include "processing/JobEngines.h"
#include "workspace/Workspace.h"

#include <QPointer>

#include <algorithm>

namespace {

using namespace std::chrono_literals;

const Recording *findNote(const Workspace &lane, const QString &id)
{
    for (const Recording &recording : lane.records()) {
        if (recording.id == id)
            return &recording;
    }
    return nullptr;
}

} // namespace

QCoro::Task<std::optional<QString>> QueuePrompts::chooseFolder(QString title, QString message, QString startFolder)
{
    return m_person.chooseFolder(std::move(title), std::move(message), std::move(startFolder));
}

QCoro::Task<std::optional<QString>> QueuePrompts::chooseAudioFile(QString title, QString message)
{
    return m_person.chooseAudioFile(std::move(title), std::move(message));
}

QCoro::Task<std::optional<QString>> QueuePrompts::chooseSaveLocation(QString title, QString suggestedName,
                                                                     QString fileExtension)
{
    return m_person.chooseSaveLocation(std::move(title), std::move(suggestedName), std::move(fileExtension));
}

QCoro::Task<bool> QueuePrompts::confirmCloudUpload(QString, QString, QString, QString)
{
    co_return m_allowed;
}

QueueRunner::QueueRunner(ProcessingQueue queue, std::vector<Workspace *> lanes, QueuePrompts &prompts,
                         std::function<ModelConfiguration()> configuration, int parallel, QObject *parent)
    : QObject(parent),
      m_queue(std::move(queue)),
      m_lanes(std::move(lanes)),
      m_prompts(prompts),
      m_configuration(std::move(configuration)),
      m_parallel(std::max(1, parallel))
{
    // A stop may come from another program through the saved queue.
    m_poll.setInterval(500ms);
    connect(&m_poll, &QTimer::timeout, this, &QueueRunner::pollSaved);
}

QueueRunner::~QueueRunner() = default;

int QueueRunner::parallelSetting()
{
    const std::optional<QString> stored = Preferences::shared().string(parallelKey);
    const int value = stored ? stored->toInt() : defaultParallel;
    return std::clamp(value, 1, 8);
}

QStringList QueueRunner::runningNotes() const
{
    return m_busy.values();
}

QCoro::Task<bool> QueueRunner::run(SummaryPreferences preferences)
{
    QPointer<QueueRunner> self(this);
    follow(m_queue.update([](QueueContents &contents) {
        contents.resumeInterrupted();
        contents.stopRequested = false;
    }));
    const auto unfinished = std::count_if(m_contents.items.begin(), m_contents.items.end(),
                                          [](const QueueItem &item) { return !item.finished(); });
    const bool summaries = std::any_of(m_contents.items.begin(), m_contents.items.end(),
                                       [](const QueueItem &item) { return !item.finished() && item.summarize; });
    if (unfinished == 0)
        co_return true;
    const ModelConfiguration configuration = m_configuration();
    const bool allowed = co_await askConsent(&m_prompts.person(), configuration, int(unfinished), summaries);
    if (!self || !allowed)
        co_return false;
    m_prompts.setAllowed(true);

    // This computer's engines take one note at a time; a server elsewhere takes several.
    const bool local = configuration.asrService == QLatin1String("whisper")
        || (summaries && configuration.summaryService == QLatin1String("ollama"));
    const size_t lanes = std::min(m_lanes.size(), size_t(local ? 1 : m_parallel));
    m_poll.start();
    std::vector<QCoro::Task<>> workers;
    for (size_t i = 0; i < lanes; ++i)
        workers.push_back(work(m_lanes[i], preferences));
    for (QCoro::Task<> &worker : workers)
        co_await std::move(worker);
    if (self) {
        m_poll.stop();
        m_prompts.setAllowed(false);
    }
    co_return true;
}

QCoro::Task<bool> QueueRunner::askConsent(UserPrompts *person, ModelConfiguration configuration, int notes,
                                          bool summaries)
{
    for (const bool summary : {false, true}) {
        if (summary && !summaries)
            continue;
        const std::optional<ConsentTarget> target = JobEngines::consentTarget(configuration, summary);
        if (!target)
            continue;
        const CloudConsentDialog texts = CloudConsent::dialog(*target, summary, notes);
        QCoro::Task<bool> answer = person->confirmCloudUpload(
            texts.messageText, texts.informativeText, texts.confirmButton, texts.cancelButton);
        if (!co_await answer)
            co_return false;
    }
    co_return true;
}

QCoro::Task<> QueueRunner::work(Workspace *lane, SummaryPreferences preferences)
{
    QPointer<QueueRunner> self(this);
    while (self && !m_stopAll) {
        const std::optional<QueueItem> item = claimNext();
        if (!item)
            break;
        m_busy.insert(lane, item->noteID);
        co_await runItem(lane, *item, preferences);
        if (!self)
            co_return;
        m_busy.remove(lane);
    }
}

std::optional<QueueItem> QueueRunner::claimNext()
{
    std::optional<QueueItem> claimed;
    follow(m_queue.update([&claimed](QueueContents &contents) {
        if (contents.stopRequested)
            return;
        for (QueueItem &item : contents.items) {
            if (item.state == QueueItem::waiting) {
                item.state = QueueItem::running;
                item.message.clear();
                claimed = item;
                return;
            }
        }
    }));
    return claimed;
}

QCoro::Task<> QueueRunner::runItem(Workspace *lane, QueueItem item, SummaryPreferences preferences)
{
    QPointer<QueueRunner> self(this);
    QPointer<Workspace> workspace(lane);
    // Read afresh: the note's saved progress is where it resumes.
    lane->setError(std::nullopt);
    lane->loadHome();
    co_await lane->whenIdle();
    if (!self || !workspace)
        co_return;
    const Recording *note = findNote(*lane, item.noteID);
    if (lane->error() || !note || note->deletedAt) {
        finish(item.noteID, QueueItem::failed,
               lane->error().value_or(L(QStringLiteral("找不到这条笔记，可能已被删除。"))));
        co_return;
    }
    lane->setSelectedID(item.noteID);
    bool ok = co_await runStage(lane, false, preferences);
    if (self && workspace && ok && item.summarize && !m_stopAll && !m_stopping.contains(item.noteID))
        ok = co_await runStage(lane, true, preferences);
    if (!self || !workspace)
        co_return;
    const bool stopped = m_stopAll || m_stopping.contains(item.noteID);
    if (!ok)
        finish(item.noteID, QueueItem::failed, lane->error().value_or(QString()));
    else
        finish(item.noteID, stopped ? QueueItem::stopped : QueueItem::done, {});
}

QCoro::Task<bool> QueueRunner::runStage(Workspace *lane, bool summary, SummaryPreferences preferences)
{
    QPointer<Workspace> workspace(lane);
    lane->setError(std::nullopt);
    lane->setNotice(std::nullopt);
    lane->startJob(summary, preferences);
    co_await lane->whenJobEnds();
    co_return workspace && !workspace->error();
}

void QueueRunner::finish(const QString &noteID, const QString &state, const QString &message)
{
    follow(m_queue.update([&](QueueContents &contents) {
        for (QueueItem &item : contents.items) {
            // A stop saved by someone else meanwhile is kept when the note did not get to the end.
            if (item.noteID == noteID && item.state == QueueItem::running) {
                item.state = state;
                item.message = message;
            } else if (item.noteID == noteID && item.state == QueueItem::stopped && state == QueueItem::failed) {
                item.message = message;
            }
        }
    }));
    m_stopping.remove(noteID);
}

void QueueRunner::stopAll()
{
    follow(m_queue.update([](QueueContents &contents) { contents.stopRequested = true; }));
    pollSaved();
}

void QueueRunner::stop(const QString &noteID)
{
    follow(m_queue.update([&noteID](QueueContents &contents) {
        for (QueueItem &item : contents.items) {
            if (item.noteID == noteID && !item.finished())
                item.state = QueueItem::stopped;
        }
    }));
    pollSaved();
}

void QueueRunner::follow(QueueContents contents)
{
    if (contents == m_contents)
        return;
    m_contents = std::move(contents);
    Q_EMIT contentsChanged();
}

void QueueRunner::pollSaved()
{
    follow(m_queue.read());
    if (m_contents.stopRequested)
        m_stopAll = true;
    for (auto it = m_busy.cbegin(); it != m_busy.cend(); ++it) {
        const auto item = std::find_if(m_contents.items.begin(), m_contents.items.end(),
                                       [&](const QueueItem &candidate) { return candidate.noteID == it.value(); });
        const bool stopped = item != m_contents.items.end() && item->state == QueueItem::stopped;
        if (m_stopAll || stopped) {
            m_stopping.insert(it.value());
            it.key()->stopJob();
        }
    }
}
