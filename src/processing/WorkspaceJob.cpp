// The processing job of the Workspace: start checks, the common frame (key, status bookkeeping,
// completion, failure and stop) and the transcription stage. The summary stage's map and merge
// passes live in SummaryStage; this file wires them to the note and the engines.

#include "workspace/Workspace.h"

#include "library/NativeLibrary.h"
#include "library/RecordMerge.h"
#include "platform/Async.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/Localization.h"
#include "processing/AudioChunk.h"
#include "processing/ChunkSegments.h"
#include "processing/CloudConsent.h"
#include "processing/JobEngines.h"
#include "processing/JobMessages.h"
#include "processing/SourceSpeakers.h"
#include "processing/SummaryStage.h"
#include "processing/TranscriptParts.h"
#include "services/ModelConfiguration.h"
#include "services/RepeatGuard.h"
#include "services/SpokenLanguages.h"
#include "services/SummaryPreferences.h"

#include <QCoroSignal>
#include <QFileInfo>
#include <QPointer>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <stop_token>

// One job, from the start checks to its ending. Shared by the Workspace (to stop it) and the
// running coroutine.
struct JobState {
    std::stop_source stop;
    // Set once the start checks passed and jobID was written; before that the job only waits for
    // the person's consent.
    bool started = false;
    // Stops the job when the Workspace goes away; dropped when the job ends.
    QMetaObject::Connection workspaceGone;
};

namespace {

constexpr double chunkSeconds = 60;

// The Workspace went away while the job was suspended: nothing may be touched any more.
struct WorkspaceGone {};

using AudioChunk::chunkCount;

// The note the start checks look at; none when the job must not start.
std::optional<Recording> findNote(const std::vector<Recording> &records, const QString &id)
{
    for (const Recording &recording : records) {
        if (recording.id == id)
            return recording;
    }
    return std::nullopt;
}

} // namespace

// The friend of Workspace that owns the job's code paths.
class WorkspaceJob final {
public:
    static void start(Workspace &workspace, bool summary, const SummaryPreferences &preferences);
    static void stop(Workspace &workspace);

private:
    WorkspaceJob(Workspace &workspace, std::shared_ptr<JobState> state, Recording note,
                 ModelConfiguration configuration, SummaryPreferences preferences, qint64 chunks, bool summary);

    // Checks 1-5 on the note with this id; false when the job must not start (messages set).
    static std::optional<Recording> checkedNote(Workspace &workspace, const std::optional<QString> &id, bool summary);
    static QCoro::Task<> askThenBegin(QPointer<Workspace> workspace, std::shared_ptr<JobState> state, QString noteID,
                                      ConsentTarget target, ModelConfiguration configuration,
                                      SummaryPreferences preferences, bool summary);
    static void begin(Workspace &workspace, std::shared_ptr<JobState> state, const Recording &note,
                      const ModelConfiguration &configuration, const SummaryPreferences &preferences, bool summary);
    static QCoro::Task<> run(std::unique_ptr<WorkspaceJob> job);

    QCoro::Task<> body();
    QCoro::Task<> transcribe();
    QCoro::Task<> summarize();
    QCoro::Task<> save();
    QCoro::Task<> fail(std::exception_ptr error);
    void complete();
    void end();
    // The notice for chunks whose repeats were cut, with the given message before it.
    QString withLoopNotice(const QString &message) const;

    Workspace &workspace();
    void ensureAlive() const;
    bool runsLocally() const;

    QPointer<Workspace> m_workspace;
    NativeLibrary *m_library;
    JobServices m_services;
    std::shared_ptr<JobState> m_state;
    Recording m_working;
    Recording m_saved;
    ModelConfiguration m_configuration;
    SummaryPreferences m_preferences;
    qint64 m_chunks;
    bool m_summary;
    QString m_key;
    // The interface language when the job started: recognised text is stored in its script.
    QString m_language = AppLocalization::storedLanguage();
    // Where chunks looped and were cut down (clock labels of their starts).
    QStringList m_loopsCut;
    // Chunks this job finished without any speech in them.
    qint64 m_silentChunks = 0;
    // This job's claim on its note, among every program on the library; held to the end.
    std::shared_ptr<FileLock> m_claim;
};

// --- starting -----------------------------------------------------------------------------------

