#include "qarvo/net/proxy_tunnel.h"

#include <cstring>
#include <string>

namespace qarvo::net {
namespace {

constexpr int kRoundMs = 100;
// The proxy's answer is one short header block; more than this without its blank line is not
// an answer we understand.
constexpr size_t kMaxAnswer = 2039;

enum class Wait { Ready, TimedOut, Failed, Aborted };

Wait waitFor(platform::socket_t s, bool forWrite, const Deadline& limit, const std::function<bool()>& isAbort,
             int* error)
{
    for (;;) {
        if (limit.Passed())
            return Wait::TimedOut;
        const int slice = limit.Slice(kRoundMs);
        const int r = forWrite ? platform::socketWaitWritable(s, slice) : platform::socketWaitReadable(s, slice);
        if (isAbort && isAbort())
            return Wait::Aborted;
        if (r > 0)
            return Wait::Ready;
        if (r < 0) {
            *error = platform::socketLastErrorCode();
            return Wait::Failed;
        }
    }
}

bool fail(Connection& owner, platform::socket_t s, const char* message)
{
    if (message)
        owner.General_SetStateMessageA(message);
    platform::socketShutdown(s, platform::ShutdownHow::Both);
    return false;
}

bool headerComplete(const std::string& answer)
{
    return answer.find("\r\n\r\n") != std::string::npos || answer.find("\n\n") != std::string::npos;
}

}  // namespace

bool openProxyTunnel(Connection& owner, platform::socket_t s, const C_String& host, int port, int timeOutMs,
                     const std::function<bool()>& isAbort)
{
    const Deadline limit = Deadline::After(timeOutMs < 0 ? 0 : timeOutMs);
    // The Host line names the authority as an address would: the port only when it is not
    // the default of TLS.
    const C_String authority = port == 443 ? host : C_String::Stringf("%s:%d", host.c_str(), port);
    const C_String request =
        C_String::Stringf("CONNECT %s:%d HTTP/1.0\r\nHost: %s\r\n\r\n", host.c_str(), port, authority.c_str());

    int error = 0;
    switch (waitFor(s, true, limit, isAbort, &error)) {
    case Wait::Ready:
        break;
    case Wait::TimedOut:
        return fail(owner, s, "proxy is send connect error / time out!");
    case Wait::Aborted:
        return fail(owner, s, nullptr);
    case Wait::Failed:
        return fail(owner, s, C_String::Stringf("proxy is send connect error [%d]", error).c_str());
    }
    if (platform::socketSend(s, request.c_str(), request.Length()) != request.Length())
        return fail(owner, s, "proxy error!");

    // Reads until the blank line; the proxy sends nothing after it before we speak, so nothing
    // that belongs to the tunnel is read here.
    std::string answer;
    bool statusChecked = false;
    while (true) {
        switch (waitFor(s, false, limit, isAbort, &error)) {
        case Wait::Ready:
            break;
        case Wait::TimedOut:
            return fail(owner, s, "proxy is no answer / time out!");
        case Wait::Aborted:
            return fail(owner, s, nullptr);
        case Wait::Failed:
            return fail(owner, s, C_String::Stringf("proxy is no answer. unknown error [%d]", error).c_str());
        }
        char piece[1024];
        const size_t room = kMaxAnswer - answer.size();
        const long r = platform::socketRecv(s, piece, static_cast<long>(room < sizeof piece ? room : sizeof piece));
        if (r < 0 && platform::socketLastError() == platform::SocketError::WouldBlock)
            continue;
        if (r <= 0)
            return fail(owner, s, answer.empty() ? "proxy is no answer!" : "proxy is data received error!");
        answer.append(piece, static_cast<size_t>(r));

        if (answer.size() >= 7 && answer.compare(0, 7, "HTTP/1.") != 0)
            return fail(owner, s, "proxy is protocol error!");
        if (!statusChecked && answer.find('\n') != std::string::npos) {
            if (answer.size() < 12 || answer.compare(9, 3, "200") != 0) {
                // The status and reason phrase tell the user why (407 wants credentials...).
                std::string line = answer.size() > 9 ? answer.substr(9) : std::string();
                line = line.substr(0, line.find('\n'));
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return fail(owner, s, line.c_str());
            }
            statusChecked = true;
        }
        if (statusChecked && headerComplete(answer))
            return true;
        if (answer.size() >= kMaxAnswer)
            return fail(owner, s, "proxy is data received error!");
    }
}

}  // namespace qarvo::net
