#pragma once

#include "platform/Errors.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QUrl>
#include <QCoroTask>

#include <chrono>
#include <functional>
#include <stop_token>

class QNetworkAccessManager;

// How a session treats every request it sends.
struct HttpSessionConfiguration {
    // A request that receives nothing for this long fails as timed out (a request may ask for less).
    std::chrono::milliseconds idleTimeout{180'000};
    // A whole transfer, from sending to the last body byte, may not take longer than this.
    std::chrono::milliseconds transferLimit{240'000};
    // Connect directly even when the system names a proxy (the local Ollama server).
    bool bypassProxy = false;

    bool operator==(const HttpSessionConfiguration &) const = default;
};

struct HttpRequest {
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // This request's own idle limit; the shorter of it and the session's applies. Zero: the session's.
    std::chrono::milliseconds timeout{0};
};

struct HttpResponseHead {
    // 0 when the answer was not an HTTP response.
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;

    // The first header of that name (case-insensitive), or empty.
    QByteArray header(const QByteArray &name) const;
};

struct HttpResponse {
    HttpResponseHead head;
    QByteArray body;
};

// The transfer failed below HTTP: no connection, a dropped connection, or a time-out.
class HttpTransportError : public SystemError {
public:
    HttpTransportError(QString description, int code, bool timedOut)
        : SystemError(std::move(description), code), m_timedOut(timedOut) {}
    bool timedOut() const { return m_timedOut; }

private:
    bool m_timedOut;
};

// The body would have passed the caller's limit; reading stopped before the excess was kept.
class HttpBodyTooLarge : public std::exception {
public:
    const char *what() const noexcept override { return "response body too large"; }
};

// The one HTTP client of the program. It keeps nothing between requests: no cookies, no cache, no
// stored credentials. Redirects are never followed (a 3xx comes back as the answer). Every body is
// read while it streams in and refused as soon as it would pass the caller's limit, so a hostile
// server cannot make us hold more. Use it on the thread that created it, and keep it alive until
// its requests end (the clients hold it by shared_ptr across each request); a stop may come from
// any thread.
class HttpSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpSession)
public:
    static constexpr qint64 kDefaultBodyLimit = 2'097'152;

    // Runs on the response head before any body byte is read; whatever it throws ends the request
    // and is rethrown to the caller.
    using HeadCheck = std::function<void(const HttpResponseHead &)>;

    explicit HttpSession(HttpSessionConfiguration configuration = {}, QObject *parent = nullptr);
    ~HttpSession() override;

    const HttpSessionConfiguration &configuration() const { return m_configuration; }

    // Sends the request and returns the head and the whole body. Throws HttpTransportError,
    // HttpBodyTooLarge, Cancelled (the stop was requested; nothing is left running), or what
    // checkHead threw.
    QCoro::Task<HttpResponse> send(HttpRequest request, std::stop_token stop, HeadCheck checkHead = {},
                                   qint64 bodyLimit = kDefaultBodyLimit);

private:
    HttpSessionConfiguration m_configuration;
    QNetworkAccessManager *m_manager;
};