void Workspace::startJob(bool summary, const SummaryPreferences &preferences)
{
    WorkspaceJob::start(*this, summary, preferences);
}

void Workspace::stopJob()
{
    WorkspaceJob::stop(*this);
}

QCoro::Task<> Workspace::whenJobEnds()
{
    QPointer<Workspace> self(this);
    while (self && self->m_jobID)
        co_await qCoro(this, &Workspace::jobIDChanged);
}

QStringList Workspace::parts(const QString &text, int size)
{
    return TranscriptParts::split(text, size);
}

std::optional<Recording> WorkspaceJob::checkedNote(Workspace &workspace, const std::optional<QString> &id,
                                                  bool summary)
{
    if (!workspace.m_isManaged || !id)
        return std::nullopt;
    std::optional<Recording> note = findNote(workspace.m_records, *id);
    if (!note || !note->isLive() || workspace.m_loading || workspace.m_jobID)
        return std::nullopt;
    const qint64 chunks = chunkCount(note->duration);
    const qint64 done = note->completedChunks.value_or(0);
    if (!summary && chunks <= done) {
        workspace.setNotice(L(QStringLiteral("转写已经完成，可直接生成纪要。")));
        return std::nullopt;
    }
    if (summary && (note->segments.empty() || done < chunks)) {
        workspace.setError(L(QStringLiteral("请先完成转写，再生成纪要。")));
        return std::nullopt;
    }
    return note;
}

void WorkspaceJob::start(Workspace &workspace, bool summary, const SummaryPreferences &preferences)
{
    // A job that waits for consent counts as running: a second start is ignored.
    if (workspace.m_job)
        return;
    const std::optional<Recording> note = checkedNote(workspace, workspace.m_selectedID, summary);
    if (!note)
        return;
    const ModelConfiguration configuration = workspace.m_services.configurationProvider
                                                 ? workspace.m_services.configurationProvider()
                                                 : ModelConfiguration();
    const std::optional<ConsentTarget> target = JobEngines::consentTarget(configuration, summary);
    auto state = std::make_shared<JobState>();
    if (!target) {
        begin(workspace, std::move(state), *note, configuration, preferences, summary);
        return;
    }
    workspace.m_job = state;
    askThenBegin(QPointer<Workspace>(&workspace), std::move(state), note->id, *target, configuration, preferences,
                 summary);
}

QCoro::Task<> WorkspaceJob::askThenBegin(QPointer<Workspace> workspace, std::shared_ptr<JobState> state,
                                         QString noteID, ConsentTarget target, ModelConfiguration configuration,
                                         SummaryPreferences preferences, bool summary)
{
    bool allowed = false;
    try {
        QCoro::Task<bool> answer = CloudConsent::confirm(workspace->m_prompts, target, summary);
        allowed = co_await answer;
    } catch (...) {
        allowed = false; // a prompt that cannot be shown is no consent
    }
    if (!workspace || workspace->m_job != state)
        co_return;
    workspace->m_job.reset();
    if (!allowed || state->stop.stop_requested())
        co_return;
    // The library may have changed while the question was open: check the same note again, as it
    // is now, before anything of it is sent.
    const std::optional<Recording> note = checkedNote(*workspace, noteID, summary);
    if (note)
        begin(*workspace, std::move(state), *note, configuration, preferences, summary);
}

void WorkspaceJob::begin(Workspace &workspace, std::shared_ptr<JobState> state, const Recording &note,
                         const ModelConfiguration &configuration, const SummaryPreferences &preferences, bool summary)
{
    workspace.setError(std::nullopt);
    workspace.setNotice(std::nullopt);
    workspace.setJobID(note.id);
    workspace.setProgress(0);
    workspace.setProgressText(summary ? L(QStringLiteral("准备整理纪要…")) : L(QStringLiteral("准备转写…")));
    state->started = true;
    workspace.m_job = state;
    // A Workspace that goes away stops its job; the job then notices and touches nothing.
    state->workspaceGone =
        QObject::connect(&workspace, &QObject::destroyed, [stop = state->stop]() mutable { stop.request_stop(); });
    std::unique_ptr<WorkspaceJob> job(new WorkspaceJob(workspace, std::move(state), note, configuration, preferences,
                                                       chunkCount(note.duration), summary));
    run(std::move(job));
}

