#include "engine/nicolive/socket_message.h"

#include "engine/nicolive/live_markers.h"
#include "engine/service/iso_time.h"
#include "engine/service/json_value.h"

namespace pelmora::engine::nicolive {

using namespace pelmora::livenames;

namespace {

// The server's messages are a few hundred bytes; a text frame this large is no message.
constexpr size_t kMaxMessageBytes = 1024u * 1024u;

void stringField(const json::Value& object, const char* name, std::string& out)
{
    std::string_view text;
    if (object[name].GetString(text))
        out.assign(text);
}

}  // namespace

ServerMessage readServerMessage(std::string_view text)
{
    ServerMessage message;
    json::Document document(kMaxMessageBytes);
    if (!document.Parse(text))
        return message;
    const json::Value root = document.Root();
    stringField(root, kType, message.type);
    const json::Value data = root[kData];
    const std::string& type = message.type;
    if (type == kSeat) {
        data[kKeepIntervalSec].GetInt(message.keepIntervalSec);
    } else if (type == kMessageServer) {
        stringField(data, kViewUri, message.viewUri);
        stringField(data, kHashedUserId, message.hashedUserId);
        // An ISO 8601 time; Unix seconds are taken too.
        std::string_view time;
        if (data[kVposBaseTime].GetString(time)) {
            int64_t seconds = 0;
            if (parseIsoSeconds(time, seconds))
                message.vposBaseTime = seconds;
        } else {
            data[kVposBaseTime].GetInt(message.vposBaseTime);
        }
    } else if (type == kReconnect) {
        stringField(data, kAudienceToken, message.audienceToken);
        data[kWaitTimeSec].GetInt(message.waitTimeSec);
    } else if (type == kDisconnect) {
        stringField(data, kReason, message.reason);
    } else if (type == kError) {
        stringField(data, kCode, message.reason);
        if (message.reason.empty())
            stringField(data, kMessage, message.reason);
    }
    return message;
}

std::string startWatchingMessage(bool reconnect)
{
    return reconnect ? kStartWatchingAgain : kStartWatchingFresh;
}

std::string keepSeatMessage()
{
    return kKeepSeatMessage;
}

std::string pongMessage()
{
    return kPongMessage;
}

std::string disconnectText(std::string_view reason)
{
    for (const DisconnectReason& known : kDisconnectReasons)
        if (reason == known.reason)
            return known.text;
    return std::string(reason);
}

}  // namespace pelmora::engine::nicolive
