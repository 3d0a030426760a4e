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

// A session that waits idleTimeout for each byte and, when given, transferLimit for the whole answer.
HttpSessionConfiguration limits(std::chrono::milliseconds idleTimeout,
                                std::optional<std::chrono::milliseconds> transferLimit = std::nullopt)
{
    HttpSessionConfiguration configuration;
    configuration.idleTimeout = idleTimeout;
    if (transferLimit)
        configuration.transferLimit = *transferLimit;
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

// The request must end in a transport error that says it timed out.
void expectTimeOut(HttpSession &session, const HttpRequest &request)
{
    SCOPED_TRACE(request.url.path().toStdString());
    try {
        runTask(session.send(request, {}));
        ADD_FAILURE() << "no time-out";
    } catch (const HttpTransportError &error) {
        EXPECT_TRUE(error.timedOut());
        EXPECT_FALSE(error.description().isEmpty());
    }
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
    HttpSession slowSession(limits(60s));
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
    HttpSession session(limits(60s));

    EXPECT_THROW(runTask(session.send(get(server.origin() + "/stalled"), {})), HttpBodyTooLarge);
    // A caller may ask for a smaller limit.
    server.enqueue("/small", CannedResponse::raw("12345"));
    EXPECT_THROW(runTask(session.send(get(server.origin() + "/small"), {}, {}, 4)), HttpBodyTooLarge);
}

TEST(HttpSessionTest, SilenceOrATrickleIsATimeOut)
{
    FakeHttpServer server;
    server.enqueue("/stall", CannedResponse::stallMidBody(std::string(1000, 'x'), 100));
    HttpSession session(limits(300ms, 20s));
    expectTimeOut(session, get(server.origin() + "/stall"));
    // A request may ask for a shorter idle limit than its session.
    HttpSession patientSession(limits(600s));
    server.enqueue("/silent", CannedResponse::neverAnswer());
    HttpRequest quick = get(server.origin() + "/silent");
    quick.timeout = 200ms;
    expectTimeOut(patientSession, quick);

    // A body arriving a byte at a time keeps the idle timer alive: it arrives whole, though it
    // takes longer than the idle limit (150 pauses of 10 ms against 1 s)...
    server.enqueue("/slow", CannedResponse::trickle(std::string(150, 'x'), 10ms));
    HttpSession trickled(limits(1s));
    EXPECT_EQ(runTask(trickled.send(get(server.origin() + "/slow"), {})).body, QByteArray(150, 'x'));
    // ...and only the overall limit ends it.
    server.enqueue("/slower", CannedResponse::trickle(std::string(150, 'x'), 10ms));
    HttpSession limited(limits(1s, 400ms));
    expectTimeOut(limited, get(server.origin() + "/slower"));
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
