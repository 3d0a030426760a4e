#include "services/WhisperModelsTransfer.h"

#include "platform/Errors.h"
#include "platform/NetworkProxy.h"

#include <QCoroNetworkReply>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>

#include <memory>

namespace {

const QString downloadFailed = QStringLiteral("模型下载失败，请稍后重试。");
const QString downloadTimedOut = QStringLiteral("模型下载超时，请稍后重试。");
const QString incompleteModel = QStringLiteral("模型未安装或不完整，请下载后重试。");

struct LaterDeleter {
    void operator()(QObject *object) const { object->deleteLater(); }
};

// What the hub's answer means for the file, and what went wrong while the body streamed in; the
// reply's own error says nothing about these.
struct TransferState {
    enum class Answer { Undecided, Accepted, Restart };
    qint64 offset = 0;   // the file's length when the request went out
    qint64 received = 0; // the file's length now
    Answer answer = Answer::Undecided;
    QElapsedTimer sinceReport; // progress goes out a few times a second, not once per packet
    bool timedOut = false;
    bool wrongFile = false; // longer or shorter than the model: some other file
    bool cutShort = false; // the connection ended before the length the answer announced
    QString writeError;
};

// "bytes <first>-<last>/<total or *>" naming exactly the rest of the file.
bool namesTheRest(const QByteArray &contentRange, qint64 offset, qint64 expectedSize)
{
    static const QRegularExpression form(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+|\\*)$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(contentRange.trimmed()));
    if (!match.hasMatch())
        return false;
    const QString total = match.captured(3);
    return match.captured(1).toLongLong() == offset && match.captured(2).toLongLong() == expectedSize - 1
        && (total == QLatin1String("*") || total.toLongLong() == expectedSize);
}

// Decides, on the first answer that carries the file, where its bytes go: 200 is the whole file
// (what was there is dropped), 206 with the asked-for range continues it. Anything else writes
// nothing: an error page, a redirect on its way, or a range the file cannot use (then the caller
// asks again from 0).
bool accept(QNetworkReply &reply, QFile &file, qint64 expectedSize, TransferState &state)
{
    if (state.answer != TransferState::Answer::Undecided)
        return state.answer == TransferState::Answer::Accepted;
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ranged = state.offset > 0;
    if (status == 200 || (status == 206 && ranged && namesTheRest(reply.rawHeader("Content-Range"), state.offset, expectedSize))) {
        state.received = status == 200 ? 0 : state.offset;
        if ((status == 200 && !file.resize(0)) || !file.seek(state.received)) {
            state.writeError = file.errorString();
            reply.abort();
            return false;
        }
        state.answer = TransferState::Answer::Accepted;
        return true;
    }
    if (ranged && (status == 206 || status == 416)) {
        state.answer = TransferState::Answer::Restart;
        reply.abort();
    }
    return false;
}

void drain(QNetworkReply &reply, QFile &file, qint64 expectedSize, TransferState &state,
           const std::function<void(qint64)> &progress)
{
    if (!reply.isOpen())
        return; // aborted: nothing more to read
    const QByteArray chunk = reply.readAll();
    if (!state.writeError.isEmpty() || state.wrongFile)
        return;
    if (!accept(reply, file, expectedSize, state))
        return;
    if (chunk.isEmpty())
        return;
    if (state.received + chunk.size() > expectedSize) {
        state.wrongFile = true; // not the model we asked for: stop filling the disk
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

QNetworkRequest makeRequest(const QUrl &url, qint64 offset, std::chrono::milliseconds idleLimit)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Progress counts bytes of the file itself, and a range names bytes of the file: ask for it unencoded.
    request.setRawHeader("Accept-Encoding", "identity");
    if (offset > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(offset) + '-');
    request.setTransferTimeout(int(idleLimit.count()));
    return request;
}

// True when the file now holds the whole answer; false when the hub would not continue the file.
bool checkOutcome(const QNetworkReply &reply, const TransferState &state, const std::stop_token &stop)
{
    if (stop.stop_requested())
        throw Cancelled();
    if (!state.writeError.isEmpty())
        throw SystemError(state.writeError);
    if (state.wrongFile)
        throw AppFailure(incompleteModel);
    if (state.cutShort)
        throw AppFailure(downloadFailed);
    if (state.answer == TransferState::Answer::Restart)
        return false;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply.error() == QNetworkReply::OperationCanceledError || state.timedOut)
        throw AppFailure(downloadTimedOut); // the idle limit ends a reply the same way as abort()
    if (status.isValid() && state.answer != TransferState::Answer::Accepted)
        throw AppFailure(downloadFailed);
    if (reply.error() != QNetworkReply::NoError)
        throw SystemError(reply.errorString(), int(reply.error()));
    if (!status.isValid())
        throw AppFailure(downloadFailed);
    return true;
}

} // namespace

namespace WhisperModelsTransfer {

QCoro::Task<bool> fetch(QUrl url, int fd, qint64 offset, qint64 expectedSize, std::chrono::milliseconds idleLimit,
                        std::chrono::milliseconds wholeLimit, std::stop_token stop,
                        std::function<void(qint64)> progress)
{
    if (stop.stop_requested())
        throw Cancelled();
    QFile file;
    if (!file.open(fd, QIODevice::ReadWrite, QFileDevice::DontCloseHandle))
        throw SystemError(file.errorString(), int(file.error()));

    // A session of its own: no shared cache, cookies or connections outlive this download.
    // Both are released later: this coroutine resumes inside the reply's finished signal.
    std::unique_ptr<QNetworkAccessManager, LaterDeleter> session(new QNetworkAccessManager);
    session->setAutoDeleteReplies(false);
    NetworkProxy::useSystemSettings(*session);
    std::unique_ptr<QNetworkReply, LaterDeleter> reply(session->get(makeRequest(url, offset, idleLimit)));
    auto state = std::make_shared<TransferState>();
    state->offset = offset;
    state->received = offset;
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
    if (state->answer == TransferState::Answer::Accepted && raw->error() == QNetworkReply::NoError
        && state->received < expectedSize) {
        // Qt may report a connection that dropped early as a normal end: the announced length tells.
        bool known = false;
        const qint64 announced = raw->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        const qint64 start = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 206 ? state->offset : 0;
        if (known && state->received - start < announced)
            state->cutShort = true;
        else
            state->wrongFile = true; // the whole answer is shorter than the model: some other file
    }
    if (state->wrongFile)
        file.resize(0); // some other file: none of it is worth continuing
    file.close();
    const bool complete = checkOutcome(*raw, *state, stop);
    if (progress && complete)
        progress(state->received);
    co_return complete;
}

} // namespace WhisperModelsTransfer
