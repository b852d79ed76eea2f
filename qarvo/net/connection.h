#pragma once
// The bottom of the network classes: shared start-up bookkeeping, the last-state text with
// its table of fixed messages, thin socket wrappers that record that text, and the
// deadline-bound send / receive helpers.

#include <mutex>

#include "qarvo/net/byte_stream.h"
#include "qarvo/net/deadline.h"
#include "qarvo/net/state_message.h"
#include "qarvo/platform/socket.h"
#include "qarvo/text/memory.h"
#include "qarvo/text/string.h"

namespace qarvo {

// Network subsystem start-up (the Windows build needs one; on POSIX it always succeeds).
class I_NetWork {
public:
    virtual ~I_NetWork() = default;
    // Only version 2 is granted; any other is refused like a mismatching Winsock.
    int Startup(const int& version);
    int Cleanup();
};

// Counts the live network objects; the subsystem is cleaned up when the last one goes away.
class I_Connection : public I_NetWork {
public:
    I_Connection();
    ~I_Connection() override;
    I_Connection(const I_Connection&) = delete;
    I_Connection& operator=(const I_Connection&) = delete;

    // Starts the subsystem once for the whole process; 1 when it is (now) started.
    int ShareStartup();

    // For diagnostics and tests: the live object count and whether the shared start-up ran.
    static int GetObjectCount();
    static bool IsSharedStartup();
};

class Connection : public I_Connection {
public:
    Connection() = default;

    C_WString General_GetLastState() const;
    int General_GetLastStateCode() const;
    void General_SetStateMessage(const char16_t* text);
    void General_SetStateMessageA(const char* text);
    // The fixed text of a state code; subclasses add their own codes.
    virtual const char16_t* General_GetStateMessage(const int& code) const;
    // Stores the text of `code` as the last state.
    void SetState(int code);

    // Wrappers that store the text of a state code on failure.
    platform::socket_t General_socket(platform::SocketType type);        // 4
    int General_connect(platform::socket_t s, const platform::Ipv4Endpoint& to,
                        bool* inProgress = nullptr);                       // 9
    int General_bind(platform::socket_t s, const platform::Ipv4Endpoint& at);  // 5
    int General_listen(platform::socket_t s, int backlog);                // 6
    // Resolves a name or dotted address to an IPv4 address (host order): 1 found, 0 not
    // (state 8 when `proxy` is non-zero, else 7).
    int General_gethostbyname(const char* name, int proxy, uint32_t* address);
    int General_ioctlsocket(platform::socket_t s, bool nonBlocking);      // 17
    // Readiness of one socket within `ms`: 1 ready, 0 time-out, -1 failure.
    int General_select(platform::socket_t s, bool forWrite, int ms);

    // --- helpers bound by a deadline; they return a state code ---
    // 0 done, 10 send failed, 11 deadline passed, 13 receive failed, 15 buffer full.
    static int SendOnce(net::I_ByteStream& stream, const void* data, int size, int* sent);
    static int RecvOnce(net::I_ByteStream& stream, void* buffer, int size, int* received);
    // Sends all of `text`; 5 failures other than "would block" give 10.
    static int Send(net::I_ByteStream& stream, const char* text, const net::Deadline& deadline);
    // Reads until `terminator` (may be null) appears in what was read, the buffer is full, the
    // peer closes or the deadline passes. The buffer is NUL-terminated when room is left.
    static int Recv(net::I_ByteStream& stream, char* buffer, int size, int* received, const char* terminator,
                    const net::Deadline& deadline);
    // One line, up to and including its LF, read one byte at a time.
    static int RecvLine(net::I_ByteStream& stream, char* buffer, int size, int* received,
                        const net::Deadline& deadline);
    // The most SendRecv reads while waiting for the line end (then 15).
    static constexpr int kMaxSendRecvAnswer = 1024 * 1024;
    // Sends `text`, then reads into `answer` until it holds a CR LF pair or the peer closes.
    static int SendRecv(net::I_ByteStream& stream, C_BinaryMemory* answer, const char* text, const net::Deadline& deadline,
                        int* received);
    static int SelectRead(platform::socket_t s, int ms) { return platform::socketWaitReadable(s, ms); }
    static int SelectWrite(platform::socket_t s, int ms) { return platform::socketWaitWritable(s, ms); }

private:
    mutable std::mutex m_stateLock;  // the worker writes the state while the owner may read it
    C_WString m_lastState;
    int m_lastCode = 0;
};

// A network object whose only purpose is to keep the subsystem started.
class WinsockSetup : public I_Connection {
public:
    explicit WinsockSetup(const int& start = 1)
    {
        if (start)
            ShareStartup();
    }
    int Startup() { return ShareStartup(); }
};

}  // namespace qarvo
