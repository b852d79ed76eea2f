#include "tools/nicosim/modern_live.h"

#include "tools/nicosim/seeded.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

#include <chrono>
#include <cstdio>

namespace nicosim {
namespace {

constexpr const char* kTokenPrefix = "nicosim";

std::string tokenSignature(uint32_t seed, std::string_view liveId, uint64_t serial)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(seededHash(seed, hashText(liveId), serial, 21)));
    return text;
}

} // namespace

int64_t wallClockMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string webSocketUrl(std::string_view program, std::string_view audienceToken)
{
    return std::string("wss://") + kLiveSocketHost + kSocketPathPrefix + std::string(program) +
           "?audience_token=" + percentEncode(audienceToken);
}

std::string viewUri(std::string_view program)
{
    return std::string("https://") + kLiveStreamHost + kViewPathPrefix + std::string(program);
}

std::string segmentUri(std::string_view program, int64_t window)
{
    return std::string("https://") + kLiveStreamHost + kSegmentPathPrefix + std::string(program) + "/" +
           std::to_string(window);
}

std::string backwardUri(std::string_view program, int chatCount)
{
    return std::string("https://") + kLiveStreamHost + kBackwardPathPrefix + std::string(program) + "/" +
           std::to_string(chatCount);
}

std::string audienceToken(uint32_t seed, std::string_view liveId, uint64_t serial)
{
    return std::string(kTokenPrefix) + "_" + std::string(liveId) + "_" + std::to_string(serial) + "_" +
           tokenSignature(seed, liveId, serial);
}

bool knownAudienceToken(uint32_t seed, std::string_view token, std::string_view liveId)
{
    const std::vector<std::string> parts = splitText(token, '_');
    long long serial = 0;
    return parts.size() == 4 && parts[0] == kTokenPrefix && parts[1] == liveId &&
           parseDecimal(parts[2], 999999999999999LL, serial) &&
           parts[3] == tokenSignature(seed, liveId, static_cast<uint64_t>(serial));
}

std::optional<int64_t> programEndMs(const LiveFacts& live, const Faults& faults, int64_t startMs)
{
    if (live.ended)
        return startMs;
    if (faults.endMs >= 0)
        return startMs + faults.endMs;
    return std::nullopt;
}

int64_t programEndTime(const LiveFacts& live)
{
    // Two chats a second from the opening (catalogue.cpp); a running one is planned for a day.
    return live.ended ? live.openTime + live.initialChats / 2 + 1 : live.openTime + 86400;
}

std::optional<ThreadFacts> liveThread(const Catalogue& catalogue, const LiveFacts& live)
{
    return catalogue.thread(live.threadId);
}

} // namespace nicosim
