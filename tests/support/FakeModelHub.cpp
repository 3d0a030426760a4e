#include "support/FakeModelHub.h"

#include <httplib.h>

#include <chrono>
#include <stdexcept>

namespace TestSupport {

namespace {
constexpr std::size_t stallAfter = 64 * 1024;
}

FakeModelHub::FakeModelHub()
    : m_server(std::make_unique<httplib::Server>())
{
    install();
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("the fake model hub could not bind a loopback port");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

FakeModelHub::~FakeModelHub()
{
    m_stopping = true;
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

QUrl FakeModelHub::hub() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/models/").arg(m_port));
}

void FakeModelHub::setFile(const std::string &name, const QByteArray &body)
{
    std::lock_guard lock(m_mutex);
    m_name = name;
    m_body = body.toStdString();
}

void FakeModelHub::setBehaviour(Behaviour behaviour)
{
    std::lock_guard lock(m_mutex);
    m_behaviour = behaviour;
}

std::string FakeModelHub::lastRange() const
{
    std::lock_guard lock(m_mutex);
    return m_lastRange;
}

std::string FakeModelHub::lastTarget() const
{
    std::lock_guard lock(m_mutex);
    return m_lastTarget;
}

void FakeModelHub::install()
{
    m_server->set_keep_alive_max_count(1);
    m_server->Get("/store/(.*)", [this](const httplib::Request &request, httplib::Response &response) {
        std::lock_guard lock(m_mutex);
        if (request.matches[1] != m_name) {
            response.status = 404;
            return;
        }
        response.set_content(m_body, "application/octet-stream");
    });
    m_server->Get("(?:http://[^/]+)?/models/(.*)", [this](const httplib::Request &request, httplib::Response &response) {
        ++m_requests;
        std::lock_guard lock(m_mutex);
        m_lastRange = request.get_header_value("Range");
        m_lastTarget = request.path;
        if (request.matches[1] != m_name || m_behaviour == Behaviour::NotFound) {
            response.status = 404;
            response.set_content("Entry not found", "text/plain");
            return;
        }
        switch (m_behaviour) {
        case Behaviour::Serve: // the server cuts out a requested range itself
            response.set_content(m_body, "application/octet-stream");
            return;
        case Behaviour::IgnoreRange: {
            response.status = 200;
            auto whole = std::make_shared<std::string>(m_body);
            response.set_chunked_content_provider("application/octet-stream",
                                                  [whole](std::size_t offset, httplib::DataSink &sink) {
                                                      if (offset < whole->size())
                                                          sink.write(whole->data() + offset, whole->size() - offset);
                                                      else
                                                          sink.done();
                                                      return true;
                                                  });
            return;
        }
        case Behaviour::ServerError:
            response.status = 500;
            response.set_content(m_body, "application/octet-stream");
            return;
        case Behaviour::Redirect:
            response.set_redirect("/store/" + m_name, 302);
            return;
        case Behaviour::CloseMidBody:
        case Behaviour::StallMidBody:
            break;
        case Behaviour::NotFound:
            return;
        }
        auto body = std::make_shared<std::string>(m_body);
        const bool stall = m_behaviour == Behaviour::StallMidBody;
        const std::size_t sent = stall ? std::min(stallAfter, body->size()) : body->size() / 2;
        response.set_content_provider(
            body->size(), "application/octet-stream",
            [this, body, sent, stall](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                if (offset < sent) {
                    sink.write(body->data() + offset, sent - offset);
                    return true;
                }
                if (stall) {
                    ++m_stalled;
                    while (!m_stopping)
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    --m_stalled;
                }
                return false; // ends the connection with the body short of its declared length
            });
    });
}

} // namespace TestSupport
