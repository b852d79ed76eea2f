#include "qarvo/net/websocket.h"

#include <cstring>

#include "qarvo/escape/base64.h"
#include "qarvo/http/url_split.h"
#include "qarvo/net/stream_connect.h"
#include "qarvo/text/ascii.h"
#include "qarvo/tls/digest.h"
#include "qarvo/tls/tls_stream.h"

namespace qarvo {
namespace {

constexpr int kPollSliceMs = 10;
// One read at most; the frame reader takes it all before the next read.
constexpr size_t kReadSize = 16 * 1024;
// An answer head longer than this is not a WebSocket server's.
constexpr size_t kMaxAnswerHead = 16 * 1024;
// Pongs and the answer to a close or a fault are sent within this, whatever the caller's wait.
constexpr int kControlSendMs = 2000;
constexpr const char* kAcceptGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

struct WsUrl {
    bool tls = false;
    C_String host;      // without the port
    int port = 0;
    C_String hostLine;  // as written, the port included: the Host header
    C_String target;    // path and query
};

// "ws://host[:port][/path][?query]" or "wss://..."; the fragment is dropped. False for another
// scheme, an empty host, a bad port, or a byte that would break the request line.
bool splitWebSocketUrl(const char* url, WsUrl* out)
{
    if (!url)
        return false;
    std::string_view rest(url);
    for (const char c : rest) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
            return false;
    }
    if (text::startsWithNoCaseAscii(rest, "wss://")) {
        out->tls = true;
        rest.remove_prefix(6);
    } else if (text::startsWithNoCaseAscii(rest, "ws://")) {
        out->tls = false;
        rest.remove_prefix(5);
    } else {
        return false;
    }
    rest = rest.substr(0, rest.find('#'));
    const size_t hostEnd = rest.find_first_of("/?");
    const std::string_view hostText = rest.substr(0, hostEnd);
    std::string target(hostEnd == std::string_view::npos ? std::string_view() : rest.substr(hostEnd));
    if (target.empty() || target[0] != '/')
        target.insert(0, "/");
    out->port = out->tls ? 443 : 80;
    out->hostLine = C_String(std::string(hostText));
    if (!http::splitHostPort(out->hostLine, &out->host, &out->port) || out->host.IsEmpty())
        return false;
    out->target = C_String(std::move(target));
    return true;
}

// The value of header `name` in `head` (lines after the status line), trimmed; false when
// absent.
bool headerValue(std::string_view head, std::string_view name, std::string_view* value)
{
    size_t at = head.find("\r\n");
    while (at != std::string_view::npos && at + 2 < head.size()) {
        const size_t start = at + 2;
        const size_t end = head.find("\r\n", start);
        const std::string_view line = head.substr(start, end == std::string_view::npos ? end : end - start);
        const size_t colon = line.find(':');
        if (colon != std::string_view::npos && text::equalsNoCaseAscii(line.substr(0, colon), name)) {
            std::string_view v = line.substr(colon + 1);
            while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
                v.remove_prefix(1);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
                v.remove_suffix(1);
            *value = v;
            return true;
        }
        at = end;
    }
    return false;
}

// True when the comma-separated `list` holds `token` (without regard to case).
bool hasToken(std::string_view list, std::string_view token)
{
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        if (text::equalsNoCaseAscii(item, token))
            return true;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

C_String acceptFor(const C_String& key)
{
    const std::string joined = key.std() + kAcceptGuid;
    unsigned char digest[tls::kSha1Size];
    tls::sha1(joined.data(), joined.size(), digest);
    return common::System::base64_encode(digest, static_cast<int>(sizeof digest));
}

bool isHeaderSafe(const C_String& text)
{
    for (const char c : text.view()) {
        if (c == '\r' || c == '\n' || c == '\0')
            return false;
    }
    return true;
}

}  // namespace

C_WebSocket::C_WebSocket() = default;

C_WebSocket::~C_WebSocket()
{
    dropConnection();
}

void C_WebSocket::SetAbortTest(std::function<bool()> abort)
{
    m_abort = std::move(abort);
}

void C_WebSocket::SetLimits(size_t maxFrame, size_t maxMessage)
{
    m_maxFrame = maxFrame;
    m_maxMessage = maxMessage;
}

bool C_WebSocket::IsOpen() const
{
    return m_open && m_socket.IsValid();
}

int C_WebSocket::Open(const char* url, const std::vector<std::pair<C_String, C_String>>& headers, int timeOutMs)
{
    if (m_socket.IsValid()) {
        SetState(net::kStateAlreadyOpen);
        return 0;
    }
    WsUrl parts;
    if (!splitWebSocketUrl(url, &parts)) {
        SetState(net::kStateBadUrl);
        return 0;
    }
    for (const auto& [name, value] : headers) {
        if (!isHeaderSafe(name) || !isHeaderSafe(value) || name.IsEmpty()) {
            General_SetStateMessageA("WebSocket request header holds a line break");
            return 0;
        }
    }
    if (aborted()) {
        SetState(net::kStateAborted);
        return 0;
    }
    m_closeCode = 0;
    m_closeReason = C_String();
    m_closeSent = false;
    m_readAt = m_readEnd = 0;
    if (!net::openStreamSocket(*this, &m_socket))
        return 0;

    const net::Deadline deadline = net::Deadline::After(timeOutMs);
    net::ConnectTarget target;
    target.host = parts.host;
    target.port = parts.port;
    target.tls = parts.tls;
    target.connectHost = parts.host;
    target.connectPort = parts.port;
    if (net::connectStream(*this, m_socket.Get(), m_ssl, target, deadline, m_abort) != net::ConnectEnd::Connected) {
        dropConnection();
        return 0;
    }
    m_tls = parts.tls;
    if (m_tls)
        m_stream = std::make_unique<net::TlsStream>(m_ssl, m_socket.Get());
    else
        m_stream = std::make_unique<net::SocketStream>(m_socket.Get());
    m_reader = std::make_unique<net::WsFrameReader>(m_maxFrame, m_maxMessage);
    m_readBuffer.assign(kReadSize, '\0');
    if (!handshake(parts.hostLine, parts.target, headers, deadline)) {
        dropConnection();
        return 0;
    }
    m_open = true;
    SetState(net::kStateSuccess);
    return 1;
}

bool C_WebSocket::handshake(const C_String& hostLine, const C_String& target,
                            const std::vector<std::pair<C_String, C_String>>& headers, const net::Deadline& deadline)
{
    unsigned char nonce[16];
    if (!tls::randomBytes(nonce, sizeof nonce)) {
        General_SetStateMessageA("no random bytes for the WebSocket key");
        return false;
    }
    const C_String key = common::System::base64_encode(nonce, static_cast<int>(sizeof nonce));
    std::string request = "GET " + target.std() + " HTTP/1.1\r\nHost: " + hostLine.std() +
                          "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: " + key.std() +
                          "\r\nSec-WebSocket-Version: 13\r\n";
    for (const auto& [name, value] : headers)
        request += name.std() + ": " + value.std() + "\r\n";
    request += "\r\n";
    if (writeAll(request, deadline) != Io::Done)
        return false;

    // The answer head; bytes after it are frames already, kept in the read buffer.
    std::string head;
    size_t headEnd = std::string::npos;
    while (headEnd == std::string::npos) {
        bool peerClosed = false;
        if (readSome(deadline, &peerClosed) != Io::Done)
            return false;
        if (peerClosed) {
            SetState(net::kStateClosedBeforeData);
            return false;
        }
        const size_t searchFrom = head.size() < 3 ? 0 : head.size() - 3;
        head.append(m_readBuffer.data(), m_readEnd);
        m_readEnd = 0;
        headEnd = head.find("\r\n\r\n", searchFrom);
        if (headEnd == std::string::npos && head.size() > kMaxAnswerHead) {
            General_SetStateMessageA("WebSocket handshake answer head is too long");
            return false;
        }
    }
    const size_t rest = head.size() - (headEnd + 4);
    std::memcpy(m_readBuffer.data(), head.data() + headEnd + 4, rest);
    m_readAt = 0;
    m_readEnd = rest;
    head.resize(headEnd + 2);

    const std::string_view answer(head);
    const std::string_view statusLine = answer.substr(0, answer.find("\r\n"));
    const size_t space = statusLine.find(' ');
    if (!text::startsWithNoCaseAscii(statusLine, "HTTP/") || space == std::string_view::npos ||
        statusLine.substr(space + 1, 3) != "101" ||
        (statusLine.size() > space + 4 && statusLine[space + 4] != ' ')) {
        General_SetStateMessageA(("WebSocket handshake refused: " + std::string(statusLine)).c_str());
        return false;
    }
    std::string_view value;
    if (!headerValue(answer, "Upgrade", &value) || !text::equalsNoCaseAscii(value, "websocket")) {
        General_SetStateMessageA("WebSocket handshake answer lacks Upgrade: websocket");
        return false;
    }
    if (!headerValue(answer, "Connection", &value) || !hasToken(value, "upgrade")) {
        General_SetStateMessageA("WebSocket handshake answer lacks Connection: Upgrade");
        return false;
    }
    if (!headerValue(answer, "Sec-WebSocket-Accept", &value) || value != acceptFor(key).view()) {
        General_SetStateMessageA("Sec-WebSocket-Accept does not match");
        return false;
    }
    // We offered no extension, so a server that names one speaks frames we cannot read.
    if (headerValue(answer, "Sec-WebSocket-Extensions", &value) && !value.empty()) {
        General_SetStateMessageA("WebSocket server chose an extension that was not offered");
        return false;
    }
    return true;
}

C_WebSocket::Io C_WebSocket::writeAll(std::string_view bytes, const net::Deadline& deadline)
{
    size_t done = 0;
    while (done < bytes.size()) {
        if (aborted()) {
            SetState(net::kStateAborted);
            return Io::Aborted;
        }
        if (deadline.Passed()) {
            SetState(net::kStateTimeOut);
            return Io::TimedOut;
        }
        const long r = m_stream->Write(bytes.data() + done, static_cast<long>(bytes.size() - done));
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r == net::I_ByteStream::kWouldBlock) {
            if (m_stream->WaitWritable(deadline.Slice(kPollSliceMs)) >= 0)
                continue;
        }
        SetState(net::kStateSendFailed);
        return Io::Failed;
    }
    return Io::Done;
}

