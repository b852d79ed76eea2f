// The WebSocket of today's live path: the handshake, then JSON text frames both ways. It
// hands out the view stream's address on startWatching, pings on a clock, and tells of the
// program's end, a reconnect ("wsreconnect") or a missed pong.

#include "tools/nicosim/live_server.h"
#include "tools/nicosim/modern_live_frames.h"
#include "tools/nicosim/modern_live_link.h"
#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

#include <simdjson.h>

#include <cstdio>

namespace nicosim {
namespace {

// A message assembled from fragments larger than this closes the connection.
constexpr size_t kMaxClientMessage = 64 * 1024;
constexpr uint16_t kCloseNormal = 1000;
constexpr uint16_t kCloseProtocolError = 1002;
constexpr uint16_t kCloseTooBig = 1009;

bool headerHasToken(std::string_view value, std::string_view token)
{
    for (const std::string& piece : splitText(value, ','))
        if (lowerAscii(trimSpaces(piece)) == token)
            return true;
    return false;
}

std::string hashedUserId(uint32_t seed)
{
    char text[24];
    std::snprintf(text, sizeof text, "a:%016llx", static_cast<unsigned long long>(seededHash(seed, hashText(kUserId), 24)));
    return text;
}

class SocketSession {
public:
    SocketSession(LiveLink& link, const LiveTarget& target, const ModernLiveContext& context)
        : m_link(link), m_target(target), m_context(context),
          m_endMs(programEndMs(target.facts, target.faults, context.live.startedAtMs()))
    {
    }

    void run(std::string in);

private:
    bool sendJson(std::string_view type, std::string_view data = {});
    // Sends a close frame and waits a moment for the client's.
    void close(uint16_t code);
    // false when the session is over.
    bool onMessage(std::string_view text);
    bool onFrame(const WsFrame& frame);

