#include "support/FakeModelHub.h"

#include <algorithm>
#include <regex>

namespace TestSupport {

void FakeModelHub::setFile(const std::string &name, const QByteArray &body)
{
    std::lock_guard lock(m_fileMutex);
    m_name = name;
    m_body = body.toStdString();
}

void FakeModelHub::setBehaviour(Behaviour behaviour)
{
    std::lock_guard lock(m_fileMutex);
    m_behaviour = behaviour;
}

std::string FakeModelHub::lastRange() const
{
    const auto last = lastRequest();
    return last ? last->header("Range") : std::string();
}

std::string FakeModelHub::lastTarget() const
{
    const auto last = lastRequest();
    return last ? last->path : std::string();
}

std::optional<CannedResponse> FakeModelHub::answerFor(const RecordedRequest &request)
{
    std::lock_guard lock(m_fileMutex);
    const CannedResponse notFound = CannedResponse::raw("Entry not found", 404, "text/plain");
    if (request.path == "/store/" + m_name)
        return CannedResponse::raw(m_body, 200, "application/octet-stream");
    static const std::regex model("(?:http://[^/]+)?/models/(.*)");
    std::smatch match;
    if (!std::regex_match(request.path, match, model) || match[1] != m_name)
        return notFound;
    const std::size_t size = m_body.size();
    CannedResponse answer = CannedResponse::raw(m_body, 200, "application/octet-stream");
    switch (m_behaviour) {
    case Behaviour::Serve: // the server cuts out a requested range itself
        return answer;
    case Behaviour::NotFound:
        return notFound;
    case Behaviour::ServerError:
        answer.status = 500;
        return answer;
    case Behaviour::Redirect:
        return CannedResponse::redirect(302, "/store/" + m_name);
    case Behaviour::CloseMidBody:
    case Behaviour::StallMidBody: {
        const bool stall = m_behaviour == Behaviour::StallMidBody;
        answer.delivery = stall ? CannedResponse::Delivery::StallMidBody : CannedResponse::Delivery::CloseMidBody;
        answer.sentBeforeFault = stall ? std::min<std::size_t>(64 * 1024, size) : size / 2;
        return answer;
    }
    case Behaviour::IgnoreRange:
        answer.delivery = CannedResponse::Delivery::Chunked;
        return answer;
    }
    return notFound;
}

} // namespace TestSupport
