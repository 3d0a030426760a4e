#include "support/FakeHttpServer.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace TestSupport {

namespace {

// httplib parses multipart bodies itself and then hides the raw bytes. The pre-routing hook moves
// the real content type aside under this name, so the body is read raw; recording puts it back.
const char *const kStashedContentType = "X-Fake-Server-Content-Type";

bool equalsIgnoringCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

RecordedRequest makeRecord(const httplib::Request &request, std::string body)
{
    RecordedRequest record;
    record.method = request.method;
    record.path = request.path;
    const auto mark = request.target.find('?');
    if (mark != std::string::npos)
        record.query = request.target.substr(mark + 1);
    const std::string stashed = request.get_header_value(kStashedContentType);
    for (const auto &[name, value] : request.headers) {
        if (equalsIgnoringCase(name, kStashedContentType))
            continue;
        if (equalsIgnoringCase(name, "Content-Type") && !stashed.empty())
            record.headers.emplace_back(name, stashed);
        else
            record.headers.emplace_back(name, value);
    }
    record.body = std::move(body);
    return record;
}

} // namespace

std::string RecordedRequest::header(const std::string &name) const
{
    for (const auto &[key, value] : headers) {
        if (equalsIgnoringCase(key, name))
            return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(const std::string &name) const
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto &entry) { return equalsIgnoringCase(entry.first, name); });
}

QJsonObject RecordedRequest::json() const
{
    return QJsonDocument::fromJson(bodyBytes()).object();
}

CannedResponse CannedResponse::json(const QJsonValue &value, int status)
{
    QJsonDocument document;
    if (value.isArray())
        document.setArray(value.toArray());
    else
        document.setObject(value.toObject());
    return raw(document.toJson(QJsonDocument::Compact).toStdString(), status);
}

CannedResponse CannedResponse::raw(std::string body, int status, std::string contentType)
{
    CannedResponse response;
    response.status = status;
    response.body = std::move(body);
    response.contentType = std::move(contentType);
    return response;
}

CannedResponse CannedResponse::redirect(int status, std::string location)
{
    CannedResponse response = raw({}, status, "text/plain");
    response.headers.emplace_back("Location", std::move(location));
    return response;
}

CannedResponse CannedResponse::neverAnswer()
{
    CannedResponse response;
    response.delivery = Delivery::NeverAnswer;
    return response;
}

CannedResponse CannedResponse::heldUntilReleased(CannedResponse answer)
{
    answer.delivery = Delivery::HeldThenComplete;
    return answer;
}

CannedResponse CannedResponse::stallMidBody(std::string body, std::size_t sentBeforeFault)
{
    CannedResponse response = raw(std::move(body));
    response.delivery = Delivery::StallMidBody;
    response.sentBeforeFault = std::min(sentBeforeFault, response.body.size());
    return response;
}

CannedResponse CannedResponse::closeMidBody(std::string body, std::size_t sentBeforeFault)
{
    CannedResponse response = raw(std::move(body));
    response.delivery = Delivery::CloseMidBody;
    response.sentBeforeFault = std::min(sentBeforeFault, response.body.size());
    return response;
}

CannedResponse CannedResponse::trickle(std::string body, std::chrono::milliseconds pause)
{
    CannedResponse response = raw(std::move(body));
    response.delivery = Delivery::Trickle;
    response.pause = pause;
    return response;
}

