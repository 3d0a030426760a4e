#include "RecordingModel.h"

#include "library/NativeLibrary.h"
#include "library/Recording.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "processing/QueueRunner.h"
#include "recording/LiveTranscription.h"
#include "recording/Recorder.h"
#include "services/SummaryPreferences.h"
#include "workspace/Workspace.h"

#include <QCoroSignal>
#include <QPointer>

#include <cmath>
#include <optional>

// The Workspace a recording is transcribed in, with its own store and the prompts that do not ask
// the cloud question again (it was asked once, at the start). Members go in reverse order: the
// transcription before its Workspace, the Workspace before its store and prompts.
class TranscriptionLane final : public QObject {
public:
    TranscriptionLane(const QString &root, UserPrompts &person, JobServices services)
        : library(root), prompts(person), workspace(library, prompts, std::move(services), true)
    {
        prompts.setAllowed(true);
    }

    NativeLibrary library;
    QueuePrompts prompts;
    Workspace workspace;
    std::optional<LiveTranscription> live;
};

namespace {

// Let go from the event loop: they may be let go while one of their own signals is being sent.
void releaseRecorder(Recorder *recorder)
{
    if (recorder)
        recorder->deleteLater();
}

void releaseLane(TranscriptionLane *lane)
{
    if (lane)
        lane->deleteLater();
}

Recorder::Sources recorderSources(int sources)
{
    switch (sources) {
    case 1:
        return Recorder::Sources::System;
    case 2:
        return Recorder::Sources::Both;
    default:
        return Recorder::Sources::Microphone;
    }
}

} // namespace

RecordingModel::RecordingModel(QString libraryRoot, Workspace &window, UserPrompts &person, JobServices services,
                               Notify notify, QObject *parent)
    : QObject(parent), m_root(std::move(libraryRoot)), m_window(window), m_person(person),
      m_services(std::move(services)), m_notify(std::move(notify)),
      m_library(std::make_unique<NativeLibrary>(m_root)), m_recorder(nullptr, releaseRecorder),
      m_lane(nullptr, releaseLane)
{
    connect(&window, &Workspace::loadingChanged, this, &RecordingModel::canStartChanged);
    connect(&window, &Workspace::isManagedChanged, this, &RecordingModel::canStartChanged);
    connect(this, &RecordingModel::phaseChanged, this, &RecordingModel::canStartChanged);
    connect(this, &RecordingModel::phaseChanged, this, &RecordingModel::statusChanged);
}

RecordingModel::~RecordingModel()
{
    // Now, not from the event loop: the program may be past its last turn. The recorder's own
    // destructor stops it and saves its note.
    if (m_lane && m_lane->workspace.jobID())
        m_lane->workspace.stopJob();
    delete m_lane.release();
    delete m_recorder.release();
}

void RecordingModel::setSources(int sources)
{
    sources = std::clamp(sources, 0, 2);
    if (sources == m_sources || active())
        return;
    m_sources = sources;
    Q_EMIT choiceChanged();
}

void RecordingModel::setTranscribe(bool transcribe)
{
    if (transcribe == m_transcribe || active())
        return;
    m_transcribe = transcribe;
    Q_EMIT choiceChanged();
}

QString RecordingModel::phase() const
{
    switch (m_phase) {
    case Phase::Idle:
        return QStringLiteral("idle");
    case Phase::Starting:
        return QStringLiteral("starting");
    case Phase::Recording:
        return QStringLiteral("recording");
    case Phase::Paused:
        return QStringLiteral("paused");
    case Phase::Finishing:
        return QStringLiteral("finishing");
    }
    return {};
}

bool RecordingModel::active() const
{
    return m_phase == Phase::Starting || m_phase == Phase::Recording || m_phase == Phase::Paused;
}

bool RecordingModel::canStart() const
{
    return m_phase == Phase::Idle && m_window.isManaged() && !m_window.loading();
}

