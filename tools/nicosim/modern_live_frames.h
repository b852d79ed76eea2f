#pragma once
// The server's side of WebSocket framing: reading the frames a client sends (masked, as a
// client must), writing the server's own (never masked), and the handshake's accept value.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nicosim {

enum class WsOpcode : uint8_t { Continuation = 0, Text = 1, Binary = 2, Close = 8, Ping = 9, Pong = 10 };

// A client frame larger than this is no message of a comment client.
constexpr size_t kMaxClientFramePayload = 64 * 1024;
// Control frames carry at most this much, and are never fragmented.
constexpr size_t kMaxControlPayload = 125;

struct WsFrame {
    bool fin = false;
    uint8_t opcode = 0;
    std::string payload; // unmasked
};

enum class WsParse {
    NeedMore,   // the bytes hold no whole frame yet
    Frame,      // one frame read; `used` bytes consumed
    Unmasked,   // a client frame without its mask
    Reserved,   // reserved bits set, or an opcode with no meaning
    BadControl, // a control frame fragmented or longer than 125 bytes
    TooLarge,   // a payload over the limit, or a 64-bit length with its top bit set
};

// Reads the frame at the start of `in`. Nothing is consumed unless a frame is whole; an
// error stays an error for the same bytes, so the caller closes the connection.
WsParse parseClientFrame(std::string_view in, WsFrame& frame, size_t& used, size_t maxPayload = kMaxClientFramePayload);

// A whole unmasked server frame.
std::string serverFrame(WsOpcode opcode, std::string_view payload);
// A close frame's payload: the status code, then the reason.
std::string closePayload(uint16_t code, std::string_view reason = {});

// Sec-WebSocket-Accept for a Sec-WebSocket-Key: base64(SHA-1(key + the protocol's GUID)).
std::string webSocketAccept(std::string_view key);
// True for a key that is the base64 text of 16 bytes.
bool validWebSocketKey(std::string_view key);

} // namespace nicosim
