#include "recording/Recorder.h"

#include "library/RecordingClose.h"
#include "platform/Async.h"
#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/Localization.h"
#include "platform/SoundCapture.h"

#include <QCoroSignal>
#include <QDateTime>

namespace {

std::shared_ptr<SoundCapture> openSource(const QString &source, const QString &label)
{
    return std::make_shared<SoundCapture>(source, label);
}

} // namespace

Recorder::Recorder(NativeLibrary &library, QObject *parent) : QObject(parent), m_library(library) {}

Recorder::~Recorder()
{
    if (!m_thread.joinable())
        return;
    m_loop->requestStop();
    m_thread.join();
    // The outcome posted by the thread is dropped with this object; the note is closed here.
    try {
        closeNote();
    } catch (const std::exception &) {
        // Still "recording" with nobody holding it: the next home read recovers it.
    }
}

void Recorder::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

QCoro::Task<Recording> Recorder::start(Options options)
{
    if (m_state != State::Idle)
        throw AppFailure(QStringLiteral("正在录音。"));
    setState(State::Starting);
    m_notice.reset();
    m_error.reset();
    m_saved.reset();
    m_saveError = nullptr;
    try {
        const bool wantsMicrophone = options.sources != Sources::System;
        const bool wantsSystem = options.sources != Sources::Microphone;
        auto sources = co_await runInBackground([options, wantsMicrophone, wantsSystem] {
            std::pair<std::shared_ptr<SoundCapture>, std::shared_ptr<SoundCapture>> opened;
            if (wantsMicrophone)
                opened.first = openSource(options.device.isEmpty() ? SoundCapture::defaultSource() : options.device,
                                    QStringLiteral("Microphone"));
            if (wantsSystem) {
                const bool named = options.sources == Sources::System && !options.device.isEmpty();
                opened.second = openSource(named ? options.device : SoundCapture::defaultMonitor(), QStringLiteral("System"));
            }
            return opened;
        });
        // The title is the note's own text, the same in every interface language.
        const QString title =
            QStringLiteral("录音 %1").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        m_note = co_await m_library.beginRecording(title);
        const QString audio = *m_note.note.audioURL;
        const QString folder = m_library.noteFolder(m_note.note.id);
        m_loop = std::make_unique<CaptureLoop>(std::move(sources.first), std::move(sources.second), audio,
                                               folder + QStringLiteral("/levels.tsv"), options.limits);
    } catch (...) {
        setState(State::Idle);
        throw;
    }
    m_elapsed = 0;
    Q_EMIT elapsedChanged();
    // The destructor joins the thread before this object goes, and queued calls to a deleted
    // object are dropped, so the thread may post to this freely.
    m_thread = std::thread([this] {
        const CaptureLoop::Outcome outcome = m_loop->run([this](const CaptureLoop::Block &block) {
            QMetaObject::invokeMethod(this, [this, block] { onBlock(block); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(this, [this, outcome] { onEnded(outcome); }, Qt::QueuedConnection);
    });
    setState(State::Recording);
    // A copy: g++ 12 moves out of a member named in co_return.
    Recording started = m_note.note;
    co_return started;
}

void Recorder::onBlock(const CaptureLoop::Block &block)
{
    if (m_elapsed != block.seconds) {
        m_elapsed = block.seconds;
        Q_EMIT elapsedChanged();
    }
    m_microphoneLevel = block.microphone;
    m_systemLevel = block.system;
    Q_EMIT levelsChanged();
}

void Recorder::pause()
{
    if (m_state != State::Recording)
        return;
    m_loop->setPaused(true);
    setState(State::Paused);
}

void Recorder::resume()
{
    if (m_state != State::Paused)
        return;
    m_loop->setPaused(false);
    setState(State::Recording);
}

void Recorder::stop()
{
    if (m_state != State::Recording && m_state != State::Paused)
        return;
    m_loop->requestStop();
    setState(State::Stopping);
}

Recording Recorder::closeNote()
{
    Recording saved = RecordingClose::closeNow(m_library, m_note.note.id, false);
    // The lock file went while still held: a home read elsewhere finds nothing to recover.
    m_note.lock.reset();
    return saved;
}

QCoro::Task<> Recorder::onEnded(CaptureLoop::Outcome outcome)
{
    m_thread.join();
    setState(State::Stopping);
    switch (outcome.end) {
    case CaptureLoop::End::Stopped:
        break;
    case CaptureLoop::End::LengthLimit:
        m_notice = L(QStringLiteral("录音已达到 12 小时上限，已停止并保存。"));
        break;
    case CaptureLoop::End::LowDisk:
        m_notice = L(QStringLiteral("磁盘空间即将用完，录音已停止并保存。"));
        break;
    case CaptureLoop::End::Failed:
        m_error = L(QStringLiteral("录音中断，已录下的内容已保存：%@")).replace(QStringLiteral("%@"), outcome.error);
        break;
    }
    try {
        m_saved = co_await runOn(m_library.executor(), [this] { return closeNote(); });
    } catch (...) {
        m_saveError = std::current_exception();
        m_error = describeCurrentError();
    }
    m_loop.reset();
    setState(State::Idle);
    Q_EMIT finished();
}

QCoro::Task<Recording> Recorder::whenFinished()
{
    if (m_state != State::Idle)
        co_await qCoro(this, &Recorder::finished);
    if (m_saveError)
        std::rethrow_exception(m_saveError);
    if (!m_saved)
        throw AppFailure(QStringLiteral("没有正在进行的录音。"));
    Recording saved = *m_saved;
    co_return saved;
}
