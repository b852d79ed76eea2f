#include "qarvo/net/connection.h"

#include <algorithm>
#include <cstring>

#include "qarvo/thread/critical_section.h"

namespace qarvo {
namespace {

// Class-wide start-up bookkeeping, guarded by its own lock.
struct SharedStartup {
    C_CriticalSection cs;
    int started = 0;
    int objects = 0;
};

SharedStartup& shared()
{
    static SharedStartup s;
    return s;
}

// A failed read or send other than "would block" costs one of these.
constexpr int kHelperTries = 5;
// How long a helper waits for readiness before it looks at the deadline again.
constexpr int kHelperWaitMs = 50;

}  // namespace

// --- I_NetWork / I_Connection ---

int I_NetWork::Startup(const int& version)
{
    if (version != 2)
        return 0;
    return platform::socketSubsystemStartup() ? 1 : 0;
}

int I_NetWork::Cleanup()
{
    platform::socketSubsystemCleanup();
    return 1;
}

I_Connection::I_Connection()
{
    SharedStartup& s = shared();
    C_CriticalLock lock(s.cs);
    ++s.objects;
}

I_Connection::~I_Connection()
{
    SharedStartup& s = shared();
    C_CriticalLock lock(s.cs);
    if (--s.objects == 0 && s.started) {
        Cleanup();
        s.started = 0;
    }
}

int I_Connection::ShareStartup()
{
    SharedStartup& s = shared();
    C_CriticalLock lock(s.cs);
    if (!s.started) {
        s.started = 1;
        if (!I_NetWork::Startup(2)) {
            s.started = 0;
            return 0;
        }
    }
    return 1;
}

int I_Connection::GetObjectCount()
{
    SharedStartup& s = shared();
    C_CriticalLock lock(s.cs);
    return s.objects;
}

bool I_Connection::IsSharedStartup()
{
    SharedStartup& s = shared();
    C_CriticalLock lock(s.cs);
    return s.started != 0;
}

// --- state texts ---

C_WString Connection::General_GetLastState() const
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_lastState;
}

int Connection::General_GetLastStateCode() const
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    return m_lastCode;
}

void Connection::General_SetStateMessage(const char16_t* text)
{
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_lastState = C_WString(text);
    m_lastCode = -1;
}

void Connection::General_SetStateMessageA(const char* text)
{
    // Messages from peers (a proxy's reason phrase) are read as the system code page; bytes it
    // cannot read become U+FFFD rather than an empty text.
    C_WString wide = text ? C_WString(C_String(text)) : C_WString();
    if (wide.IsEmpty() && text && *text)
        wide = C_String(text).ToByteWString();
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_lastState = wide;
    m_lastCode = -1;
}

const char16_t* Connection::General_GetStateMessage(const int& code) const
{
    return net::connectionStateMessage(code);
}

void Connection::SetState(int code)
{
    const char16_t* text = General_GetStateMessage(code);
    std::lock_guard<std::mutex> lock(m_stateLock);
    m_lastState = C_WString(text);
    m_lastCode = code;
}

// --- wrappers ---

platform::socket_t Connection::General_socket(platform::SocketType type)
{
    const platform::socket_t s = platform::socketCreate(type);
    if (s == platform::kInvalidSocket)
        SetState(net::kStateSocketFailed);
    return s;
}

int Connection::General_connect(platform::socket_t s, const platform::Ipv4Endpoint& to, bool* inProgress)
{
    const int r = platform::socketConnect(s, to, inProgress);
    if (r != 0)
        SetState(net::kStateConnectFailed);
    return r;
}

int Connection::General_bind(platform::socket_t s, const platform::Ipv4Endpoint& at)
{
    const int r = platform::socketBind(s, at);
    if (r != 0)
        SetState(net::kStateBindFailed);
    return r;
}

int Connection::General_listen(platform::socket_t s, int backlog)
{
    const int r = platform::socketListen(s, backlog);
    if (r != 0)
        SetState(net::kStateListenFailed);
    return r;
}

int Connection::General_gethostbyname(const char* name, int proxy, uint32_t* address)
{
    if (platform::resolveHostIpv4(name, address))
        return 1;
    SetState(proxy ? net::kStateProxyResolveFailed : net::kStateResolveFailed);
    return 0;
}

int Connection::General_ioctlsocket(platform::socket_t s, bool nonBlocking)
{
    if (platform::socketSetNonBlocking(s, nonBlocking))
        return 0;
    SetState(net::kStateAsyncFailed);
    return -1;
}

int Connection::General_select(platform::socket_t s, bool forWrite, int ms)
{
    return forWrite ? platform::socketWaitWritable(s, ms) : platform::socketWaitReadable(s, ms);
}

// --- helpers ---

int Connection::SendOnce(net::I_ByteStream& stream, const void* data, int size, int* sent)
{
    const long r = stream.Write(data, size);
    if (sent)
        *sent = r > 0 ? static_cast<int>(r) : 0;
    return r >= 0 || r == net::I_ByteStream::kWouldBlock ? net::kStateSuccess : net::kStateSendFailed;
}

