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
// can misbehave the ways a real hub or network does.
class FakeModelHub final {
public:
    enum class Behaviour {
        Serve,         // 200 with the whole file
        NotFound,      // 404
        ServerError,   // 500 with a body that looks like a file
        Redirect,      // 302 to "/store/<name>", which serves the file
        CloseMidBody,  // declares the full length, sends half, then closes
        StallMidBody,  // sends the first 64 KiB and then nothing until the hub is destroyed
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
    Behaviour m_behaviour = Behaviour::Serve;
    std::atomic<std::size_t> m_requests{0};
    std::atomic<int> m_stalled{0};
    std::atomic<bool> m_stopping{false};
};

} // namespace TestSupport
