#pragma once
// C_WebSocket: the client side of a WebSocket over our own byte stream, plain (ws://) or TLS
// (wss://). The engine keeps a live broadcast's message channel in one: JSON text messages,
// pings from the server, connections that last for hours.
//
// One thread uses one object; only the abort test may be raised from another thread (the
// function it is given reads an atomic).

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "qarvo/net/byte_stream.h"
#include "qarvo/net/connection.h"
#include "qarvo/net/deadline.h"
#include "qarvo/net/socket_handle.h"
#include "qarvo/net/websocket_frame.h"
#include "qarvo/text/string.h"
#include "qarvo/tls/ssl.h"

namespace qarvo {

class C_WebSocket : public Connection {
public:
    // Results of Receive.
    static constexpr int kMessage = 1;    // a whole text or binary message is in *message
    static constexpr int kTimedOut = 0;   // nothing whole within the time given (not an error)
    static constexpr int kClosed = -1;    // the server closed (close frame answered, or EOF)
    static constexpr int kFailed = -2;    // broken connection, protocol fault, cap passed
    static constexpr int kAborted = -3;   // the abort test said so

    static constexpr size_t kDefaultLimit = 16u * 1024 * 1024;
    // The close code when the connection ended without a close frame.
    static constexpr int kCloseAbnormal = 1006;
    // The close code of a close frame that carried none.
    static constexpr int kCloseNoCode = 1005;

    C_WebSocket();
    ~C_WebSocket() override;
    C_WebSocket(const C_WebSocket&) = delete;
    C_WebSocket& operator=(const C_WebSocket&) = delete;

    // Polled during every wait (connect, handshake, send, receive); may be empty.
    void SetAbortTest(std::function<bool()> abort);
    // Caps: one frame's payload and one whole (reassembled) message.
    void SetLimits(size_t maxFrame, size_t maxMessage);

    // ws:// or wss:// address (explicit port honoured; PELMORA_CONNECT_TO applied; TLS with
    // SNI and the certificate checked as the HTTP client does). `headers` are extra request
    // lines (Origin, User-Agent, Cookie...). The opening handshake completes within
    // timeOutMs (negative: without limit). 1 on success; 0 with the state text set.
    int Open(const char* url, const std::vector<std::pair<C_String, C_String>>& headers, int timeOutMs);
    bool IsOpen() const;
    // One masked text frame (fresh random mask per frame). 1 sent; 0 failed (state text).
    int SendText(std::string_view text, int timeOutMs);
    // Waits up to timeOutMs (negative: without limit) for the next whole data message; see the
    // k* results. Pings are answered inside the call; a close frame is answered and gives
    // kClosed. `*binary` (may be null) tells the message's kind.
    int Receive(std::string* message, bool* binary, int timeOutMs);
    // Sends a close frame with `code` (and reason), waits up to timeOutMs for the server's
    // close, then closes the socket. Safe to call when not open.
    void Close(int code = 1000, std::string_view reason = {}, int timeOutMs = 1000);
    // What the server's close said: 1005 when its frame carried no code, 1006 when the
    // connection ended without one, 0 while none came.
    int GetCloseCode() const { return m_closeCode; }
    const C_String& GetCloseReason() const { return m_closeReason; }

private:
    enum class Io { Done, Failed, TimedOut, Aborted };

    bool aborted() const { return m_abort && m_abort(); }
    bool handshake(const C_String& hostLine, const C_String& target,
                   const std::vector<std::pair<C_String, C_String>>& headers, const net::Deadline& deadline);
    Io writeAll(std::string_view bytes, const net::Deadline& deadline);
    // Reads once into the free room of the read buffer.
    Io readSome(const net::Deadline& deadline, bool* peerClosed);
    bool sendFrame(net::WsOpcode opcode, std::string_view payload, const net::Deadline& deadline);
    bool sendClose(int code, std::string_view reason, const net::Deadline& deadline);
    int failWith(const char* text, int closeCode);
    void recordClose(std::string_view payload);
    void dropConnection();

    std::function<bool()> m_abort;
    size_t m_maxFrame = kDefaultLimit;
    size_t m_maxMessage = kDefaultLimit;

    net::UniqueSocket m_socket;
    C_SSL m_ssl;
    bool m_tls = false;
    std::unique_ptr<net::I_ByteStream> m_stream;
    std::unique_ptr<net::WsFrameReader> m_reader;
    bool m_open = false;       // the handshake succeeded and no close has ended it
    bool m_closeSent = false;  // our close frame is out: no more data frames
    int m_closeCode = 0;
    C_String m_closeReason;

    // Bytes read but not yet given to the frame reader: [m_readAt, m_readEnd).
    std::vector<char> m_readBuffer;
    size_t m_readAt = 0;
    size_t m_readEnd = 0;
};

}  // namespace qarvo
