#include "services/WhisperModelsTransfer.h"

#include "platform/Errors.h"

#include <QCoroNetworkReply>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace {

const QString downloadFailed = QStringLiteral("模型下载失败，请稍后重试。");
const QString downloadTimedOut = QStringLiteral("模型下载超时，请稍后重试。");
const QString incompleteModel = QStringLiteral("模型未安装或不完整，请下载后重试。");

struct LaterDeleter {
    void operator()(QObject *object) const { object->deleteLater(); }
};

// What went wrong while the body streamed in; the reply's own error says nothing about these.
struct TransferState {
    qint64 received = 0;
    QElapsedTimer sinceReport; // progress goes out a few times a second, not once per packet
    bool timedOut = false;
    bool oversized = false;
    QString writeError;
};

void drain(QNetworkReply &reply, QFile &file, qint64 expectedSize, TransferState &state,
           const std::function<void(qint64)> &progress)
{
    if (!reply.isOpen())
        return; // aborted: nothing more to read
    const QByteArray chunk = reply.readAll();
    if (!state.writeError.isEmpty() || state.oversized)
        return;
    if (reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return; // an error page is not part of any model
    if (chunk.isEmpty())
        return;
    if (state.received + chunk.size() > expectedSize) {
        state.oversized = true; // not the model we asked for: stop filling the disk
        reply.abort();
        return;
    }
    if (file.write(chunk) != chunk.size()) {
        state.writeError = file.errorString();
        reply.abort();
        return;
    }
    state.received += chunk.size();
    if (progress && (!state.sinceReport.isValid() || state.sinceReport.elapsed() >= 100)) {
        state.sinceReport.start();
        progress(state.received);
    }
}

QNetworkRequest makeRequest(const QUrl &url, std::chrono::milliseconds idleLimit)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Progress counts bytes of the file itself, so ask for it unencoded.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(int(idleLimit.count()));
    return request;
}

void checkOutcome(const QNetworkReply &reply, const TransferState &state, const std::stop_token &stop)
{
    if (stop.stop_requested())
        throw Cancelled();
    if (!state.writeError.isEmpty())
        throw SystemError(state.writeError);
    if (state.oversized)
        throw AppFailure(incompleteModel);
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply.error() == QNetworkReply::OperationCanceledError || state.timedOut)
        throw AppFailure(downloadTimedOut); // the idle limit ends a reply the same way as abort()
    if (status.isValid() && status.toInt() != 200)
        throw AppFailure(downloadFailed);
    if (reply.error() != QNetworkReply::NoError)
        throw SystemError(reply.errorString(), int(reply.error()));
    if (!status.isValid())
        throw AppFailure(downloadFailed);
}

} // namespace

namespace WhisperModelsTransfer {

QCoro::Task<> fetch(QUrl url, QString path, qint64 expectedSize, std::chrono::milliseconds idleLimit,
                    std::chrono::milliseconds wholeLimit, std::stop_token stop,
                    std::function<void(qint64)> progress)
{
    if (stop.stop_requested())
        throw Cancelled();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw SystemError(file.errorString(), int(file.error()));

    // A session of its own: no shared cache, cookies or connections outlive this download.
    // Both are released later: this coroutine resumes inside the reply's finished signal.
    std::unique_ptr<QNetworkAccessManager, LaterDeleter> session(new QNetworkAccessManager);
    session->setAutoDeleteReplies(false);
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(session->get(makeRequest(url, idleLimit)));
    auto state = std::make_shared<TransferState>();
    QNetworkReply *raw = reply.get();
    QObject::connect(raw, &QNetworkReply::readyRead, raw,
                     [raw, &file, expectedSize, state, progress] { drain(*raw, file, expectedSize, *state, progress); });

    QTimer wholeTimer;
    wholeTimer.setSingleShot(true);
    QObject::connect(&wholeTimer, &QTimer::timeout, raw, [raw, state] {
        state->timedOut = true;
        raw->abort();
    });
    wholeTimer.start(wholeLimit);

    // A stop may come from any thread; the reply is only touched on its own.
    std::stop_callback onStop(stop, [raw] {
        QMetaObject::invokeMethod(raw, [raw] { raw->abort(); }, Qt::QueuedConnection);
    });

    auto waiter = qCoro(*raw);
    if (!raw->isFinished())
        co_await waiter.waitForFinished();
    wholeTimer.stop();
    QObject::disconnect(raw, &QNetworkReply::readyRead, raw, nullptr);
    drain(*raw, file, expectedSize, *state, progress);
    if (!file.flush() && state->writeError.isEmpty())
        state->writeError = file.errorString();
    file.close();
    checkOutcome(*raw, *state, stop);
    if (progress)
        progress(state->received);
}

} // namespace WhisperModelsTransfer
