#pragma once
// WebSocket framing, client side, without any I/O: the masked frames a client sends, and an
// incremental reader of the server's unmasked frames that reassembles fragmented messages
// within caps and hands control frames out as they come.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qarvo::net {

enum class WsOpcode : uint8_t {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

// Close codes the client itself sends.
inline constexpr int kWsCloseNormal = 1000;
inline constexpr int kWsCloseProtocolError = 1002;
inline constexpr int kWsCloseTooBig = 1009;
// Control frames carry at most this much payload.
inline constexpr size_t kWsMaxControlPayload = 125;

// Appends one final frame of `opcode` carrying `payload` masked with `mask` to *out.
void encodeClientFrame(WsOpcode opcode, std::string_view payload, const uint8_t mask[4], std::string* out);
// The payload of a close frame: the code in network order, then the reason.
std::string closePayload(int code, std::string_view reason);

enum class WsFault {
    None,
    Masked,              // servers never mask
    ReservedBits,        // no extension was agreed, so RSV1..3 stay clear
    UnknownOpcode,
    FragmentedControl,
    ControlTooLong,
    BadLength,           // a 64-bit length with its top bit set
    NothingToContinue,   // a continuation frame outside a fragmented message
    MessageUnfinished,   // a new data frame while a fragmented one is open
    BadClosePayload,     // a close frame of one byte
    FrameTooBig,
    MessageTooBig,
};

// The state text of a fault, and the close code it is answered with.
const char* wsFaultText(WsFault fault);
int wsFaultCloseCode(WsFault fault);

class WsFrameReader {
public:
    enum class Event {
        NeedMore,  // every byte given was used; feed more
        Message,   // a whole data message: MessageData / IsBinary
        Control,   // a control frame: GetControlOpcode / GetControlPayload
        Failed,    // GetFault says why; the reader stays failed
    };

    WsFrameReader(size_t maxFrame, size_t maxMessage) : m_maxFrame(maxFrame), m_maxMessage(maxMessage) {}

    // Reads `size` bytes from `data` up to the end of the next event; *used tells how many
    // were taken (the rest belongs to later frames). A message or control payload stays
    // readable until the next Feed.
    Event Feed(const char* data, size_t size, size_t* used);

    std::string& MessageData() { return m_message; }
    bool IsBinary() const { return m_binary; }
    WsOpcode GetControlOpcode() const { return m_controlOpcode; }
    std::string_view GetControlPayload() const { return {m_control, m_controlSize}; }
    WsFault GetFault() const { return m_fault; }
    bool InMessage() const { return m_inMessage; }

private:
    enum class State {
        Head,     // gathering the 2..10 header bytes
        Payload,  // copying the frame's payload where it goes
        Failed,
    };

    // Checks a whole header; false with the fault set.
    bool startFrame();
    // The event at the end of a frame.
    Event endFrame();
    Event fail(WsFault fault);
    bool reject(WsFault fault);

    size_t m_maxFrame;
    size_t m_maxMessage;
    State m_state = State::Head;
    WsFault m_fault = WsFault::None;

    uint8_t m_head[10] = {};
    size_t m_headSize = 0;
    bool m_fin = false;
    uint8_t m_opcode = 0;
    uint64_t m_left = 0;  // payload bytes of the frame still to come

    bool m_inMessage = false;  // a fragmented message has begun and not ended
    bool m_ready = false;      // the last event handed out a message or control frame
    bool m_binary = false;
    std::string m_message;

    WsOpcode m_controlOpcode = WsOpcode::Ping;
    char m_control[kWsMaxControlPayload] = {};
    size_t m_controlSize = 0;
};

}  // namespace qarvo::net
