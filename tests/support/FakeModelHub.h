#pragma once

#include "support/FakeHttpServer.h"

#include <QByteArray>
#include <QUrl>

namespace TestSupport {

// A stand-in for the public model hub on 127.0.0.1: it serves model files under "/models/" and
// can misbehave the ways a real hub or network does. Like the real hub it answers a range request
// with 206 and that range (unless told to ignore ranges). It also answers as an HTTP proxy would,
// to requests naming a whole address ("GET http://host/models/...").
class FakeModelHub final : public FakeHttpServer {
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

    FakeModelHub() = default;
    ~FakeModelHub() override { stop(); }

    // The hub address a model store is given: "http://127.0.0.1:<port>/models/".
    QUrl hub() const { return QUrl(origin() + QStringLiteral("/models/")); }
    void setFile(const std::string &name, const QByteArray &body);
    void setBehaviour(Behaviour behaviour);
    // The Range header and the request target of the last request.
    std::string lastRange() const;
    std::string lastTarget() const;
    // True while a StallMidBody answer is holding its connection open.
    bool stalled() const { return heldCount() > 0; }

protected:
    std::optional<CannedResponse> answerFor(const RecordedRequest &request) override;

private:
    mutable std::mutex m_fileMutex;
    std::string m_name;
    std::string m_body;
    Behaviour m_behaviour = Behaviour::Serve;
};

} // namespace TestSupport