C_WebSocket::Io C_WebSocket::readSome(const net::Deadline& deadline, bool* peerClosed)
{
    *peerClosed = false;
    for (;;) {
        if (aborted()) {
            SetState(net::kStateAborted);
            return Io::Aborted;
        }
        if (deadline.Passed()) {
            SetState(net::kStateTimeOut);
            return Io::TimedOut;
        }
        const int ready = m_stream->WaitReadable(deadline.Slice(kPollSliceMs));
        if (ready < 0) {
            SetState(net::kStateRecvFailed);
            return Io::Failed;
        }
        if (ready == 0)
            continue;
        const long r = m_stream->Read(m_readBuffer.data() + m_readEnd, static_cast<long>(m_readBuffer.size() - m_readEnd));
        if (r > 0) {
            m_readEnd += static_cast<size_t>(r);
            return Io::Done;
        }
        if (r == 0) {
            *peerClosed = true;
            return Io::Done;
        }
        if (r != net::I_ByteStream::kWouldBlock) {
            SetState(net::kStateRecvFailed);
            return Io::Failed;
        }
    }
}

bool C_WebSocket::sendFrame(net::WsOpcode opcode, std::string_view payload, const net::Deadline& deadline)
{
    uint8_t mask[4];
    if (!tls::randomBytes(mask, sizeof mask)) {
        General_SetStateMessageA("no random bytes for the WebSocket mask");
        return false;
    }
    std::string frame;
    frame.reserve(payload.size() + 14);
    net::encodeClientFrame(opcode, payload, mask, &frame);
    if (writeAll(frame, deadline) == Io::Done)
        return true;
    // Part of a frame may be out: nothing can follow it on this connection.
    m_open = false;
    return false;
}

