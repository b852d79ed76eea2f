#pragma once
// The live WebSocket's JSON messages: reading what the server sends, writing what the client
// sends, and what a disconnect tells the user.

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora::engine::nicolive {

struct ServerMessage {
    // "seat", "messageServer", "ping", "reconnect", "disconnect", "error", ... ("" when not
    // JSON or no type)
    std::string type;
    int64_t keepIntervalSec = 0;  // seat
    // messageServer (its ISO 8601 time as Unix seconds)
    std::string viewUri, hashedUserId;
    int64_t vposBaseTime = 0;
    // reconnect
    std::string audienceToken;
    int64_t waitTimeSec = 0;
    std::string reason;  // disconnect; error: its data.code or message
};
ServerMessage readServerMessage(std::string_view text);

std::string startWatchingMessage(bool reconnect);  // {"type":"startWatching","data":{"reconnect":false}}
std::string keepSeatMessage();                     // {"type":"keepSeat"}
std::string pongMessage();                         // {"type":"pong"}

// The state text a disconnect reason gives the user, in Japanese as the program's other
// messages are ("番組が終了しました" for END_PROGRAM, "別の場所で視聴が開始されました" for
// TAKEOVER, ...), and the reason itself for an unknown one.
std::string disconnectText(std::string_view reason);

}  // namespace pelmora::engine::nicolive
