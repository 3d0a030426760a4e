#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}

namespace TestSupport {

// One request as the fake server received it. The body is the raw bytes off the wire, also for
// multipart uploads, so tests can compare it byte for byte.
struct RecordedRequest {
    std::string method;
    std::string path;  // without the query
    std::string query; // raw, without "?"; empty when there was none
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header with that name (case-insensitive), or empty.
    std::string header(const std::string &name) const;
    bool hasHeader(const std::string &name) const;
    QByteArray bodyBytes() const { return QByteArray(body.data(), qsizetype(body.size())); }
    // The body parsed as a JSON object (empty when it is not one).
    QJsonObject json() const;
};

// What the fake server answers to one request.
struct CannedResponse {
    enum class Delivery {
        Complete,     // head and whole body
        NeverAnswer,  // accept the request and send nothing until released or stopped
        StallMidBody, // send the head and `sentBeforeFault` body bytes, then send nothing more
        CloseMidBody, // send the head and `sentBeforeFault` body bytes, then close the connection
        HeldThenComplete, // send nothing until released, then the whole answer
        Chunked,      // the whole body in chunked encoding, so a Range header is not honoured
        Trickle,      // the whole body one byte at a time, `pause` apart
    };

    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    Delivery delivery = Delivery::Complete;
    std::size_t sentBeforeFault = 0;
    std::chrono::milliseconds pause{0};

    static CannedResponse json(const QJsonValue &value, int status = 200);
    static CannedResponse raw(std::string body, int status = 200,
                              std::string contentType = "application/json");
    static CannedResponse redirect(int status, std::string location);
    static CannedResponse neverAnswer();
    // A slow server: this answer waits for releaseHeld().
    static CannedResponse heldUntilReleased(CannedResponse answer);
    static CannedResponse stallMidBody(std::string body, std::size_t sentBeforeFault);
    static CannedResponse closeMidBody(std::string body, std::size_t sentBeforeFault);
    static CannedResponse trickle(std::string body, std::chrono::milliseconds pause);
};

// A small HTTP server on 127.0.0.1 (a free port) that runs on its own threads, records every
// request and answers from canned responses. For each path, queued answers are used once each in
// order; when none is queued the path's standing answer is used; with neither it answers 404.
// Every connection serves one request, so stopping never waits on an idle keep-alive connection.
class FakeHttpServer {
public:
    FakeHttpServer();
    virtual ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer &) = delete;
    FakeHttpServer &operator=(const FakeHttpServer &) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    QString origin() const;

    // `path` is the full request path, starting with "/".
    void enqueue(const std::string &path, CannedResponse response);
    void setStanding(const std::string &path, CannedResponse response);

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requests(const std::string &path) const;
    std::size_t requestCount() const;
    std::size_t requestCount(const std::string &path) const;
    // The most recent request (to any path); absent before the first.
    std::optional<RecordedRequest> lastRequest() const;

    // Lets every answer held by NeverAnswer or StallMidBody end (its connection is closed).
    void releaseHeld();
    // Answers currently held open by NeverAnswer or StallMidBody.
    std::size_t heldCount() const;
    // The most answers ever held open at the same time: how many requests a client had in flight.
    std::size_t mostHeld() const;

protected:
    // A subclass may answer a request itself (called with the server's lock held); no answer falls
    // back to the queued and standing ones.
    virtual std::optional<CannedResponse> answerFor(const RecordedRequest &) { return std::nullopt; }
    // Stops serving; a subclass whose answerFor uses its own members calls it in its destructor.
    void stop();

private:
    void install();
    CannedResponse record(RecordedRequest request);
    void respond(const CannedResponse &answer, void *response);
    void hold(std::size_t generation);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    std::vector<RecordedRequest> m_requests;
    std::map<std::string, std::deque<CannedResponse>> m_queued;
    std::map<std::string, CannedResponse> m_standing;
    std::size_t m_releaseGeneration = 0;
    std::size_t m_held = 0;
    std::size_t m_mostHeld = 0;
    bool m_stopping = false;
};

} // namespace TestSupport