void WorkspaceJob::stop(Workspace &workspace)
{
    if (!workspace.m_job)
        return;
    if (workspace.m_job->started)
        workspace.setProgressText(L(QStringLiteral("正在停止，保留已完成的内容…")));
    workspace.m_job->stop.request_stop();
}

WorkspaceJob::WorkspaceJob(Workspace &workspace, std::shared_ptr<JobState> state, Recording note,
                           ModelConfiguration configuration, SummaryPreferences preferences, qint64 chunks,
                           bool summary)
    : m_workspace(&workspace),
      m_library(&workspace.m_library),
      m_services(workspace.m_services),
      m_state(std::move(state)),
      m_working(note),
      m_saved(std::move(note)),
      m_configuration(std::move(configuration)),
      m_preferences(std::move(preferences)),
      m_chunks(chunks),
      m_summary(summary)
{
}

// --- the frame ----------------------------------------------------------------------------------

QCoro::Task<> WorkspaceJob::run(std::unique_ptr<WorkspaceJob> job)
{
    std::exception_ptr failure;
    try {
        co_await job->body();
        job->complete();
    } catch (const WorkspaceGone &) {
        co_return;
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        try {
            co_await job->fail(failure);
        } catch (const WorkspaceGone &) {
            co_return;
        }
    }
    // Let go of the note before anyone hears the job ended: the next job on it (the summary after
    // the transcript, the next minute of a recording) may start at once.
    job->m_claim.reset();
    job->end();
}

QCoro::Task<> WorkspaceJob::body()
{
    // Before anything is asked or saved: a job elsewhere on this note keeps it.
    QCoro::Task<std::shared_ptr<FileLock>> claiming = m_library->claimForJob(m_working.id);
    m_claim = co_await claiming;
    ensureAlive();
    const std::optional<QString> account = m_configuration.keyAccount(m_summary);
    m_configuration.validate();
    if (m_summary)
        m_preferences.validate();
    if (account) {
        std::optional<QString> key;
        if (m_services.keyProvider) {
            QCoro::Task<std::optional<QString>> lookup = m_services.keyProvider(*account);
            key = co_await lookup;
        }
        ensureAlive();
        // A custom server may need no key at all.
        if ((!key || key->isEmpty()) && !m_configuration.usesCustomServer(m_summary)) {
            const QString title = m_summary ? m_configuration.summaryTitle() : m_configuration.asrTitle();
            throw AppFailure(QStringLiteral("请先在模型 API 设置中保存密钥。"), {}, title);
        }
        m_key = key.value_or(QString());
    }
    m_working.status = m_summary ? QStringLiteral("summarizing") : QStringLiteral("transcribing");
    co_await save();
    if (m_summary)
        co_await summarize();
    else
        co_await transcribe();
}

QCoro::Task<> WorkspaceJob::save()
{
    // Arguments are copied before the await: g++ 12 mishandles temporaries inside co_await.
    // What another program changed meanwhile (a star, a title) comes back merged in and is kept.
    QCoro::Task<Recording> saving = m_library->save(m_saved, m_working);
    Recording stored = co_await saving;
    ensureAlive();
    m_saved = stored;
    m_working = std::move(stored);
    Workspace &ws = workspace();
    ws.replaceRecord(m_saved);
    ws.filter();
}

void WorkspaceJob::complete()
{
    Workspace &ws = workspace();
    ws.replaceRecord(m_saved);
    ws.filter();
    ws.setProgress(1);
    ws.setProgressText(L(QStringLiteral("已完成")));
    QString message = m_summary ? L(QStringLiteral("纪要已整理好。"))
                                : L(QStringLiteral("声音已变成文字，可以开始整理纪要了。"));
    if (m_silentChunks > 0)
        message += QLatin1Char(' ')
            + JobMessages::localized(QStringLiteral("其中 %d 个片段没有语音，没有生成文字。"),
                                     {QString::number(m_silentChunks)});
    ws.setNotice(withLoopNotice(message));
}

QString WorkspaceJob::withLoopNotice(const QString &message) const
{
    if (m_loopsCut.isEmpty())
        return message;
    const QString loops = JobMessages::localized(QStringLiteral("%@ 处的转写反复重复同一句话，重复部分只保留了一遍。"),
                                                 {m_loopsCut.join(L(QStringLiteral("、")))});
    return message.isEmpty() ? loops : message + QLatin1Char(' ') + loops;
}

