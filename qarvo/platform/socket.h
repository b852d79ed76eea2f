#pragma once
// IPv4 sockets. The rest of the library sees only these functions, the handle type and the
// portable error kinds below; errno (WSAGetLastError on Windows) stays inside the platform
// implementation.

#include <cstdint>

namespace qarvo::platform {

using socket_t = intptr_t;
constexpr socket_t kInvalidSocket = -1;

enum class SocketType { Tcp = 0, Udp = 1, Raw = 2 };

// What a failed call means for the caller's next step.
enum class SocketError {
    None = 0,
    WouldBlock,     // try again once the socket is ready
    Interrupted,    // a signal came; try again at once
    Refused,        // connect refused / reset by the peer
    Other,
};

// An IPv4 address and port, both in host byte order.
struct Ipv4Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};

// Network start-up (WSAStartup on Windows; nothing on POSIX). Returns true when usable.
bool socketSubsystemStartup();
void socketSubsystemCleanup();

// The last socket error of the calling thread: the native code and its portable kind.
int socketLastErrorCode();
// Clears it, so that a library that reports "see the system error" can be read exactly.
void socketClearLastError();
SocketError socketLastError();
SocketError classifySocketError(int code);

socket_t socketCreate(SocketType type);
void socketClose(socket_t s);
bool socketSetNonBlocking(socket_t s, bool on);
bool socketSetBroadcast(socket_t s, bool on);
bool socketSetReuseAddress(socket_t s, bool on);
bool socketSetNoDelay(socket_t s, bool on);
// Any pending error of a non-blocking connect (SO_ERROR); 0 when it succeeded.
int socketPendingError(socket_t s);

// 0 on success (also when a non-blocking connect is under way: *inProgress is then set),
// -1 on failure.
int socketConnect(socket_t s, const Ipv4Endpoint& to, bool* inProgress);
int socketBind(socket_t s, const Ipv4Endpoint& at);
int socketListen(socket_t s, int backlog);
// The accepted socket, or kInvalidSocket; *from receives the peer when given.
socket_t socketAccept(socket_t s, Ipv4Endpoint* from);
// The local address the socket is bound to (to learn the port chosen for port 0).
bool socketLocalEndpoint(socket_t s, Ipv4Endpoint* out);

// Byte counts as send/recv give them: -1 on failure (see socketLastError), 0 from a receive
// when the peer has closed. Sending never raises SIGPIPE.
long socketSend(socket_t s, const void* data, long size);
long socketRecv(socket_t s, void* data, long size);
long socketSendTo(socket_t s, const void* data, long size, const Ipv4Endpoint& to);
long socketRecvFrom(socket_t s, void* data, long size, Ipv4Endpoint* from);

enum class ShutdownHow { Receive = 0, Send = 1, Both = 2 };
void socketShutdown(socket_t s, ShutdownHow how);

// Readiness wait on one socket: 1 ready, 0 time-out, -1 failure. ms < 0 waits without limit.
int socketWaitReadable(socket_t s, int ms);
int socketWaitWritable(socket_t s, int ms);

// A non-consuming look at a kept-alive connection: 1 the peer has closed it, 0 it is still
// open (data waiting or nothing yet), -1 it failed.
int socketPeekClosed(socket_t s);

// A dotted IPv4 address ("127.0.0.1") in host byte order; false when `text` is not one.
bool parseDottedAddress(const char* text, uint32_t* out);
// Name resolution to the first IPv4 address; false when the name is unknown.
bool resolveHostIpv4(const char* name, uint32_t* out);

}  // namespace qarvo::platform