QString RecordingModel::waitReason() const
{
    if (m_phase != Phase::Idle)
        return L(QStringLiteral("正在录音。"));
    if (m_window.loading())
        return L(QStringLiteral("正在读取…"));
    if (!m_window.isManaged())
        return L(QStringLiteral("录音保存在我的资料库中；请先回到我的资料库。"));
    return {};
}

double RecordingModel::elapsed() const
{
    return m_recorder ? m_recorder->elapsed() : m_sampleSeconds;
}

QString RecordingModel::elapsedText() const
{
    return timeLabel(elapsed());
}

double RecordingModel::meterOf(double level)
{
    if (!(level > 0))
        return 0;
    const double decibels = 20 * std::log10(level);
    return std::clamp((decibels + 60) / 60, 0.0, 1.0);
}

double RecordingModel::microphoneLevel() const
{
    return meterOf(m_recorder ? m_recorder->microphoneLevel() : m_sampleMicrophone);
}

double RecordingModel::systemLevel() const
{
    return meterOf(m_recorder ? m_recorder->systemLevel() : m_sampleSystem);
}

QString RecordingModel::statusText() const
{
    switch (m_phase) {
    case Phase::Idle:
        return {};
    case Phase::Starting:
        return L(QStringLiteral("正在开始录音…"));
    case Phase::Recording:
        return L(QStringLiteral("录音中 %@")).replace(QStringLiteral("%@"), elapsedText());
    case Phase::Paused:
        return L(QStringLiteral("录音已暂停 %@")).replace(QStringLiteral("%@"), elapsedText());
    case Phase::Finishing:
        return m_lane ? L(QStringLiteral("正在转写剩余部分…")) : L(QStringLiteral("正在保存录音…"));
    }
    return {};
}

QString RecordingModel::windowTitle() const
{
    const QString status = statusText();
    return status.isEmpty() ? QStringLiteral("Hushnote") : status + QStringLiteral(" — Hushnote");
}

void RecordingModel::setPhase(Phase phase)
{
    if (phase == m_phase)
        return;
    m_phase = phase;
    Q_EMIT phaseChanged();
}

void RecordingModel::start()
{
    if (!canStart())
        return;
    m_quitting = false;
    m_remindedHours = 0;
    run();
}

void RecordingModel::pause()
{
    if (m_recorder && m_phase == Phase::Recording)
        m_recorder->pause();
}

void RecordingModel::resume()
{
    if (m_recorder && m_phase == Phase::Paused)
        m_recorder->resume();
}

void RecordingModel::stop()
{
    if (m_recorder)
        m_recorder->stop();
}

void RecordingModel::stopForQuit()
{
    m_quitting = true;
    stop();
    if (m_lane && m_lane->live)
        m_lane->live->stop();
}

QCoro::Task<> RecordingModel::whenIdle()
{
    QPointer<RecordingModel> self(this);
    while (self && busy())
        co_await qCoro(this, &RecordingModel::phaseChanged);
}

void RecordingModel::remindAt(double seconds)
{
    const int hours = int(std::floor(seconds / 3600));
    if (hours < 1 || hours <= m_remindedHours)
        return;
    m_remindedHours = hours;
    if (m_notify)
        m_notify(L(QStringLiteral("仍在录音")), L(QStringLiteral("这段录音已持续 %d 小时。不再需要时，请停止录音。"))
                                                   .replace(QStringLiteral("%d"), QString::number(hours)));
}

void RecordingModel::showSample(double seconds, double microphone, double system)
{
    m_sampleSeconds = seconds;
    m_sampleMicrophone = microphone;
    m_sampleSystem = system;
    setPhase(Phase::Recording);
    Q_EMIT elapsedChanged();
    Q_EMIT levelsChanged();
    Q_EMIT statusChanged();
}

void RecordingModel::report(const std::optional<QString> &notice, const std::optional<QString> &error)
{
    if (error)
        m_window.setError(error);
    else if (notice)
        m_window.setNotice(notice);
}