QCoro::Task<> WorkspaceJob::fail(std::exception_ptr error)
{
    const bool cancelled = m_state->stop.stop_requested();
    if (!m_claim) {
        // Nothing was started: the note, and whatever job holds it, are left as they are.
        if (!cancelled)
            workspace().setError(describeError(error));
        co_return;
    }
    m_working = m_saved;
    m_working.status = QStringLiteral("paused");
    std::exception_ptr saveFailure;
    // Only the status is this save's change: after a conflict with another program, what that
    // program wrote stays as it is.
    try {
        QCoro::Task<Recording> saving = m_library->save(m_saved, m_working);
        m_working = co_await saving;
    } catch (...) {
        saveFailure = std::current_exception();
    }
    ensureAlive();
    Workspace &ws = workspace();
    if (!saveFailure) {
        m_saved = m_working;
        ws.replaceRecord(m_saved);
        ws.filter();
    }
    ws.afterFailedWrite(saveFailure ? saveFailure : error);
    if (cancelled) {
        ws.setNotice(withLoopNotice(runsLocally()
                                        ? L(QStringLiteral("已停止本机任务，原有结果已保留。"))
                                        : L(QStringLiteral("已停止；完成的内容已保留。正在处理的请求仍可能由供应商计费。"))));
        if (saveFailure)
            ws.setError(JobMessages::localized(QStringLiteral("进度保存失败：%@"), {describeError(saveFailure)}));
    } else {
        ws.setError(describeError(error));
        if (!m_loopsCut.isEmpty())
            ws.setNotice(withLoopNotice({}));
    }
    ws.setProgressText(L(QStringLiteral("已暂停")));
}

void WorkspaceJob::end()
{
    if (!m_workspace)
        return;
    Workspace &ws = *m_workspace;
    QObject::disconnect(m_state->workspaceGone);
    if (ws.m_job == m_state)
        ws.m_job.reset();
    ws.setJobID(std::nullopt);
}

Workspace &WorkspaceJob::workspace()
{
    ensureAlive();
    return *m_workspace;
}

void WorkspaceJob::ensureAlive() const
{
    if (!m_workspace)
        throw WorkspaceGone();
}

bool WorkspaceJob::runsLocally() const
{
    return m_summary ? m_configuration.summaryService == QLatin1String("ollama")
                     : m_configuration.asrService == QLatin1String("whisper");
}

// --- transcription ------------------------------------------------------------------------------

