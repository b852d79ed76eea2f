#pragma once
// The one interface the layers that move bytes talk to: a plain socket, TLS over a socket, or
// memory in tests. Each layer above stays the same whichever is underneath.

#include "qarvo/platform/socket.h"

namespace qarvo::net {

class I_ByteStream {
public:
    // Results of Read and Write besides a byte count (> 0) and 0 (peer closed, reads only).
    static constexpr long kWouldBlock = -1;
    static constexpr long kFailed = -2;

    virtual ~I_ByteStream() = default;
    virtual long Read(void* data, long size) = 0;
    virtual long Write(const void* data, long size) = 0;
    // 1 ready, 0 time-out, -1 failure; ms < 0 waits without limit.
    virtual int WaitReadable(int ms) = 0;
    virtual int WaitWritable(int ms) = 0;
};

// A non-owning view of a connected socket (blocking or not).
class SocketStream : public I_ByteStream {
public:
    explicit SocketStream(platform::socket_t s) : m_socket(s) {}

    long Read(void* data, long size) override
    {
        const long r = platform::socketRecv(m_socket, data, size);
        return r >= 0 ? r : mapError();
    }
    long Write(const void* data, long size) override
    {
        const long r = platform::socketSend(m_socket, data, size);
        return r >= 0 ? r : mapError();
    }
    int WaitReadable(int ms) override { return platform::socketWaitReadable(m_socket, ms); }
    int WaitWritable(int ms) override { return platform::socketWaitWritable(m_socket, ms); }

private:
    static long mapError()
    {
        const auto e = platform::socketLastError();
        return e == platform::SocketError::WouldBlock || e == platform::SocketError::Interrupted ? kWouldBlock
                                                                                                 : kFailed;
    }

    platform::socket_t m_socket;
};

}  // namespace qarvo::net
