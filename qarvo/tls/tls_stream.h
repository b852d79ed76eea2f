#pragma once
// The byte-stream view of a TLS session over a socket.

#include "qarvo/net/byte_stream.h"
#include "qarvo/tls/ssl.h"

namespace qarvo::net {

class TlsStream : public I_ByteStream {
public:
    TlsStream(C_SSL& ssl, platform::socket_t s) : m_ssl(ssl), m_socket(s) {}

    long Read(void* data, long size) override { return map(m_ssl.Read(data, clamp(size))); }
    long Write(const void* data, long size) override { return map(m_ssl.Write(data, clamp(size))); }
    // Decrypted bytes already waiting count as readable: the socket would not show them.
    int WaitReadable(int ms) override
    {
        return m_ssl.Pending() > 0 ? 1 : platform::socketWaitReadable(m_socket, ms);
    }
    int WaitWritable(int ms) override { return platform::socketWaitWritable(m_socket, ms); }

private:
    static int clamp(long size) { return size > 1 << 30 ? 1 << 30 : static_cast<int>(size); }
    long map(int r) const
    {
        if (r > 0)
            return r;
        switch (m_ssl.GetIoState(r)) {
        case C_SSL::kIoWouldBlock:
            return kWouldBlock;
        case C_SSL::kIoClosed:
            return 0;
        default:
            return kFailed;
        }
    }

    C_SSL& m_ssl;
    platform::socket_t m_socket;
};

}  // namespace qarvo::net
