#include "tools/nicosim/modern_live_link.h"

#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

#include <algorithm>
#include <chrono>

namespace nicosim {
namespace {

using Clock = std::chrono::steady_clock;

// Input a stream does not read is dropped past this, so that a chatty client costs nothing.
constexpr size_t kMaxUnreadInput = 256 * 1024;

const char* reasonText(int status)
{
    switch (status) {
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

int msUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kLivePollMs));
}

} // namespace

std::string LiveRequest::header(std::string_view name) const
{
    for (const auto& [key, value] : headers)
        if (key == name)
            return value;
    return {};
}

std::string LiveRequest::param(std::string_view name, bool* found) const
{
    if (found)
        *found = false;
    for (const std::string& piece : splitText(query, '&')) {
        const size_t eq = piece.find('=');
        if (percentDecode(piece.substr(0, eq), true) != name)
            continue;
        if (found)
            *found = true;
        return eq == std::string::npos ? std::string() : percentDecode(std::string_view(piece).substr(eq + 1), true);
    }
    return {};
}

bool parseLiveRequestHead(std::string_view head, LiveRequest& out)
{
    out = LiveRequest{};
    if (head.size() > kMaxLiveHeadBytes)
        return false;
    size_t lineEnd = head.find("\r\n");
    if (lineEnd == std::string_view::npos)
        return false;
    // The request line: method, target, version.
    const std::vector<std::string> parts = splitText(head.substr(0, lineEnd), ' ');
    if (parts.size() != 3 || parts[0].empty() || parts[1].empty() || parts[1][0] != '/' || parts[2] != "HTTP/1.1")
        return false;
    out.method = parts[0];
    out.target = parts[1];
    const size_t question = out.target.find('?');
    out.path = percentDecode(std::string_view(out.target).substr(0, question));
    if (question != std::string::npos)
        out.query = out.target.substr(question + 1);
    // Header lines up to the empty one.
    size_t at = lineEnd + 2;
    while (true) {
        lineEnd = head.find("\r\n", at);
        if (lineEnd == std::string_view::npos)
            return false;
        if (lineEnd == at)
            return true;
        const std::string_view line = head.substr(at, lineEnd - at);
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return false;
        out.headers.emplace_back(lowerAscii(line.substr(0, colon)), std::string(trimSpaces(line.substr(colon + 1))));
        at = lineEnd + 2;
    }
}

LiveLink::LiveLink(net::Socket socket, const net::Waker& stopWaker, const std::atomic<bool>& stopping,
                   const std::atomic<uint64_t>& cuts)
    : m_socket(std::move(socket)), m_stopWaker(stopWaker), m_stopping(stopping), m_cuts(cuts), m_cutsAtStart(cuts.load())
{
}

bool LiveLink::over() const
{
    return m_gone || m_stopping.load() || m_cuts.load() != m_cutsAtStart;
}

bool LiveLink::send(std::string_view bytes)
{
    const auto stallUntil = Clock::now() + std::chrono::milliseconds(kSendStallMs);
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (over())
            return false;
        size_t done = 0;
        const net::Io io = net::writeSome(m_socket, bytes.data() + sent, bytes.size() - sent, done);
        if (io == net::Io::Done) {
            sent += done;
            continue;
        }
        if (io != net::Io::WouldBlock || Clock::now() >= stallUntil) {
            m_gone = true;
            return false;
        }
        std::vector<net::Watch> watches = {{m_socket.handle(), false, true}, {m_stopWaker.handle()}};
        net::waitForEvents(watches, msUntil(stallUntil));
    }
    return !over();
}

bool LiveLink::wait(int ms, std::string& in)
{
    const auto until = Clock::now() + std::chrono::milliseconds(std::max(0, ms));
    do {
        if (over())
            return false;
        std::vector<net::Watch> watches = {{m_socket.handle()}, {m_stopWaker.handle()}};
        if (!net::waitForEvents(watches, msUntil(until))) {
            m_gone = true;
            return false;
        }
        if (watches[0].readable || watches[0].broken) {
            char buffer[4096];
            for (;;) {
                size_t got = 0;
                const net::Io io = net::readSome(m_socket, buffer, sizeof buffer, got);
                if (io == net::Io::WouldBlock)
                    break;
                if (io != net::Io::Done) {
                    m_gone = true;
                    return false;
                }
                if (in.size() < kMaxUnreadInput)
                    in.append(buffer, got);
            }
            return !over();
        }
    } while (Clock::now() < until);
    return !over();
}

bool LiveLink::readHead(int timeoutMs, std::string& head, std::string& rest)
{
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string in;
    while (Clock::now() < until) {
        if (!wait(kLivePollMs, in))
            return false;
        const size_t end = in.find("\r\n\r\n");
        if (end != std::string::npos) {
            head = in.substr(0, end + 4);
            rest = in.substr(end + 4);
            return true;
        }
        if (in.size() > kMaxLiveHeadBytes)
            return false;
    }
    return false;
}

void LiveLink::linger(int ms)
{
    std::string ignored;
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!m_gone && !m_stopping.load() && Clock::now() < until) {
        ignored.clear();
        wait(kLivePollMs, ignored);
    }
}

void sendLiveAnswer(LiveLink& link, int status, std::string_view body, std::string_view contentType)
{
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reasonText(status) +
                      "\r\nContent-Type: " + std::string(contentType) +
                      "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    out += body;
    if (link.send(out))
        link.linger(200);
}

} // namespace nicosim