FakeHttpServer::FakeHttpServer()
    : m_server(std::make_unique<httplib::Server>())
{
    install();
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("the fake HTTP server could not bind a loopback port");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

FakeHttpServer::~FakeHttpServer()
{
    stop();
}

void FakeHttpServer::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_released.notify_all();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

QString FakeHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void FakeHttpServer::install()
{
    m_server->set_keep_alive_max_count(1);
    m_server->set_pre_routing_handler([](const httplib::Request &request, httplib::Response &) {
        const std::string type = request.get_header_value("Content-Type");
        if (type.rfind("multipart/", 0) == 0) {
            // The request object is the server's own mutable one; only the parameter is const.
            auto &headers = const_cast<httplib::Request &>(request).headers;
            headers.erase("Content-Type");
            headers.emplace("Content-Type", "application/octet-stream");
            headers.emplace(kStashedContentType, type);
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto withoutBody = [this](const httplib::Request &request, httplib::Response &response) {
        respond(record(makeRecord(request, {})), &response);
    };
    auto withBody = [this](const httplib::Request &request, httplib::Response &response,
                           const httplib::ContentReader &reader) {
        std::string body;
        reader([&body](const char *data, std::size_t length) {
            body.append(data, length);
            return true;
        });
        respond(record(makeRecord(request, std::move(body))), &response);
    };
    m_server->Get(".*", withoutBody);
    m_server->Delete(".*", withoutBody);
    m_server->Post(".*", withBody);
    m_server->Put(".*", withBody);
    m_server->Patch(".*", withBody);
}

CannedResponse FakeHttpServer::record(RecordedRequest request)
{
    std::lock_guard lock(m_mutex);
    const std::string path = request.path;
    m_requests.push_back(std::move(request));
    if (std::optional<CannedResponse> own = answerFor(m_requests.back()))
        return std::move(*own);
    auto queued = m_queued.find(path);
    if (queued != m_queued.end() && !queued->second.empty()) {
        CannedResponse answer = std::move(queued->second.front());
        queued->second.pop_front();
        return answer;
    }
    auto standing = m_standing.find(path);
    if (standing != m_standing.end())
        return standing->second;
    return CannedResponse::raw(R"({"error":"no canned answer for this path"})", 404);
}

void FakeHttpServer::hold(std::size_t generation)
{
    std::unique_lock lock(m_mutex);
    ++m_held;
    m_mostHeld = std::max(m_mostHeld, m_held);
    m_released.wait(lock, [&] { return m_stopping || m_releaseGeneration != generation; });
    --m_held;
}

void FakeHttpServer::respond(const CannedResponse &answer, void *target)
{
    auto &response = *static_cast<httplib::Response *>(target);
    std::size_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        generation = m_releaseGeneration;
    }
    if (answer.delivery == CannedResponse::Delivery::NeverAnswer) {
        hold(generation);
        response.status = 503;
        return;
    }
    if (answer.delivery == CannedResponse::Delivery::HeldThenComplete)
        hold(generation);
    // A plain 200 is left to the server, which makes it a 206 with the range a request asked for.
    if (answer.status != 200 || answer.delivery != CannedResponse::Delivery::Complete)
        response.status = answer.status;
    for (const auto &[name, value] : answer.headers)
        response.set_header(name, value);
    if (answer.delivery == CannedResponse::Delivery::Complete
        || answer.delivery == CannedResponse::Delivery::HeldThenComplete) {
        response.set_content(answer.body, answer.contentType);
        return;
    }
    if (answer.delivery == CannedResponse::Delivery::Chunked) {
        auto whole = std::make_shared<std::string>(answer.body);
        response.set_chunked_content_provider(answer.contentType, [whole](std::size_t offset, httplib::DataSink &sink) {
            if (offset < whole->size())
                sink.write(whole->data() + offset, whole->size() - offset);
            else
                sink.done();
            return true;
        });
        return;
    }
    if (answer.delivery == CannedResponse::Delivery::Trickle) {
        auto body = std::make_shared<std::string>(answer.body);
        response.set_content_provider(body->size(), answer.contentType,
                                      [body, pause = answer.pause](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                          std::this_thread::sleep_for(pause);
                                          return sink.write(body->data() + offset, 1);
                                      });
        return;
    }
    // A declared length longer than what is sent: the client sees a body that stops short.
    const bool stall = answer.delivery == CannedResponse::Delivery::StallMidBody;
    auto body = std::make_shared<std::string>(answer.body);
    const std::size_t sent = answer.sentBeforeFault;
    response.set_content_provider(
        body->size(), answer.contentType,
        [this, body, sent, stall, generation](std::size_t offset, std::size_t, httplib::DataSink &sink) {
            if (offset < sent) {
                sink.write(body->data() + offset, sent - offset);
                return true;
            }
            if (stall)
                hold(generation);
            return false;
        });
}

void FakeHttpServer::enqueue(const std::string &path, CannedResponse response)
{
    std::lock_guard lock(m_mutex);
    m_queued[path].push_back(std::move(response));
}

void FakeHttpServer::setStanding(const std::string &path, CannedResponse response)
{
    std::lock_guard lock(m_mutex);
    m_standing[path] = std::move(response);
}

std::vector<RecordedRequest> FakeHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<RecordedRequest> FakeHttpServer::requests(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    std::vector<RecordedRequest> matching;
    std::copy_if(m_requests.begin(), m_requests.end(), std::back_inserter(matching),
                 [&](const RecordedRequest &request) { return request.path == path; });
    return matching;
}

std::size_t FakeHttpServer::requestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

std::size_t FakeHttpServer::requestCount(const std::string &path) const
{
    std::lock_guard lock(m_mutex);
    return std::size_t(std::count_if(m_requests.begin(), m_requests.end(),
                                     [&](const RecordedRequest &request) { return request.path == path; }));
}

std::optional<RecordedRequest> FakeHttpServer::lastRequest() const
{
    std::lock_guard lock(m_mutex);
    if (m_requests.empty())
        return std::nullopt;
    return m_requests.back();
}

void FakeHttpServer::releaseHeld()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_releaseGeneration;
    }
    m_released.notify_all();
}

std::size_t FakeHttpServer::heldCount() const
{
    std::lock_guard lock(m_mutex);
    return m_held;
}

std::size_t FakeHttpServer::mostHeld() const
{
    std::lock_guard lock(m_mutex);
    return m_mostHeld;
}

} // namespace TestSupport
