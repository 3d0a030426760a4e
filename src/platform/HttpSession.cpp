#include "platform/HttpSession.h"

#include "platform/Localization.h"
#include "platform/NetworkProxy.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <coroutine>
#include <memory>
#include <optional>

namespace {

// Qt reads ahead of us at most this much, so what a reply holds stays small next to our own limit.
constexpr qint64 kReadAhead = 64 * 1024;

struct DeleteLater {
    void operator()(QObject *object) const
    {
        if (object)
            object->deleteLater();
    }
};

// Qt reports HTTP error statuses as reply errors too; only these mean the transfer itself failed.
bool isTransportError(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code > 0 && code < 200) || error == QNetworkReply::ProtocolUnknownError
        || error == QNetworkReply::ProtocolFailure;
}

// One request in flight. It follows the reply's signals, enforces the time limits and the body
// limit, and resumes the awaiting coroutine once, always from the event loop, never from inside
// one of the reply's own signals or a stop request.
class Transfer final {
public:
    enum class Outcome { Running, Finished, TimedOut, Cancelled, Failed };

    Transfer(QNetworkReply *reply, std::chrono::milliseconds idle, std::chrono::milliseconds whole,
             HttpSession::HeadCheck check, qint64 limit)
        : m_reply(reply), m_check(std::move(check)), m_limit(limit)
    {
        m_reply->setReadBufferSize(kReadAhead);
        m_idle.setSingleShot(true);
        m_idle.setInterval(idle);
        m_whole.setSingleShot(true);
        m_whole.setInterval(whole);
        QObject::connect(&m_idle, &QTimer::timeout, &m_context, [this] { end(Outcome::TimedOut); });
        QObject::connect(&m_whole, &QTimer::timeout, &m_context, [this] { end(Outcome::TimedOut); });
        QObject::connect(m_reply.get(), &QNetworkReply::metaDataChanged, &m_context, [this] { onHead(); });
        QObject::connect(m_reply.get(), &QNetworkReply::readyRead, &m_context, [this] { onBody(); });
        QObject::connect(m_reply.get(), &QNetworkReply::downloadProgress, &m_context, [this] { m_idle.start(); });
        QObject::connect(m_reply.get(), &QNetworkReply::uploadProgress, &m_context, [this] { m_idle.start(); });
        QObject::connect(m_reply.get(), &QNetworkReply::finished, &m_context, [this] { onFinished(); });
        m_idle.start();
        m_whole.start();
    }

    // Deleting the reply (deleteLater) ends its connection; aborting here could race Qt's own
    // report of an error status.
    ~Transfer() { stopReply(false); }

    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    // Safe from any thread: the abort itself always happens on the reply's thread.
    void requestCancel()
    {
        if (QThread::currentThread() == m_context.thread())
            end(Outcome::Cancelled);
        else
            QMetaObject::invokeMethod(&m_context, [this] { end(Outcome::Cancelled); }, Qt::QueuedConnection);
    }

    auto completion()
    {
        struct Awaiter {
            Transfer *transfer;
            bool await_ready() const noexcept { return transfer->m_resumed; }
            void await_suspend(std::coroutine_handle<> handle) noexcept { transfer->m_waiter = handle; }
            void await_resume() const noexcept {}
        };
        return Awaiter{this};
    }

    HttpResponse takeResult()
    {
        switch (m_outcome) {
        case Outcome::Cancelled:
            throw Cancelled();
        case Outcome::TimedOut:
            throw HttpTransportError(L(QStringLiteral("请求超时，服务没有及时响应。")),
                                     int(QNetworkReply::TimeoutError), true);
        case Outcome::Failed:
            std::rethrow_exception(m_failure);
        case Outcome::Finished:
        case Outcome::Running:
            break;
        }
        return HttpResponse{std::move(m_head), std::move(m_body)};
    }

private:
    void onHead()
    {
        if (m_headSeen || m_outcome != Outcome::Running)
            return;
        m_headSeen = true;
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        m_head.status = status.isValid() ? status.toInt() : 0;
        for (const auto &pair : m_reply->rawHeaderPairs())
            m_head.headers.append({pair.first, pair.second});
        if (!m_check)
            return;
        try {
            m_check(m_head);
        } catch (...) {
            // Qt may still be reporting this very status (a 401 is an error of its own); aborting
            // in the middle of that makes it complain. Deleting the reply, moments later, closes it.
            fail(std::current_exception(), false);
        }
    }

