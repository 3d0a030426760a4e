#include "platform/HttpSession.h"

#include "support/FakeHttpServer.h"
#include "support/TaskRunner.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using TestSupport::CannedResponse;
using TestSupport::FakeHttpServer;
using TestSupport::runTask;
using TestSupport::waitUntil;

namespace {

HttpSessionConfiguration shortLimits()
{
    HttpSessionConfiguration configuration;
    configuration.idleTimeout = 300ms;
    configuration.transferLimit = 20s;
    return configuration;
}

HttpRequest get(const QString &url)
{
    HttpRequest request;
    request.url = QUrl(url);
    // Streaming tests need the bytes as sent, not a gzipped whole.
    request.headers = {{"Accept-Encoding", "identity"}};
    return request;
}

template<typename T>
std::exception_ptr failureOf(QCoro::Task<T> task)
{
    try {
        runTask(std::move(task));
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

} // namespace

TEST(HttpSessionTest, SendsTheRequestAsGivenAndKeepsNothingBetweenRequests)
{
    FakeHttpServer server;
    CannedResponse first = CannedResponse::raw("first");
    first.headers.emplace_back("Set-Cookie", "session=abc");
    server.enqueue("/echo", first);
    server.enqueue("/echo", CannedResponse::raw("second", 201));
    HttpSession session;

    HttpRequest post;
    post.method = "POST";
    post.url = QUrl(server.origin() + "/echo");
    post.headers = {{"Authorization", "Bearer k"}, {"Content-Type", "application/json"}};
    post.body = R"({"a":1})";
    const HttpResponse one = runTask(session.send(post, {}));
    EXPECT_EQ(one.head.status, 200);
    EXPECT_EQ(one.body, "first");
    EXPECT_EQ(one.head.header("set-cookie"), "session=abc");

    const HttpResponse two = runTask(session.send(get(server.origin() + "/echo"), {}));
    EXPECT_EQ(two.head.status, 201);
    EXPECT_EQ(two.body, "second");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, R"({"a":1})");
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer k");
    EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
    EXPECT_EQ(requests[1].method, "GET");
    EXPECT_FALSE(requests[1].hasHeader("Cookie")); // the cookie of the first answer was not kept
    EXPECT_FALSE(requests[1].hasHeader("Content-Type"));
    EXPECT_TRUE(requests[1].body.empty());
}

TEST(HttpSessionTest, TheHeadCheckRunsBeforeTheBodyAndItsFailureIsRethrown)
{
    FakeHttpServer server;
    // The body never finishes: a check that runs only after the body would hang here.
    server.enqueue("/denied", CannedResponse::stallMidBody(std::string(100000, 'x'), 10));

    int seenStatus = 0;
    auto check = [&](const HttpResponseHead &head) {
        seenStatus = head.status;
        throw AppFailure(QStringLiteral("refused"));
    };
    HttpSessionConfiguration patient;
    patient.idleTimeout = 60s;
    HttpSession slowSession(patient);
    try {
        runTask(slowSession.send(get(server.origin() + "/denied"), {}, check));
        FAIL() << "the head check did not stop the request";
    } catch (const AppFailure &failure) {
        EXPECT_EQ(failure.message(), "refused");
    }
    EXPECT_EQ(seenStatus, 200);
}

TEST(HttpSessionTest, TheBodyLimitIsEnforcedWhileStreaming)
{
    FakeHttpServer server;
    constexpr qint64 limit = 2'097'152;
    // Far more than the limit, but only the first part arrives and then the server stalls: the
    // refusal must come from the bytes read so far, not from waiting for the end.
    server.enqueue("/stalled", CannedResponse::stallMidBody(std::string(3 * limit, 'b'), limit + 4096));
    HttpSessionConfiguration patient;
    patient.idleTimeout = 60s;
    HttpSession session(patient);

    EXPECT_THROW(runTask(session.send(get(server.origin() + "/stalled"), {})), HttpBodyTooLarge);
    // A caller may ask for a smaller limit.
    server.enqueue("/small", CannedResponse::raw("12345"));
    EXPECT_THROW(runTask(session.send(get(server.origin() + "/small"), {}, {}, 4)), HttpBodyTooLarge);
}

TEST(HttpSessionTest, SilenceBeforeOrDuringTheBodyIsATimeOut)
{
    FakeHttpServer server;
    server.enqueue("/silent", CannedResponse::neverAnswer());
    server.enqueue("/stall", CannedResponse::stallMidBody(std::string(1000, 'x'), 100));
    HttpSession session(shortLimits());

    for (const char *path : {"/silent", "/stall"}) {
        try {
            runTask(session.send(get(server.origin() + path), {}));
            FAIL() << path << " did not time out";
        } catch (const HttpTransportError &error) {
            EXPECT_TRUE(error.timedOut()) << path;
            EXPECT_FALSE(error.description().isEmpty());
        }
    }
    // A request may ask for a shorter idle limit than its session.
    HttpSessionConfiguration patient;
    patient.idleTimeout = 600s;
    HttpSession patientSession(patient);
    server.enqueue("/silent", CannedResponse::neverAnswer());
    HttpRequest quick = get(server.origin() + "/silent");
    quick.timeout = 200ms;
    try {
        runTask(patientSession.send(quick, {}));
        FAIL() << "the request's own limit was ignored";
    } catch (const HttpTransportError &error) {
        EXPECT_TRUE(error.timedOut());
    }
}

TEST(HttpSessionTest, TheWholeTransferLimitStopsATrickle)
{
    // A body arriving a few bytes at a time keeps the idle timer alive; only the overall limit ends it.
    FakeHttpServer server;
    server.enqueue("/slow", CannedResponse::stallMidBody(std::string(1000, 'x'), 10));
    HttpSessionConfiguration configuration;
    configuration.idleTimeout = 60s;
    configuration.transferLimit = 400ms;
    HttpSession session(configuration);
    try {
        runTask(session.send(get(server.origin() + "/slow"), {}));
        FAIL() << "the overall limit was ignored";
    } catch (const HttpTransportError &error) {
        EXPECT_TRUE(error.timedOut());
    }
}

TEST(HttpSessionTest, AStopEndsTheRequestFromThisThreadOrAnother)
{
    FakeHttpServer server;
    server.setStanding("/silent", CannedResponse::neverAnswer());
    HttpSession session; // default limits: only the stop can end these

    {
        std::stop_source stop;
        stop.request_stop();
        EXPECT_THROW(runTask(session.send(get(server.origin() + "/silent"), stop.get_token())), Cancelled);
        EXPECT_EQ(server.requestCount(), 0u) << "a request was sent after the stop";
    }
    {
        std::stop_source stop;
        auto task = session.send(get(server.origin() + "/silent"), stop.get_token());
        ASSERT_TRUE(waitUntil([&] { return server.requestCount() == 1; }));
        stop.request_stop();
        EXPECT_THROW(runTask(std::move(task)), Cancelled);
    }
    {
        std::stop_source stop;
        auto task = session.send(get(server.origin() + "/silent"), stop.get_token());
        ASSERT_TRUE(waitUntil([&] { return server.requestCount() == 2; }));
        std::thread other([&] { stop.request_stop(); });
        EXPECT_THROW(runTask(std::move(task)), Cancelled);
        other.join();
    }
    // The aborted connections are closed: the server's held answers see their clients gone.
    server.releaseHeld();
    EXPECT_TRUE(waitUntil([&] { return server.heldCount() == 0; }));
}
