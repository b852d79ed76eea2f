#pragma once
// Today's live path: the markers, addresses and tokens every part of it shares, in one place.
//
//   watch page   https://live.nicovideo.jp/watch/lvN[~words]   (modern_live_page.cpp)
//   WebSocket    wss://a.live2.nicovideo.jp/wsapi/v2/watch/lvN[~words]?audience_token=T
//   view stream  https://mpn.live.nicovideo.jp/api/view/v4/lvN[~words]?at=now|<unix s>
//   segment      https://mpn.live.nicovideo.jp/data/segment/v4/lvN[~words]/<window>
//   backward     https://mpn.live.nicovideo.jp/data/backward/v4/lvN[~words]/<chat count>
//
// A window is [window * segmentMs, (window + 1) * segmentMs) on the wall clock (ms since 1970);
// a backward address holds the 100 chats before the given count of chats. The "~" words of the
// watch address stay on every address, so that a fault word reaches the step it is meant for.

#include "tools/nicosim/catalogue.h"
#include "tools/nicosim/faults.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nicosim {

struct ModernLiveTimings {
    int pingMs = 10000;      // the WebSocket's ping interval
    int segmentMs = 16000;   // the length of a segment window
    int viewMs = 30000;      // how long a view stream runs before its next entry
    int reconnectMs = 3000;  // "wsreconnect": the reconnect message this long after startWatching
};

inline constexpr int kKeepSeatIntervalSec = 30;
inline constexpr int kBackwardChats = 100;
inline constexpr const char* kLiveOrigin = "https://live.nicovideo.jp";
inline constexpr const char* kSocketPathPrefix = "/wsapi/v2/watch/";
inline constexpr const char* kViewPathPrefix = "/api/view/v4/";
inline constexpr const char* kSegmentPathPrefix = "/data/segment/v4/";
inline constexpr const char* kBackwardPathPrefix = "/data/backward/v4/";

int64_t wallClockMs();

// `program` is the id with its "~" words, as the watch address named it.
std::string webSocketUrl(std::string_view program, std::string_view audienceToken);
std::string viewUri(std::string_view program);
std::string segmentUri(std::string_view program, int64_t window);
std::string backwardUri(std::string_view program, int chatCount);

// Tokens carry their broadcast and a serial, signed with the seed: the WebSocket knows a token
// it handed out (or a watch page did) without keeping any.
std::string audienceToken(uint32_t seed, std::string_view liveId, uint64_t serial);
bool knownAudienceToken(uint32_t seed, std::string_view token, std::string_view liveId);

// The wall time (ms since 1970) the broadcast ends at: the server's start for an ended one of
// the catalogue, N ms after it for "endN"; nullopt while it runs on.
std::optional<int64_t> programEndMs(const LiveFacts& live, const Faults& faults, int64_t startMs);

// The program's own times (Unix s): it opened at the catalogue's time, and vpos counts from it.
int64_t programEndTime(const LiveFacts& live);

// An id's chat thread, as the classic path reads it.
std::optional<ThreadFacts> liveThread(const Catalogue& catalogue, const LiveFacts& live);

} // namespace nicosim