    void onBody()
    {
        if (m_outcome != Outcome::Running)
            return;
        onHead();
        if (m_outcome != Outcome::Running)
            return;
        // A compressed answer is inflated piece by piece: keep reading until nothing is left.
        for (qint64 available = m_reply->bytesAvailable(); available > 0; available = m_reply->bytesAvailable()) {
            if (qint64(m_body.size()) + available > m_limit) {
                fail(std::make_exception_ptr(HttpBodyTooLarge()));
                return;
            }
            const QByteArray piece = m_reply->read(available);
            if (piece.isEmpty())
                return;
            m_body.append(piece);
        }
    }

    void onFinished()
    {
        if (m_outcome != Outcome::Running)
            return;
        const QNetworkReply::NetworkError error = m_reply->error();
        const bool answered = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        if (error != QNetworkReply::NoError && (isTransportError(error) || !answered)) {
            fail(std::make_exception_ptr(HttpTransportError(m_reply->errorString(), int(error), false)));
            return;
        }
        onBody();
        if (m_outcome == Outcome::Running)
            end(Outcome::Finished);
    }

    void fail(std::exception_ptr failure, bool abortNow = true)
    {
        m_failure = std::move(failure);
        end(Outcome::Failed, abortNow);
    }

    void end(Outcome outcome, bool abortNow = true)
    {
        if (m_outcome != Outcome::Running)
            return;
        m_outcome = outcome;
        stopReply(abortNow);
        QMetaObject::invokeMethod(&m_context, [this] { resume(); }, Qt::QueuedConnection);
    }

    void stopReply(bool abortNow)
    {
        m_idle.stop();
        m_whole.stop();
        if (!m_reply)
            return;
        QObject::disconnect(m_reply.get(), nullptr, &m_context, nullptr);
        if (abortNow && m_reply->isRunning() && m_reply->error() == QNetworkReply::NoError)
            m_reply->abort();
    }

    void resume()
    {
        m_resumed = true;
        if (auto waiter = std::exchange(m_waiter, {}))
            waiter.resume();
    }

    QObject m_context; // receiver of every connection: they all die with the transfer
    std::unique_ptr<QNetworkReply, DeleteLater> m_reply;
    HttpSession::HeadCheck m_check;
    qint64 m_limit;
    QTimer m_idle;
    QTimer m_whole;
    Outcome m_outcome = Outcome::Running;
    std::exception_ptr m_failure;
    bool m_headSeen = false;
    HttpResponseHead m_head;
    QByteArray m_body;
    std::coroutine_handle<> m_waiter;
    bool m_resumed = false;
};

QNetworkRequest makeRequest(const HttpRequest &request)
{
    QNetworkRequest built(request.url);
    built.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    built.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    built.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    built.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    built.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    built.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    for (const auto &[name, value] : request.headers)
        built.setRawHeader(name, value);
    return built;
}

} // namespace

QByteArray HttpResponseHead::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

HttpSession::HttpSession(HttpSessionConfiguration configuration, QObject *parent)
    : QObject(parent), m_configuration(configuration), m_manager(new QNetworkAccessManager(this))
{
    // Nothing is remembered between requests: cookies are neither sent nor stored (per request,
    // below), there is no cache, and a server asking for credentials gets none.
    m_manager->setCache(nullptr);
    m_manager->setStrictTransportSecurityEnabled(false);
    if (m_configuration.bypassProxy)
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    else
        NetworkProxy::useSystemSettings(*m_manager);
}

HttpSession::~HttpSession() = default;

QCoro::Task<HttpResponse> HttpSession::send(HttpRequest request, std::stop_token stop, HeadCheck checkHead,
                                            qint64 bodyLimit)
{
    if (stop.stop_requested())
        throw Cancelled();
    const QNetworkRequest built = makeRequest(request);
    QNetworkReply *reply = request.body.isEmpty() && request.method == "GET"
        ? m_manager->get(built)
        : m_manager->sendCustomRequest(built, request.method, request.body);
    std::chrono::milliseconds idle = m_configuration.idleTimeout;
    if (request.timeout.count() > 0)
        idle = std::min(idle, request.timeout);
    auto transfer = std::make_unique<Transfer>(reply, idle, m_configuration.transferLimit, std::move(checkHead),
                                               bodyLimit);
    {
        Transfer *raw = transfer.get();
        std::stop_callback onStop(stop, [raw] { raw->requestCancel(); });
        co_await transfer->completion();
    }
    co_return transfer->takeResult();
}