QCoro::Task<> RecordingModel::run()
{
    QPointer<RecordingModel> self(this);
    setPhase(Phase::Starting);
    if (m_transcribe) {
        // Asked once for the whole recording; its minutes then go without asking again.
        QCoro::Task<bool> answer = QueueRunner::askConsent(&m_person, m_services.configurationProvider(), 1, false);
        const bool allowed = co_await std::move(answer);
        if (!self)
            co_return;
        if (!allowed) {
            setPhase(Phase::Idle);
            co_return;
        }
        m_lane.reset(new TranscriptionLane(m_root, m_person, m_services));
    }
    m_recorder.reset(new Recorder(*m_library));
    connect(m_recorder.get(), &Recorder::elapsedChanged, this, [this] {
        Q_EMIT elapsedChanged();
        Q_EMIT statusChanged();
        remindAt(elapsed());
    });
    connect(m_recorder.get(), &Recorder::levelsChanged, this, &RecordingModel::levelsChanged);
    connect(m_recorder.get(), &Recorder::stateChanged, this, [this, recorder = m_recorder.get()] {
        switch (recorder->state()) {
        case Recorder::State::Recording:
            setPhase(Phase::Recording);
            break;
        case Recorder::State::Paused:
            setPhase(Phase::Paused);
            break;
        case Recorder::State::Stopping:
            setPhase(Phase::Finishing);
            break;
        default:
            break;
        }
    });
    Recorder::Options options;
    options.sources = recorderSources(m_sources);
    std::optional<Recording> started;
    try {
        started = co_await m_recorder->start(options);
    } catch (...) {
        if (!self)
            co_return;
        report(std::nullopt, describeCurrentError());
    }
    if (!self)
        co_return;
    if (!started) {
        releaseParts();
        setPhase(Phase::Idle);
        co_return;
    }
    if (m_quitting)
        m_recorder->stop();
    co_await finish(*started);
}

void RecordingModel::releaseParts()
{
    if (m_recorder)
        disconnect(m_recorder.get(), nullptr, this, nullptr);
    m_lane.reset();
    m_recorder.reset();
    Q_EMIT elapsedChanged();
    Q_EMIT levelsChanged();
}

QCoro::Task<> RecordingModel::finish(Recording started)
{
    const QString noteID = started.id;
    QPointer<RecordingModel> self(this);
    // The note is there from the first moment: the window lists and shows it while it grows.
    co_await m_window.refresh();
    if (!self)
        co_return;
    m_window.setSelectedID(noteID);
    if (m_lane) {
        co_await m_lane->workspace.whenIdle(); // its first read of the library
        if (!self)
            co_return;
        m_lane->live.emplace(m_lane->workspace, m_root, *m_recorder, started, SummaryPreferences::load());
    }
    try {
        co_await m_recorder->whenFinished();
    } catch (...) {
        // Said by the recorder's error below.
    }
    if (!self)
        co_return;
    setPhase(Phase::Finishing);
    std::optional<QString> notice = m_recorder->notice();
    std::optional<QString> error = m_recorder->error();
    if (m_lane) {
        Workspace &lane = m_lane->workspace;
        // Quitting, what is transcribed stays and the rest waits for the processing panel.
        if (m_quitting)
            m_lane->live->stop();
        co_await m_lane->live->finish();
        if (!self)
            co_return;
        error = error ? error : lane.error() ? lane.error() : m_lane->live->error();
        notice = notice ? notice : lane.notice();
    }
    report(notice ? notice : L(QStringLiteral("已收好，保存在资料库。")), error);
    releaseParts();
    co_await m_window.refresh();
    if (!self)
        co_return;
    // Another library may have been opened meanwhile: the note is then in the home library.
    if (m_window.isManaged())
        m_window.setSelectedID(noteID);
    setPhase(Phase::Idle);
    Q_EMIT finished(noteID);
}
