#pragma once

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace TestSupport {

// A stand-in for the public model hub on 127.0.0.1: it serves model files under "/models/" and
// can misbehave the ways a real hub or network does. Like the real hub it answers a range request
// with 206 and that range (unless told to ignore ranges). It also answers as an HTTP proxy would,
// to requests naming a whole address ("GET http://host/models/...").
class FakeModelHub final {
public:
    enum class Behaviour {
        Serve,         // 200 with the whole file
        NotFound,      // 404
        ServerError,   // 500 with a body that looks like a file
        Redirect,      // 302 to "/store/<name>", which serves the file
        CloseMidBody,  // declares the full length, sends half, then closes
        StallMidBody,  // sends the first 64 KiB and then nothing until the hub is destroyed
        IgnoreRange,   // 200 with the whole file even when a range was asked for
    };

    FakeModelHub();
    ~FakeModelHub();
    FakeModelHub(const FakeModelHub &) = delete;
    FakeModelHub &operator=(const FakeModelHub &) = delete;

    // The hub address a model store is given: "http://127.0.0.1:<port>/models/".
    QUrl hub() const;
    void setFile(const std::string &name, const QByteArray &body);
    void setBehaviour(Behaviour behaviour);
    std::size_t requestCount() const { return m_requests; }
    // The Range header and the request target of the last request for a model file.
    std::string lastRange() const;
    std::string lastTarget() const;
    // True while a StallMidBody answer is holding its connection open.
    bool stalled() const { return m_stalled > 0; }

private:
    void install();

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::string m_name;
    std::string m_body;
    std::string m_lastRange;
    std::string m_lastTarget;
    Behaviour m_behaviour = Behaviour::Serve;
    std::atomic<std::size_t> m_requests{0};
    std::atomic<int> m_stalled{0};
    std::atomic<bool> m_stopping{false};
};

} // namespace TestSupport
