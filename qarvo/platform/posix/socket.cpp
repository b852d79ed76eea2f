#include "qarvo/platform/socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qarvo::platform {
namespace {

int fd(socket_t s) { return static_cast<int>(s); }

sockaddr_in toSockaddr(const Ipv4Endpoint& e)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(e.address);
    a.sin_port = htons(e.port);
    return a;
}

Ipv4Endpoint fromSockaddr(const sockaddr_in& a)
{
    return Ipv4Endpoint{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
}

bool setIntOption(socket_t s, int level, int name, int value)
{
    return setsockopt(fd(s), level, name, &value, sizeof value) == 0;
}

int waitFor(socket_t s, short events, int ms)
{
    pollfd p{fd(s), events, 0};
    for (;;) {
        const int r = poll(&p, 1, ms < 0 ? -1 : ms);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            return 0;
        // An error or hang-up also makes the next call return at once, which is what a caller
        // waiting to read or write needs to learn about it.
        return 1;
    }
}

}  // namespace

bool socketSubsystemStartup() { return true; }
void socketSubsystemCleanup() {}

int socketLastErrorCode() { return errno; }
void socketClearLastError() { errno = 0; }

SocketError classifySocketError(int code)
{
    switch (code) {
    case 0:
        return SocketError::None;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return SocketError::WouldBlock;
    case EINTR:
        return SocketError::Interrupted;
    case ECONNREFUSED:
    case ECONNRESET:
        return SocketError::Refused;
    default:
        return SocketError::Other;
    }
}

SocketError socketLastError() { return classifySocketError(errno); }

socket_t socketCreate(SocketType type)
{
    int kind = SOCK_STREAM, proto = IPPROTO_TCP;
    if (type == SocketType::Udp) {
        kind = SOCK_DGRAM;
        proto = IPPROTO_UDP;
    } else if (type == SocketType::Raw) {
        kind = SOCK_RAW;
        proto = 0;
    }
    const int s = socket(AF_INET, kind | SOCK_CLOEXEC, proto);
    return s < 0 ? kInvalidSocket : static_cast<socket_t>(s);
}

void socketClose(socket_t s)
{
    if (s != kInvalidSocket)
        close(fd(s));
}

bool socketSetNonBlocking(socket_t s, bool on)
{
    const int flags = fcntl(fd(s), F_GETFL, 0);
    if (flags < 0)
        return false;
    return fcntl(fd(s), F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

bool socketSetBroadcast(socket_t s, bool on) { return setIntOption(s, SOL_SOCKET, SO_BROADCAST, on ? 1 : 0); }
bool socketSetReuseAddress(socket_t s, bool on) { return setIntOption(s, SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0); }
bool socketSetNoDelay(socket_t s, bool on) { return setIntOption(s, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0); }

int socketPendingError(socket_t s)
{
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd(s), SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return errno ? errno : -1;
    return err;
}

int socketConnect(socket_t s, const Ipv4Endpoint& to, bool* inProgress)
{
    if (inProgress)
        *inProgress = false;
    const sockaddr_in a = toSockaddr(to);
    int r;
    do
        r = connect(fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a);
    while (r != 0 && errno == EINTR);
    if (r == 0)
        return 0;
    if (errno == EINPROGRESS) {
        if (inProgress)
            *inProgress = true;
        return 0;
    }
    return -1;
}

int socketBind(socket_t s, const Ipv4Endpoint& at)
{
    const sockaddr_in a = toSockaddr(at);
    return bind(fd(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 ? 0 : -1;
}

int socketListen(socket_t s, int backlog) { return listen(fd(s), backlog) == 0 ? 0 : -1; }

socket_t socketAccept(socket_t s, Ipv4Endpoint* from)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int r;
    do
        r = accept4(fd(s), reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return kInvalidSocket;
    if (from)
        *from = fromSockaddr(a);
    return static_cast<socket_t>(r);
}

bool socketLocalEndpoint(socket_t s, Ipv4Endpoint* out)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(fd(s), reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    if (out)
        *out = fromSockaddr(a);
    return true;
}

long socketSend(socket_t s, const void* data, long size)
{
    ssize_t r;
    do
        r = send(fd(s), data, static_cast<size_t>(size), MSG_NOSIGNAL);
    while (r < 0 && errno == EINTR);
    return static_cast<long>(r);
}

long socketRecv(socket_t s, void* data, long size)
{
    ssize_t r;
    do
        r = recv(fd(s), data, static_cast<size_t>(size), 0);
    while (r < 0 && errno == EINTR);
    return static_cast<long>(r);
}

long socketSendTo(socket_t s, const void* data, long size, const Ipv4Endpoint& to)
{
    const sockaddr_in a = toSockaddr(to);
    ssize_t r;
    do
        r = sendto(fd(s), data, static_cast<size_t>(size), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a),
                   sizeof a);
    while (r < 0 && errno == EINTR);
    return static_cast<long>(r);
}

long socketRecvFrom(socket_t s, void* data, long size, Ipv4Endpoint* from)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ssize_t r;
    do
        r = recvfrom(fd(s), data, static_cast<size_t>(size), 0, reinterpret_cast<sockaddr*>(&a), &len);
    while (r < 0 && errno == EINTR);
    if (r >= 0 && from)
        *from = fromSockaddr(a);
    return static_cast<long>(r);
}

void socketShutdown(socket_t s, ShutdownHow how)
{
    const int h = how == ShutdownHow::Receive ? SHUT_RD : how == ShutdownHow::Send ? SHUT_WR : SHUT_RDWR;
    shutdown(fd(s), h);
}

int socketWaitReadable(socket_t s, int ms) { return waitFor(s, POLLIN, ms); }
int socketWaitWritable(socket_t s, int ms) { return waitFor(s, POLLOUT, ms); }

int socketPeekClosed(socket_t s)
{
    char c;
    ssize_t r;
    do
        r = recv(fd(s), &c, 1, MSG_PEEK | MSG_DONTWAIT);
    while (r < 0 && errno == EINTR);
    if (r == 0)
        return 1;
    if (r > 0)
        return 0;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
}

bool parseDottedAddress(const char* text, uint32_t* out)
{
    if (!text)
        return false;
    in_addr a{};
    if (inet_pton(AF_INET, text, &a) != 1)
        return false;
    if (out)
        *out = ntohl(a.s_addr);
    return true;
}

bool resolveHostIpv4(const char* name, uint32_t* out)
{
    if (!name || !*name)
        return false;
    if (parseDottedAddress(name, out))
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &list) != 0 || !list)
        return false;
    bool found = false;
    for (addrinfo* p = list; p; p = p->ai_next) {
        if (p->ai_family == AF_INET && p->ai_addr) {
            if (out)
                *out = ntohl(reinterpret_cast<const sockaddr_in*>(p->ai_addr)->sin_addr.s_addr);
            found = true;
            break;
        }
    }
    freeaddrinfo(list);
    return found;
}

}  // namespace qarvo::platform
