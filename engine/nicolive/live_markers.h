#pragma once
// Today's live comment path, every name of it in one place: where the watch page carries the
// program's facts, the fields read from them, the words of the WebSocket's JSON messages and
// the parameters of its address. A change of the service is a change of this file.

namespace pelmora::livenames {

// --- the watch page: <script id="embedded-data" data-props="..."> ---
inline constexpr const char* kEmbeddedTag = "script";
inline constexpr const char* kEmbeddedIdAttribute = "id";
inline constexpr const char* kEmbeddedId = "embedded-data";
inline constexpr const char* kEmbeddedValueAttribute = "data-props";

// --- the page data ---
inline constexpr const char* kSite = "site";
inline constexpr const char* kRelive = "relive";
inline constexpr const char* kWebSocketUrl = "webSocketUrl";
inline constexpr const char* kFrontendId = "frontendId";
inline constexpr const char* kProgram = "program";
inline constexpr const char* kProgramId = "nicoliveProgramId";
inline constexpr const char* kTitle = "title";
inline constexpr const char* kStatus = "status";
inline constexpr const char* kOpenTime = "openTime";
inline constexpr const char* kBeginTime = "beginTime";
inline constexpr const char* kEndTime = "endTime";
inline constexpr const char* kVposBaseTime = "vposBaseTime";
inline constexpr const char* kDefaultFrontendId = "9";
// The program states the page names; any other reads as unknown.
inline constexpr const char* kProgramStates[] = {"BEFORE_RELEASE", "RELEASED", "ON_AIR", "ENDED"};

// --- the WebSocket address ---
inline constexpr const char* kFrontendIdParameter = "frontend_id";
inline constexpr const char* kAudienceTokenParameter = "audience_token";

// --- the WebSocket's messages: {"type": ..., "data": {...}} ---
inline constexpr const char* kType = "type";
inline constexpr const char* kData = "data";
inline constexpr const char* kSeat = "seat";
inline constexpr const char* kKeepIntervalSec = "keepIntervalSec";
inline constexpr const char* kMessageServer = "messageServer";
inline constexpr const char* kViewUri = "viewUri";
inline constexpr const char* kHashedUserId = "hashedUserId";
inline constexpr const char* kReconnect = "reconnect";
inline constexpr const char* kAudienceToken = "audienceToken";
inline constexpr const char* kWaitTimeSec = "waitTimeSec";
inline constexpr const char* kDisconnect = "disconnect";
inline constexpr const char* kReason = "reason";
inline constexpr const char* kError = "error";
inline constexpr const char* kCode = "code";
inline constexpr const char* kMessage = "message";

// What the client sends.
inline constexpr const char* kStartWatchingFresh = R"({"type":"startWatching","data":{"reconnect":false}})";
inline constexpr const char* kStartWatchingAgain = R"({"type":"startWatching","data":{"reconnect":true}})";
inline constexpr const char* kKeepSeatMessage = R"({"type":"keepSeat"})";
inline constexpr const char* kPongMessage = R"({"type":"pong"})";

// What the user is told when the page names no WebSocket (no login, or no right to watch).
inline constexpr const char* kNotWatchableText = "この番組を視聴できません（ログインしていないか、視聴する権利がありません）";

// The reasons of a disconnect message and what the user is told of each.
struct DisconnectReason {
    const char* reason;
    const char* text;
};
inline constexpr DisconnectReason kDisconnectReasons[] = {
    {"TAKEOVER", "別の場所で視聴が開始されました"},
    {"NO_PERMISSION", "番組を視聴する権限がありません"},
    {"END_PROGRAM", "番組が終了しました"},
    {"PING_TIMEOUT", "サーバーからの応答が途絶えたため切断されました"},
    {"TOO_MANY_CONNECTIONS", "同時に接続できる数を超えました"},
    {"TOO_MANY_WATCHINGS", "同時に視聴できる番組の数を超えました"},
    {"CROWDED", "番組が混雑しているため接続できません"},
    {"MAINTENANCE_IN", "メンテナンス中です"},
    {"SERVICE_TEMPORARILY_UNAVAILABLE", "サービスが一時的に利用できません"},
};

}  // namespace pelmora::livenames
