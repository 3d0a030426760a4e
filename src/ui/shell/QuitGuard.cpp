#include "QuitGuard.h"

#include "QueueController.h"
#include "RecordingModel.h"
#include "platform/Localization.h"
#include "services/WhisperDownloadState.h"
#include "workspace/Workspace.h"

#include <QCoroSignal>

QuitGuard::QuitGuard(QObject *parent) : QObject(parent) {}

bool QuitGuard::busy() const
{
    if (m_workspace && (m_workspace->loading() || m_workspace->jobID()))
        return true;
    if (m_queue && m_queue->running())
        return true;
    if (m_recording && m_recording->busy())
        return true;
    return m_downloads && m_downloads->busy();
}

bool QuitGuard::requestQuit()
{
    if (m_terminating)
        return false;
    if (!busy())
        return true;
    if (m_recording && m_recording->active() && !m_recordingAnswered) {
        Q_EMIT recordingQuestion();
        return false;
    }
    m_terminating = true;
    Q_EMIT changed();
    if (m_workspace && m_workspace->jobID()) {
        // The job's own stop keeps the chunks already saved; the text tells the person why the
        // window stays a moment longer.
        m_workspace->stopJob();
    }
    if (m_workspace) {
        // A read of a library is stopped too, as a job is: the window does not wait for a slow
        // folder to be read to its end. Writes finish.
        m_workspace->stopReading();
        m_workspace->setNotice(L(QStringLiteral("正在停止，保留已完成的内容…")));
    }
    if (m_downloads)
        m_downloads->cancel();
    if (m_queue)
        m_queue->stopRunning();
    if (m_recording)
        m_recording->stopForQuit();
    stopThenQuit();
    return false;
}

QCoro::Task<> QuitGuard::stopThenQuit()
{
    QPointer<QuitGuard> self(this);
    if (m_workspace)
        co_await m_workspace->whenJobEnds();
    while (self && m_downloads && m_downloads->busy())
        co_await qCoro(m_downloads.data(), &WhisperDownloadState::busyChanged);
    while (self && m_queue && m_queue->running())
        co_await qCoro(m_queue.data(), &QueueController::runningChanged);
    if (self && m_recording)
        co_await m_recording->whenIdle();
    while (self && m_workspace && m_workspace->loading())
        co_await qCoro(m_workspace.data(), &Workspace::loadingChanged);
    if (self)
        Q_EMIT quitConfirmed();
}

void QuitGuard::stopRecordingAndQuit()
{
    m_recordingAnswered = true;
    if (requestQuit())
        Q_EMIT quitConfirmed();
}
