#pragma once
// C_Socket: a general TCP / UDP socket with a time-out on every wait. The engine holds its
// long-lived comment-server connection in one.

#include <cstdint>

#include "qarvo/net/connection.h"
#include "qarvo/net/socket_handle.h"
#include "qarvo/text/memory.h"

namespace qarvo {

class C_Socket : public Connection {
public:
    enum Mode { kServer = 0, kClient = 1, kBroadcast = 2 };
    enum Type { kTcp = 0, kUdp = 1, kRaw = 2 };
    // Kinds handed to the receive callback.
    enum RecvEvent { kRecvData = 0, kRecvTimeOut = 1, kRecvError = 2, kRecvClosed = 3 };
    // Returns 0 to stop the loop.
    using RecvCallback = int (*)(int event, int count, const unsigned char* data, void* user);

    static constexpr int kDefaultTimeOutMs = 10000;

    C_Socket() = default;
    ~C_Socket() override;

    // Client mode resolves `host` (dotted or a name; PELMORA_CONNECT_TO applies) and connects
    // within the time-out; server mode binds `port` (0: the system picks, see GetLocalPort) on
    // the dotted address `host`, or on any address when `host` is empty, and listens;
    // broadcast takes `host` as a dotted address. 1 on success.
    int Startup(int mode, int type, const C_String& host, int port);
    int Startup(int mode, int type, const platform::Ipv4Endpoint& address);

    // Waits until writable (time-out: 0) and sends all of the data; the count sent, 0 when the
    // time-out passed first, -1 on failure.
    int Send(const unsigned char* data, int size);
    // Sends `text` from `offset` (0 when the offset is outside the text).
    int Send(const C_String& text, int offset = 0);
    // Waits until readable: the count read, 0 after the time-out or when the peer has closed,
    // -1 on failure.
    int Recv(unsigned char* buffer, int size);
    int Recv(C_String* out, int max);
    int Recv(C_BinaryMemory* out, int max);
    // Reads until the callback returns 0 or the peer closes; returns the total read.
    int64_t Recv(RecvCallback callback, void* user);

    void SetTimeOut(int ms) { m_timeOut = ms; }
    int GetTimeOut() const { return m_timeOut; }
    // Shuts down sending, drains what is still readable for a moment, closes. Always 1.
    int Close();

    // A connection taken from a listening socket; 1 when one was accepted within the time-out.
    int Accept(C_Socket* client);
    // Adopts a connected socket.
    void SetHandle(platform::socket_t s, int type = kTcp);
    platform::socket_t GetHandle() const { return m_socket.Get(); }
    bool IsOpen() const { return m_socket.IsValid(); }
    bool IsConnected() const { return m_connected; }
    int GetLocalPort() const;
    const platform::Ipv4Endpoint& GetAddr() const { return m_peer; }
    int GetSocketType() const { return m_type; }
    int GetConnectType() const { return m_mode; }

private:
    int connectWithin(const platform::Ipv4Endpoint& to);

    net::UniqueSocket m_socket;
    int m_timeOut = kDefaultTimeOutMs;
    bool m_connected = false;
    int m_type = kTcp;
    int m_mode = kClient;
    platform::Ipv4Endpoint m_peer;
};

}  // namespace qarvo
