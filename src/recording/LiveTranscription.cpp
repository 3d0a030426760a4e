#include "recording/LiveTranscription.h"

#include "library/NativeLibrary.h"
#include "platform/Errors.h"
#include "recording/Recorder.h"
#include "workspace/Workspace.h"

#include <QCoroSignal>

#include <cmath>

namespace {

constexpr double chunkSeconds = 60;
// The recording syncs its audio every half second: a chunk is whole on disk this long after its end.
constexpr double syncMargin = 1.5;

} // namespace

LiveTranscription::LiveTranscription(Workspace &workspace, const QString &libraryRoot, Recorder &recorder,
                                     Recording note, SummaryPreferences preferences, QObject *parent)
    : QObject(parent), m_workspace(workspace), m_library(std::make_unique<NativeLibrary>(libraryRoot)),
      m_recorder(recorder), m_base(std::move(note)), m_preferences(std::move(preferences))
{
    connect(&recorder, &Recorder::elapsedChanged, this, &LiveTranscription::onElapsed);
    connect(&workspace, &Workspace::jobIDChanged, this, &LiveTranscription::onElapsed);
}

LiveTranscription::~LiveTranscription() = default;

void LiveTranscription::onElapsed()
{
    if (m_busy || m_finishing || m_error || m_workspace.jobID())
        return;
    const qint64 ready = qint64(std::floor((m_recorder.elapsed() - syncMargin) / chunkSeconds));
    if (ready > m_published)
        publish(ready);
}

QCoro::Task<> LiveTranscription::publish(qint64 chunks)
{
    m_busy = true;
    try {
        Recording advanced = m_base;
        advanced.duration = chunkSeconds * double(chunks);
        m_base = co_await m_library->save(m_base, advanced);
        m_published = chunks;
        co_await m_workspace.refresh();
        if (!m_finishing)
            startJob();
    } catch (...) {
        m_error = describeCurrentError();
    }
    m_busy = false;
    Q_EMIT publishEnded();
}

void LiveTranscription::startJob()
{
    m_workspace.setSelectedID(m_base.id);
    m_workspace.startJob(false, m_preferences);
}

QCoro::Task<> LiveTranscription::finish()
{
    m_finishing = true;
    while (m_busy)
        co_await qCoro(this, &LiveTranscription::publishEnded);
    if (m_workspace.jobID())
        co_await m_workspace.whenJobEnds();
    if (m_stopped)
        co_return;
    co_await m_workspace.refresh();
    startJob();
    if (m_workspace.jobID())
        co_await m_workspace.whenJobEnds();
}

void LiveTranscription::stop()
{
    m_finishing = true;
    m_stopped = true;
    m_workspace.stopJob();
}