bool C_WebSocket::sendClose(int code, std::string_view reason, const net::Deadline& deadline)
{
    if (m_closeSent || !m_stream)
        return true;
    m_closeSent = true;
    const std::string payload = code == kCloseNoCode ? std::string() : net::closePayload(code, reason);
    return sendFrame(net::WsOpcode::Close, payload, deadline);
}

int C_WebSocket::SendText(std::string_view text, int timeOutMs)
{
    if (!IsOpen() || m_closeSent) {
        SetState(net::kStateNotOpened);
        return 0;
    }
    return sendFrame(net::WsOpcode::Text, text, net::Deadline::After(timeOutMs)) ? 1 : 0;
}

void C_WebSocket::recordClose(std::string_view payload)
{
    if (payload.size() < 2) {
        m_closeCode = kCloseNoCode;
        m_closeReason = C_String();
        return;
    }
    m_closeCode = (static_cast<uint8_t>(payload[0]) << 8) | static_cast<uint8_t>(payload[1]);
    m_closeReason = C_String(std::string(payload.substr(2)));
}

int C_WebSocket::failWith(const char* text, int closeCode)
{
    if (closeCode != 0 && IsOpen())
        sendClose(closeCode, {}, net::Deadline::After(kControlSendMs));
    dropConnection();
    General_SetStateMessageA(text);
    return kFailed;
}