int Connection::RecvOnce(net::I_ByteStream& stream, void* buffer, int size, int* received)
{
    const long r = stream.Read(buffer, size);
    if (received)
        *received = r > 0 ? static_cast<int>(r) : 0;
    return r >= 0 || r == net::I_ByteStream::kWouldBlock ? net::kStateSuccess : net::kStateRecvFailed;
}

int Connection::Send(net::I_ByteStream& stream, const char* text, const net::Deadline& deadline)
{
    if (!text)
        return net::kStateSuccess;
    const long size = static_cast<long>(std::strlen(text));
    long done = 0;
    int tries = kHelperTries;
    while (done < size) {
        if (deadline.Passed())
            return net::kStateTimeOut;
        const long r = stream.Write(text + done, size - done);
        if (r > 0) {
            done += r;
            continue;
        }
        if (r != net::I_ByteStream::kWouldBlock && --tries <= 0)
            return net::kStateSendFailed;
        stream.WaitWritable(deadline.Slice(kHelperWaitMs));
    }
    return net::kStateSuccess;
}

namespace {

// Reads into `buffer` until `terminator` appears in what was read, the buffer is full, the
// peer closes, reads keep failing or the deadline passes. At most `chunk` bytes are read at a
// time (1 for a line reader that must not take bytes beyond its line).
int recvUntil(net::I_ByteStream& stream, char* buffer, int size, int* received, const char* terminator, int chunk,
              const net::Deadline& deadline)
{
    int used = 0;
    if (received)
        *received = 0;
    if (!buffer || size <= 0)
        return net::kStateBufferFull;
    const size_t termLen = terminator ? std::strlen(terminator) : 0;
    int tries = kHelperTries;
    int result = net::kStateSuccess;
    for (;;) {
        if (deadline.Passed()) {
            result = net::kStateTimeOut;
            break;
        }
        if (used >= size) {
            result = net::kStateBufferFull;
            break;
        }
        const long r = stream.Read(buffer + used, std::min(size - used, chunk));
        if (r > 0) {
            tries = kHelperTries;
            // Only the new bytes (and the few before them that a split terminator needs) are
            // searched again.
            const size_t from = static_cast<size_t>(used) >= termLen ? used - termLen + 1 : 0;
            used += static_cast<int>(r);
            if (termLen > 0 &&
                std::string_view(buffer + from, static_cast<size_t>(used) - from).find(terminator) !=
                    std::string_view::npos)
                break;
            continue;
        }
        if (r == 0)
            break;
        if (r != net::I_ByteStream::kWouldBlock && --tries <= 0) {
            result = net::kStateRecvFailed;
            break;
        }
        stream.WaitReadable(deadline.Slice(kHelperWaitMs));
    }
    if (used < size)
        buffer[used] = 0;
    if (received)
        *received = used;
    return result;
}

}  // namespace

int Connection::Recv(net::I_ByteStream& stream, char* buffer, int size, int* received, const char* terminator,
                     const net::Deadline& deadline)
{
    return recvUntil(stream, buffer, size, received, terminator, size > 0 ? size : 1, deadline);
}

int Connection::RecvLine(net::I_ByteStream& stream, char* buffer, int size, int* received, const net::Deadline& deadline)
{
    return recvUntil(stream, buffer, size, received, "\n", 1, deadline);
}

int Connection::SendRecv(net::I_ByteStream& stream, C_BinaryMemory* answer, const char* text, const net::Deadline& deadline,
                         int* received)
{
    if (received)
        *received = 0;
    const int sent = Send(stream, text, deadline);
    if (sent != net::kStateSuccess)
        return sent;
    if (!answer)
        return net::kStateSuccess;
    answer->Clear();
    char piece[4096];
    int tries = kHelperTries;
    for (;;) {
        if (deadline.Passed())
            return net::kStateTimeOut;
        // A peer that never sends a line end must not make the answer grow without limit,
        // deadline or not.
        if (answer->Length() >= kMaxSendRecvAnswer)
            return net::kStateBufferFull;
        const long r = stream.Read(piece, sizeof piece);
        if (r > 0) {
            tries = kHelperTries;
            const int before = answer->Length();
            answer->Add(piece, static_cast<int>(r));
            if (received)
                *received = answer->Length();
            const int from = before > 0 ? before - 1 : 0;
            const std::string_view all(reinterpret_cast<const char*>(answer->Get()), answer->Length());
            if (all.find("\r\n", static_cast<size_t>(from)) != std::string_view::npos)
                return net::kStateSuccess;
            continue;
        }
        if (r == 0)
            return net::kStateSuccess;
        if (r != net::I_ByteStream::kWouldBlock && --tries <= 0)
            return net::kStateRecvFailed;
        stream.WaitReadable(deadline.Slice(kHelperWaitMs));
    }
}

}  // namespace qarvo
