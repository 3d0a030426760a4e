#include "services/WhisperDownloadState.h"

#include "platform/Errors.h"
#include "services/ModelConfiguration.h"
#include "services/WhisperModels.h"
#include "platform/Localization.h"

WhisperDownloadState::WhisperDownloadState(WhisperModels &models, std::function<QString()> storedModelID,
                                           QObject *parent)
    : QObject(parent)
    , m_models(models)
    , m_storedModelID(std::move(storedModelID))
{
}

WhisperDownloadState::~WhisperDownloadState()
{
    *m_alive = false;
    cancel();
}

WhisperDownloadState &WhisperDownloadState::shared()
{
    static WhisperDownloadState *state = new WhisperDownloadState(
        WhisperModels::shared(), [] { return ModelConfiguration::load().localASRModel; });
    return *state;
}

QString WhisperDownloadState::selectedID()
{
    if (!m_selectedID)
        m_selectedID = m_storedModelID ? m_storedModelID() : QString();
    return *m_selectedID;
}

void WhisperDownloadState::setSelectedID(const QString &id)
{
    if (m_selectedID == id)
        return;
    m_selectedID = id;
    Q_EMIT selectedIDChanged();
}

void WhisperDownloadState::run(const QString &id, bool download)
{
    if (m_busy)
        return;
    setBusy(true);
    setReadyID(std::nullopt);
    setMessage(L(download ? QStringLiteral("正在下载并校验模型…") : QStringLiteral("正在检测模型…")));
    setDownloading(false);
    setProgress(0, 0);
    m_task.emplace();
    perform(id, download, m_task->get_token(), m_alive); // runs on; its end clears busy
}

void WhisperDownloadState::cancel()
{
    if (m_task)
        m_task->request_stop();
}

QCoro::Task<> WhisperDownloadState::perform(QString id, bool download, std::stop_token stop,
                                            std::shared_ptr<bool> alive)
{
    QString failure;
    bool ready = false;
    bool cancelled = false;
    try {
        if (download) {
            const qint64 total = m_models.model(id).size;
            setDownloading(true);
            setProgress(0, total);
            // A named std::function: a converted temporary inside co_await is destroyed twice by g++ 12.
            const WhisperModels::Progress progress = [this, alive, total](qint64 received) {
                if (*alive)
                    setProgress(received, total);
            };
            co_await m_models.download(id, stop, progress);
            if (!*alive)
                co_return;
            setDownloading(false);
        }
        co_await m_models.verifyInstalled(id, stop);
        ready = !stop.stop_requested();
        cancelled = !ready;
    } catch (const Cancelled &) {
        cancelled = true;
    } catch (...) {
        cancelled = stop.stop_requested();
        failure = describeCurrentError();
    }
    if (!*alive)
        co_return;
    if (ready) {
        setReadyID(id);
        setMessage(L(QStringLiteral("模型已就绪。")));
    } else if (cancelled) {
        setMessage(L(QStringLiteral("已取消下载或检测。")));
    } else {
        setMessage(failure, true);
    }
    setDownloading(false);
    m_task.reset();
    setBusy(false);
}

void WhisperDownloadState::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT busyChanged();
}

void WhisperDownloadState::setReadyID(std::optional<QString> id)
{
    if (m_readyID == id)
        return;
    m_readyID = std::move(id);
    Q_EMIT readyIDChanged();
}

void WhisperDownloadState::setMessage(const QString &message, bool failed)
{
    if (m_message == message && m_failed == failed)
        return;
    m_message = message;
    m_failed = failed;
    Q_EMIT messageChanged();
}

void WhisperDownloadState::setDownloading(bool downloading)
{
    if (m_downloading == downloading)
        return;
    m_downloading = downloading;
    Q_EMIT downloadingChanged();
}

void WhisperDownloadState::setProgress(qint64 received, qint64 total)
{
    if (m_totalBytes != total) {
        m_totalBytes = total;
        Q_EMIT totalBytesChanged();
    }
    if (m_receivedBytes != received) {
        m_receivedBytes = received;
        Q_EMIT receivedBytesChanged();
    }
}