int C_WebSocket::Receive(std::string* message, bool* binary, int timeOutMs)
{
    if (!IsOpen()) {
        SetState(net::kStateNotOpened);
        return kFailed;
    }
    const net::Deadline deadline = net::Deadline::After(timeOutMs);
    for (;;) {
        while (m_readAt < m_readEnd) {
            size_t used = 0;
            const auto event = m_reader->Feed(m_readBuffer.data() + m_readAt, m_readEnd - m_readAt, &used);
            m_readAt += used;
            if (event == net::WsFrameReader::Event::Message) {
                message->swap(m_reader->MessageData());
                if (binary)
                    *binary = m_reader->IsBinary();
                return kMessage;
            }
            if (event == net::WsFrameReader::Event::Failed) {
                const net::WsFault fault = m_reader->GetFault();
                return failWith(net::wsFaultText(fault), net::wsFaultCloseCode(fault));
            }
            if (event != net::WsFrameReader::Event::Control)
                continue;
            const std::string_view payload = m_reader->GetControlPayload();
            switch (m_reader->GetControlOpcode()) {
            case net::WsOpcode::Ping:
                // After our close no other frame may follow it.
                if (!m_closeSent && !sendFrame(net::WsOpcode::Pong, payload, net::Deadline::After(kControlSendMs))) {
                    dropConnection();
                    return kFailed;
                }
                break;
            case net::WsOpcode::Close: {
                recordClose(payload);
                const int code = m_closeCode;
                sendClose(code, {}, net::Deadline::After(kControlSendMs));
                dropConnection();
                SetState(net::kStateDisconnected);
                return kClosed;
            }
            default:
                break;  // an unasked pong
            }
        }
        m_readAt = m_readEnd = 0;
        bool peerClosed = false;
        switch (readSome(deadline, &peerClosed)) {
        case Io::Done:
            break;
        case Io::TimedOut:
            return kTimedOut;
        case Io::Aborted:
            return kAborted;
        case Io::Failed:
            dropConnection();
            return kFailed;
        }
        if (peerClosed) {
            m_closeCode = kCloseAbnormal;
            dropConnection();
            SetState(net::kStateDisconnected);
            return kClosed;
        }
    }
}

void C_WebSocket::Close(int code, std::string_view reason, int timeOutMs)
{
    if (!m_socket.IsValid())
        return;
    const net::Deadline deadline = net::Deadline::After(timeOutMs);
    if (m_open && sendClose(code, reason, deadline)) {
        // The server's close ends it; data messages still on the way are dropped.
        std::string dropped;
        while (m_socket.IsValid()) {
            const int r = Receive(&dropped, nullptr, deadline.RemainingMs() < 0 ? -1 : deadline.RemainingMs());
            if (r != kMessage)
                break;
        }
    }
    dropConnection();
}

void C_WebSocket::dropConnection()
{
    m_open = false;
    if (m_socket.IsValid())
        platform::socketShutdown(m_socket.Get(), platform::ShutdownHow::Both);
    m_stream.reset();
    m_ssl.Cleanup();
    m_socket.Reset();
    m_readAt = m_readEnd = 0;
}

}  // namespace qarvo