QCoro::Task<> WorkspaceJob::transcribe()
{
    if (!m_working.audioURL)
        throw AppFailure(QStringLiteral("没有找到原始音频。"));
    const qint64 first = std::clamp<qint64>(m_working.completedChunks.value_or(0), 0, m_chunks);
    if (first == m_chunks) {
        m_working.status = QStringLiteral("transcribed");
        co_await save();
        co_return;
    }
    // The spoken language: the setting, or when it is "auto" the language found in this note's
    // first chunk with speech, kept in the note so resumed jobs use it too.
    const bool detect = m_configuration.spokenLanguage == SpokenLanguages::automatic;
    auto chunkLanguage = [this, detect] {
        if (!detect)
            return m_configuration.spokenLanguage;
        const QString found = m_working.spokenLanguage.value_or(SpokenLanguages::automatic);
        return SpokenLanguages::isKnown(found) ? found : SpokenLanguages::automatic;
    };
    const QString audio = *m_working.audioURL;
    const double duration = m_working.duration;
    const std::stop_token stop = m_state->stop.get_token();
    // A note recorded here skips the minutes in which nothing was heard and, from both sources,
    // names its speakers by which source was louder.
    const QString levelsFile = QFileInfo(audio).absolutePath() + QStringLiteral("/levels.tsv");
    QCoro::Task<SourceSpeakers::Levels> readingLevels =
        runInBackground([levelsFile] { return SourceSpeakers::read(levelsFile); });
    const SourceSpeakers::Levels levels = co_await readingLevels;
    ensureAlive();
    for (qint64 i = first; i < m_chunks; ++i) {
        JobMessages::checkStop(stop);
        const double start = chunkSeconds * double(i);
        Workspace &ws = workspace();
        ws.setProgressText(JobMessages::localized(QStringLiteral("转写 %d / %d · 已保存 %@"),
                                                  {QString::number(i + 1), QString::number(m_chunks), timeLabel(start)}));
        ws.setProgress(double(i) / double(m_chunks));

        const double length = std::min(chunkSeconds, duration - start);
        if (SourceSpeakers::silent(levels, start, start + length)) {
            m_working.completedChunks = i + 1;
            co_await save();
            continue;
        }
        QCoro::Task<QByteArray> decoding =
            runInBackground([audio, start, length, stop] { return AudioChunk::wav(audio, start, length, stop); });
        QByteArray wav = co_await decoding;
        ensureAlive();
        JobMessages::checkStop(stop);
        ModelConfiguration configuration = m_configuration;
        configuration.spokenLanguage = chunkLanguage();
        QCoro::Task<ChunkTranscript> transcribing =
            JobEngines::transcribe(m_services, configuration, m_key, std::move(wav), stop);
        ChunkTranscript transcript = co_await transcribing;
        ensureAlive();
        // A text that arrives after a stop request is discarded.
        JobMessages::checkStop(stop);

        // One script, and no loop: the local engine has already retried a looping chunk; whatever
        // still loops is cut down here, for every engine, and reported. Off the main thread, as a
        // long answer takes a while.
        const QString language = m_language;
        auto tidy = [transcript = std::move(transcript), language]() mutable {
            ChunkTranscript tidied = ChunkSegments::inScript(std::move(transcript), language);
            const bool loops = RepeatGuard::loops(tidied);
            return std::make_pair(loops ? RepeatGuard::collapse(std::move(tidied)) : std::move(tidied), loops);
        };
        QCoro::Task<std::pair<ChunkTranscript, bool>> tidying = runInBackground(std::move(tidy));
        const std::pair<ChunkTranscript, bool> tidied = co_await tidying;
        const bool looped = tidied.second;
        ensureAlive();
        JobMessages::checkStop(stop);
        const double end = std::min(chunkSeconds * double(i + 1), duration);
        // A chunk without speech adds no segment but is finished all the same: silence must not
        // hold the job on this chunk for ever.
        std::vector<Segment> placed = ChunkSegments::place(tidied.first, start, end);
        if (placed.empty())
            ++m_silentChunks;
        else if (detect && chunkLanguage() == SpokenLanguages::automatic && tidied.first.language
                 && SpokenLanguages::isKnown(*tidied.first.language))
            m_working.spokenLanguage = tidied.first.language;
        SourceSpeakers::label(placed, levels);
        for (Segment &segment : placed)
            m_working.segments.push_back(std::move(segment));
        m_working.completedChunks = i + 1;
        co_await save();
        if (looped)
            m_loopsCut << timeLabel(start);
    }
    m_working.status = QStringLiteral("transcribed");
    co_await save();
}

// --- summary ------------------------------------------------------------------------------------

QCoro::Task<> WorkspaceJob::summarize()
{
    const std::stop_token stop = m_state->stop.get_token();
    const QString transcript = TranscriptParts::render(m_working.segments);
    const SummarySizes sizes = runsLocally() ? SummarySizes::local() : SummarySizes::cloud();
    JobServices services = m_services;
    ModelConfiguration configuration = m_configuration;
    SummaryPreferences preferences = m_preferences;
    QString key = m_key;
    SummaryStage::Request request = [services, configuration, preferences, key, stop](QString text, bool merging) {
        return JobEngines::summarize(services, configuration, preferences, key, std::move(text), merging, stop);
    };
    QPointer<Workspace> target = m_workspace;
    SummaryStage::Observer observer;
    observer.progressText = [target](const QString &text) {
        if (target)
            target->setProgressText(text);
    };
    observer.progress = [target](double value) {
        if (target)
            target->setProgress(value);
    };
    QCoro::Task<QString> stage = SummaryStage::run(transcript, sizes, std::move(request), std::move(observer), stop);
    const QString summary = co_await stage;
    ensureAlive();
    JobMessages::checkStop(stop);

    m_working.summaryTemplate = m_preferences.templateID;
    m_working.summaryTemplateName = m_preferences.effectiveTemplate().name;
    m_working.summaryTemplateVersion = 1;
    m_working.summary = summary;
    m_working.summaryStale = false;
    m_working.status = QStringLiteral("done");
    co_await save();
}
