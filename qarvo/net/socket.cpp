#include "qarvo/net/socket.h"

#include <climits>
#include <vector>

#include "qarvo/net/connect_to.h"
#include "qarvo/time/clock.h"

namespace qarvo {
namespace {

constexpr int kCallbackReadSize = 10240;
// After shutting down sending, what the peer still sends is read away for this long so that
// the close does not turn into a reset.
constexpr int kDrainMs = 20;

}  // namespace

C_Socket::~C_Socket()
{
    Close();
}

int C_Socket::Startup(int mode, int type, const C_String& host, int port)
{
    if (port < 0 || port > 65535)
        return 0;
    platform::Ipv4Endpoint address;
    address.port = static_cast<uint16_t>(port);
    if (mode == kClient) {
        C_String target = host;
        int targetPort = port;
        net::applyConnectToFromEnvironment(&target, &targetPort);
        address.port = static_cast<uint16_t>(targetPort);
        if (!General_gethostbyname(target.c_str(), 0, &address.address))
            return 0;
    } else if (mode == kServer) {
        // Any address unless the caller names one (tests listen on loopback only).
        if (!host.IsEmpty() && !platform::parseDottedAddress(host.c_str(), &address.address)) {
            SetState(net::kStateBindFailed);
            return 0;
        }
    } else if (mode == kBroadcast && type != kTcp) {
        if (!platform::parseDottedAddress(host.c_str(), &address.address)) {
            SetState(net::kStateBadUrl);
            return 0;
        }
    }
    return Startup(mode, type, address);
}

int C_Socket::Startup(int mode, int type, const platform::Ipv4Endpoint& address)
{
    if (m_socket.IsValid() || !ShareStartup())
        return 0;
    if (type < kTcp || type > kRaw || mode < kServer || mode > kBroadcast)
        return 0;
    net::UniqueSocket s(General_socket(static_cast<platform::SocketType>(type)));
    if (!s.IsValid())
        return 0;
    m_socket = std::move(s);
    m_type = type;
    m_mode = mode;
    m_connected = false;
    bool ok = true;
    if (type == kTcp) {
        if (mode == kClient) {
            ok = connectWithin(address) == 0;
            m_connected = ok;
        } else {
            platform::socketSetReuseAddress(m_socket.Get(), true);
            ok = General_bind(m_socket.Get(), address) == 0 && General_listen(m_socket.Get(), INT_MAX) == 0;
        }
    } else {
        if (mode == kServer)
            ok = General_bind(m_socket.Get(), address) == 0;
        m_peer = address;
    }
    if (ok && mode == kBroadcast)
        ok = platform::socketSetBroadcast(m_socket.Get(), true);
    if (!ok) {
        m_socket.Reset();
        m_connected = false;
        return 0;
    }
    m_peer = address;
    SetState(net::kStateSuccess);
    return 1;
}

// A blocking connect could hang for minutes on an unreachable host; the socket's time-out
// bounds it instead, and the socket is left non-blocking since every later call waits first.
int C_Socket::connectWithin(const platform::Ipv4Endpoint& to)
{
    if (General_ioctlsocket(m_socket.Get(), true) != 0)
        return -1;
    bool inProgress = false;
    if (General_connect(m_socket.Get(), to, &inProgress) != 0)
        return -1;
    if (!inProgress)
        return 0;
    const int ready = platform::socketWaitWritable(m_socket.Get(), m_timeOut < 0 ? -1 : m_timeOut);
    if (ready <= 0) {
        SetState(ready == 0 ? net::kStateTimeOut : net::kStateConnectFailed);
        return -1;
    }
    if (platform::socketPendingError(m_socket.Get()) != 0) {
        SetState(net::kStateConnectFailed);
        return -1;
    }
    return 0;
}

int C_Socket::Send(const unsigned char* data, int size)
{
    if (!m_socket.IsValid() || !data || size < 0)
        return -1;
    int done = 0;
    const uint32_t start = qarvo_time_millis();
    while (done < size) {
        int wait = m_timeOut;
        if (m_timeOut >= 0) {
            const uint32_t used = qarvo_time_millis() - start;
            wait = used >= static_cast<uint32_t>(m_timeOut) ? 0 : m_timeOut - static_cast<int>(used);
        }
        const int ready = platform::socketWaitWritable(m_socket.Get(), wait);
        if (ready <= 0)
            return done > 0 ? done : ready;
        const long r = m_type == kTcp ? platform::socketSend(m_socket.Get(), data + done, size - done)
                                      : platform::socketSendTo(m_socket.Get(), data + done, size - done, m_peer);
        if (r < 0) {
            if (platform::socketLastError() == platform::SocketError::WouldBlock)
                continue;
            SetState(net::kStateSendFailed);
            return done > 0 ? done : -1;
        }
        done += static_cast<int>(r);
        if (m_type != kTcp)
            break;
    }
    return done;
}

int C_Socket::Send(const C_String& text, int offset)
{
    if (offset < 0 || offset >= text.Length())
        offset = 0;
    return Send(reinterpret_cast<const unsigned char*>(text.c_str()) + offset, text.Length() - offset);
}

int C_Socket::Recv(unsigned char* buffer, int size)
{
    if (!m_socket.IsValid() || !buffer || size <= 0)
        return -1;
    for (;;) {
        const int ready = platform::socketWaitReadable(m_socket.Get(), m_timeOut < 0 ? -1 : m_timeOut);
        if (ready <= 0)
            return ready;
        const long r = m_type == kTcp ? platform::socketRecv(m_socket.Get(), buffer, size)
                                      : platform::socketRecvFrom(m_socket.Get(), buffer, size, &m_peer);
        if (r >= 0)
            return static_cast<int>(r);
        // Readable yet nothing to read (a spurious wake): wait again.
        if (platform::socketLastError() == platform::SocketError::WouldBlock)
            continue;
        SetState(net::kStateRecvFailed);
        return -1;
    }
}

int C_Socket::Recv(C_String* out, int max)
{
    if (max <= 0)
        return -1;
    std::vector<unsigned char> piece(static_cast<size_t>(max));
    const int r = Recv(piece.data(), max);
    if (r >= 0 && out)
        *out = C_String(reinterpret_cast<const char*>(piece.data()), r);
    return r;
}

int C_Socket::Recv(C_BinaryMemory* out, int max)
{
    if (max <= 0)
        return -1;
    std::vector<unsigned char> piece(static_cast<size_t>(max));
    const int r = Recv(piece.data(), max);
    if (r >= 0 && out) {
        out->Clear();
        out->Add(piece.data(), r);
    }
    return r;
}

int64_t C_Socket::Recv(RecvCallback callback, void* user)
{
    if (!callback || !m_socket.IsValid())
        return 0;
    std::vector<unsigned char> piece(kCallbackReadSize);
    int64_t total = 0;
    for (;;) {
        const int ready = platform::socketWaitReadable(m_socket.Get(), m_timeOut < 0 ? -1 : m_timeOut);
        int go;
        if (ready == 0) {
            go = callback(kRecvTimeOut, 0, nullptr, user);
        } else if (ready < 0) {
            go = callback(kRecvError, 0, nullptr, user);
        } else {
            const long r = platform::socketRecv(m_socket.Get(), piece.data(), kCallbackReadSize);
            if (r == 0) {
                callback(kRecvClosed, 0, nullptr, user);
                break;
            }
            if (r < 0) {
                if (platform::socketLastError() == platform::SocketError::WouldBlock)
                    continue;
                go = callback(kRecvError, 0, nullptr, user);
            } else {
                total += r;
                go = callback(kRecvData, static_cast<int>(r), piece.data(), user);
            }
        }
        if (!go)
            break;
    }
    return total;
}

int C_Socket::Close()
{
    if (!m_socket.IsValid())
        return 1;
    if (m_type == kTcp) {
        platform::socketShutdown(m_socket.Get(), platform::ShutdownHow::Send);
        if (m_connected) {
            platform::socketSetNonBlocking(m_socket.Get(), true);
            const uint32_t start = qarvo_time_millis();
            unsigned char sink[1024];
            while (qarvo_time_millis() - start < static_cast<uint32_t>(kDrainMs)) {
                if (platform::socketWaitReadable(m_socket.Get(), kDrainMs) <= 0)
                    break;
                if (platform::socketRecv(m_socket.Get(), sink, sizeof sink) <= 0)
                    break;
            }
        }
    }
    m_socket.Reset();
    m_connected = false;
    return 1;
}

int C_Socket::Accept(C_Socket* client)
{
    if (!client || !m_socket.IsValid() || client->IsOpen())
        return 0;
    if (platform::socketWaitReadable(m_socket.Get(), m_timeOut < 0 ? -1 : m_timeOut) <= 0)
        return 0;
    platform::Ipv4Endpoint from;
    const platform::socket_t s = platform::socketAccept(m_socket.Get(), &from);
    if (s == platform::kInvalidSocket)
        return 0;
    client->SetHandle(s, kTcp);
    client->m_peer = from;
    return 1;
}

void C_Socket::SetHandle(platform::socket_t s, int type)
{
    m_socket.Reset(s);
    m_type = type;
    m_mode = kClient;
    m_connected = s != platform::kInvalidSocket && type == kTcp;
    if (m_socket.IsValid())
        platform::socketSetNonBlocking(s, true);
}

int C_Socket::GetLocalPort() const
{
    platform::Ipv4Endpoint e;
    return m_socket.IsValid() && platform::socketLocalEndpoint(m_socket.Get(), &e) ? e.port : -1;
}

}  // namespace qarvo