    LiveLink& m_link;
    const LiveTarget& m_target;
    const ModernLiveContext& m_context;
    std::optional<int64_t> m_endMs;
    std::string m_message;     // fragments of a text message so far
    bool m_inMessage = false;
    bool m_pingOutstanding = false;
    int64_t m_reconnectAt = -1;
    bool m_watched = false; // a startWatching was answered
};

bool SocketSession::sendJson(std::string_view type, std::string_view data)
{
    std::string text = "{\"type\":";
    appendJsonString(text, type);
    if (!data.empty()) {
        text += ",\"data\":";
        text += data;
    }
    text += '}';
    return m_link.send(serverFrame(WsOpcode::Text, text));
}

void SocketSession::close(uint16_t code)
{
    if (m_link.send(serverFrame(WsOpcode::Close, closePayload(code))))
        m_link.linger(500);
}

bool SocketSession::onMessage(std::string_view text)
{
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    std::string_view type;
    if (parser.parse(text.data(), text.size(), true).get(root) != simdjson::SUCCESS ||
        root["type"].get(type) != simdjson::SUCCESS)
        return sendJson("error", "{\"code\":\"INVALID_MESSAGE\"}");
    if (type == "pong") {
        m_pingOutstanding = false;
        return true;
    }
    if (type != "startWatching")
        return true; // keepSeat and what a comment client does not send need no answer

    bool reconnect = false;
    if (root["data"]["reconnect"].get(reconnect) != simdjson::SUCCESS)
        reconnect = false;
    if (!sendJson("seat", "{\"keepIntervalSec\":" + std::to_string(kKeepSeatIntervalSec) + "}"))
        return false;
    m_watched = true;
    // A reconnecting client keeps the stream address it has.
    if (!reconnect) {
        std::string data = "{\"viewUri\":";
        appendJsonString(data, viewUri(m_target.program));
        data += ",\"vposBaseTime\":";
        appendJsonString(data, isoJapanTime(m_target.facts.openTime));
        data += ",\"hashedUserId\":";
        appendJsonString(data, hashedUserId(m_context.catalogue.seed()));
        data += "}";
        if (!sendJson("messageServer", data))
            return false;
        if (m_target.faults.wsReconnect)
            m_reconnectAt = wallClockMs() + m_context.timings.reconnectMs;
    }
    return true;
}

bool SocketSession::onFrame(const WsFrame& frame)
{
    switch (static_cast<WsOpcode>(frame.opcode)) {
    case WsOpcode::Ping:
        return m_link.send(serverFrame(WsOpcode::Pong, frame.payload));
    case WsOpcode::Pong:
        return true;
    case WsOpcode::Close: {
        // The client's code goes back, as the closing handshake has it.
        const std::string code = frame.payload.size() >= 2 ? frame.payload.substr(0, 2) : closePayload(kCloseNormal);
        if (m_link.send(serverFrame(WsOpcode::Close, code)))
            m_link.linger(200);
        return false;
    }
    case WsOpcode::Text:
    case WsOpcode::Binary:
        if (m_inMessage) {
            close(kCloseProtocolError);
            return false;
        }
        m_inMessage = !frame.fin;
        m_message = frame.payload;
        break;
    case WsOpcode::Continuation:
        if (!m_inMessage) {
            close(kCloseProtocolError);
            return false;
        }
        if (kMaxClientMessage - m_message.size() < frame.payload.size()) {
            close(kCloseTooBig);
            return false;
        }
        m_message += frame.payload;
        m_inMessage = !frame.fin;
        break;
    }
    if (m_inMessage || frame.opcode == static_cast<uint8_t>(WsOpcode::Binary))
        return true;
    return onMessage(m_message);
}

void SocketSession::run(std::string in)
{
    const int pingMs = m_context.timings.pingMs;
    int64_t nextPing = pingMs > 0 ? wallClockMs() + pingMs : -1;
    const bool endedAtStart = m_endMs && wallClockMs() >= *m_endMs;
    while (true) {
        // Whole frames first.
        for (;;) {
            WsFrame frame;
            size_t used = 0;
            const WsParse parsed = parseClientFrame(in, frame, used);
            if (parsed == WsParse::NeedMore)
                break;
            if (parsed != WsParse::Frame) {
                close(parsed == WsParse::TooLarge ? kCloseTooBig : kCloseProtocolError);
                return;
            }
            in.erase(0, used);
            if (!onFrame(frame))
                return;
        }

        // Then the clocks.
        const int64_t now = wallClockMs();
        // A program ended before the client came still hands out its stream on startWatching.
        if (m_endMs && now >= *m_endMs && (m_watched || !endedAtStart)) {
            sendJson("disconnect", "{\"reason\":\"END_PROGRAM\"}");
            close(kCloseNormal);
            return;
        }
        if (m_reconnectAt >= 0 && now >= m_reconnectAt) {
            std::string data = "{\"audienceToken\":";
            appendJsonString(data, audienceToken(m_context.catalogue.seed(), m_target.facts.id,
                                                 static_cast<uint64_t>(now)));
            data += ",\"waitTimeSec\":1}";
            sendJson("reconnect", data);
            close(kCloseNormal);
            return;
        }
        if (nextPing >= 0 && now >= nextPing) {
            // The last ping went unanswered for a whole interval.
            if (m_pingOutstanding) {
                sendJson("disconnect", "{\"reason\":\"PING_TIMEOUT\"}");
                close(kCloseNormal);
                return;
            }
            if (!sendJson("ping"))
                return;
            m_pingOutstanding = true;
            nextPing = now + pingMs;
        }
        if (!m_link.wait(kLivePollMs, in))
            return;
    }
}

} // namespace

void serveLiveSocket(LiveLink& link, const LiveRequest& request, const LiveTarget& target, std::string pending,
                     const ModernLiveContext& context)
{
    const std::string key = request.header("sec-websocket-key");
    if (request.method != "GET" || lowerAscii(request.header("upgrade")) != "websocket" ||
        !headerHasToken(request.header("connection"), "upgrade") || request.header("sec-websocket-version") != "13" ||
        !validWebSocketKey(key)) {
        sendLiveAnswer(link, 400, "a WebSocket handshake is expected here\n");
        return;
    }
    if (request.header("origin") != kLiveOrigin ||
        !knownAudienceToken(context.catalogue.seed(), request.param("audience_token"), target.facts.id)) {
        sendLiveAnswer(link, 403, "forbidden\n");
        return;
    }
    if (!link.send("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                   "Sec-WebSocket-Accept: " +
                   webSocketAccept(key) + "\r\n\r\n"))
        return;
    SocketSession session(link, target, context);
    session.run(std::move(pending));
}

} // namespace nicosim
