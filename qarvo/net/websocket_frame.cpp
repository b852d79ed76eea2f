#include "qarvo/net/websocket_frame.h"

#include <algorithm>

namespace qarvo::net {
namespace {

constexpr uint8_t kFin = 0x80;
constexpr uint8_t kReserved = 0x70;
constexpr uint8_t kOpcodeBits = 0x0F;
constexpr uint8_t kMaskBit = 0x80;
constexpr uint8_t kLengthBits = 0x7F;
constexpr uint8_t kLength16 = 126;
constexpr uint8_t kLength64 = 127;

bool isControl(uint8_t opcode) { return (opcode & 0x8) != 0; }

bool isKnown(uint8_t opcode)
{
    return opcode <= 0x2 || (opcode >= 0x8 && opcode <= 0xA);
}

// The header's full size once its first two bytes are known (servers send no mask key).
size_t headSize(uint8_t second)
{
    const uint8_t length = second & kLengthBits;
    return length == kLength16 ? 4 : length == kLength64 ? 10 : 2;
}

}  // namespace

void encodeClientFrame(WsOpcode opcode, std::string_view payload, const uint8_t mask[4], std::string* out)
{
    const uint64_t size = payload.size();
    out->push_back(static_cast<char>(kFin | static_cast<uint8_t>(opcode)));
    if (size < kLength16) {
        out->push_back(static_cast<char>(kMaskBit | size));
    } else if (size <= 0xFFFF) {
        out->push_back(static_cast<char>(kMaskBit | kLength16));
        out->push_back(static_cast<char>(size >> 8));
        out->push_back(static_cast<char>(size));
    } else {
        out->push_back(static_cast<char>(kMaskBit | kLength64));
        for (int shift = 56; shift >= 0; shift -= 8)
            out->push_back(static_cast<char>(size >> shift));
    }
    out->append(reinterpret_cast<const char*>(mask), 4);
    const size_t at = out->size();
    out->append(payload);
    for (size_t i = 0; i < payload.size(); ++i)
        (*out)[at + i] = static_cast<char>(static_cast<uint8_t>((*out)[at + i]) ^ mask[i % 4]);
}

std::string closePayload(int code, std::string_view reason)
{
    std::string payload;
    payload.push_back(static_cast<char>((code >> 8) & 0xFF));
    payload.push_back(static_cast<char>(code & 0xFF));
    // The code takes two of the control frame's 125 bytes.
    payload.append(reason.substr(0, kWsMaxControlPayload - 2));
    return payload;
}

const char* wsFaultText(WsFault fault)
{
    switch (fault) {
    case WsFault::None:
        return "no WebSocket fault";
    case WsFault::Masked:
        return "WebSocket frame from the server is masked";
    case WsFault::ReservedBits:
        return "WebSocket frame sets reserved bits";
    case WsFault::UnknownOpcode:
        return "WebSocket frame has an unknown opcode";
    case WsFault::FragmentedControl:
        return "WebSocket control frame is fragmented";
    case WsFault::ControlTooLong:
        return "WebSocket control frame is longer than 125 bytes";
    case WsFault::BadLength:
        return "WebSocket frame length is invalid";
    case WsFault::NothingToContinue:
        return "WebSocket continuation frame with no message to continue";
    case WsFault::MessageUnfinished:
        return "WebSocket data frame inside an unfinished message";
    case WsFault::BadClosePayload:
        return "WebSocket close frame of one byte";
    case WsFault::FrameTooBig:
        return "WebSocket frame is larger than the cap";
    case WsFault::MessageTooBig:
        return "WebSocket message is larger than the cap";
    }
    return "unknown WebSocket fault";
}

int wsFaultCloseCode(WsFault fault)
{
    return fault == WsFault::FrameTooBig || fault == WsFault::MessageTooBig ? kWsCloseTooBig : kWsCloseProtocolError;
}

WsFrameReader::Event WsFrameReader::Feed(const char* data, size_t size, size_t* used)
{
    *used = 0;
    if (m_state == State::Failed)
        return Event::Failed;
    // What the last event handed out is gone now.
    if (m_ready) {
        m_ready = false;
        m_controlSize = 0;
        if (!m_inMessage)
            m_message.clear();
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(data);
    size_t at = 0;
    for (;;) {
        switch (m_state) {
        case State::Head: {
            // Two bytes tell how long the header is; the rest of it follows.
            const size_t want = m_headSize < 2 ? 2 : headSize(m_head[1]);
            const size_t take = std::min(want - m_headSize, size - at);
            std::copy(bytes + at, bytes + at + take, m_head + m_headSize);
            m_headSize += take;
            at += take;
            *used = at;
            if (m_headSize < want)
                return Event::NeedMore;
            if (m_headSize == 2 && headSize(m_head[1]) > 2)
                continue;
            if (!startFrame())
                return Event::Failed;
            m_state = State::Payload;
            break;
        }
        case State::Payload: {
            // m_left fits the caps (checked at the header), so it fits a size_t.
            const size_t take = static_cast<size_t>(std::min<uint64_t>(m_left, size - at));
            if (isControl(m_opcode)) {
                std::copy(data + at, data + at + take, m_control + m_controlSize);
                m_controlSize += take;
            } else {
                m_message.append(data + at, take);
            }
            at += take;
            m_left -= take;
            *used = at;
            if (m_left > 0)
                return Event::NeedMore;
            const Event event = endFrame();
            // A fragment that does not end its message is no event: read on.
            if (event != Event::NeedMore || at == size)
                return event;
            break;
        }
        case State::Failed:
            return Event::Failed;
        }
    }
}

bool WsFrameReader::startFrame()
{
    const uint8_t first = m_head[0];
    const uint8_t second = m_head[1];
    m_fin = (first & kFin) != 0;
    m_opcode = first & kOpcodeBits;
    if (second & kMaskBit)
        return reject(WsFault::Masked);
    if (first & kReserved)
        return reject(WsFault::ReservedBits);
    if (!isKnown(m_opcode))
        return reject(WsFault::UnknownOpcode);

    uint64_t length = second & kLengthBits;
    if (length == kLength16) {
        length = (uint64_t{m_head[2]} << 8) | m_head[3];
    } else if (length == kLength64) {
        length = 0;
        for (size_t i = 2; i < 10; ++i)
            length = (length << 8) | m_head[i];
        if (length >> 63)
            return reject(WsFault::BadLength);
    }

    if (isControl(m_opcode)) {
        if (!m_fin)
            return reject(WsFault::FragmentedControl);
        if (length > kWsMaxControlPayload)
            return reject(WsFault::ControlTooLong);
        if (m_opcode == static_cast<uint8_t>(WsOpcode::Close) && length == 1)
            return reject(WsFault::BadClosePayload);
    } else {
        if (m_opcode == static_cast<uint8_t>(WsOpcode::Continuation) && !m_inMessage)
            return reject(WsFault::NothingToContinue);
        if (m_opcode != static_cast<uint8_t>(WsOpcode::Continuation) && m_inMessage)
            return reject(WsFault::MessageUnfinished);
        if (length > m_maxFrame)
            return reject(WsFault::FrameTooBig);
        if (m_maxMessage - m_message.size() < length)
            return reject(WsFault::MessageTooBig);
        if (m_opcode != static_cast<uint8_t>(WsOpcode::Continuation))
            m_binary = m_opcode == static_cast<uint8_t>(WsOpcode::Binary);
        m_inMessage = true;
        // Grown by doubling, as append would, but never past the message cap: a fresh string
        // is reserved because reserve on a full one may double past what was asked.
        const size_t need = m_message.size() + static_cast<size_t>(length);
        if (m_message.capacity() < need) {
            std::string grown;
            grown.reserve(std::max(need, std::min(m_message.capacity() * 2, m_maxMessage)));
            grown.append(m_message);
            m_message.swap(grown);
        }
    }
    m_left = length;
    m_controlSize = 0;
    return true;
}

WsFrameReader::Event WsFrameReader::endFrame()
{
    m_state = State::Head;
    m_headSize = 0;
    if (isControl(m_opcode)) {
        m_controlOpcode = static_cast<WsOpcode>(m_opcode);
        m_ready = true;
        return Event::Control;
    }
    if (!m_fin)
        return Event::NeedMore;
    m_inMessage = false;
    m_ready = true;
    return Event::Message;
}

bool WsFrameReader::reject(WsFault fault)
{
    fail(fault);
    return false;
}

WsFrameReader::Event WsFrameReader::fail(WsFault fault)
{
    m_state = State::Failed;
    m_fault = fault;
    return Event::Failed;
}

}  // namespace qarvo::net
