// Today's live watch page: the program's data as HTML-escaped JSON in the embedded-data
// script element, with the WebSocket's address when the request carries the login.

#include "tools/nicosim/modern_live.h"
#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

namespace nicosim {
namespace {

constexpr int kFrontendId = 9;

} // namespace

Answer modernLivePage(const SiteContext& site, const PageRequest& request, const LiveFacts& live,
                      std::string_view requestedId)
{
    // The words stay on the program as the address named it; the id itself is the catalogue's.
    const std::string program = live.id + std::string(requestedId.substr(baseId(requestedId).size()));
    const std::string socket =
        request.loggedIn ? webSocketUrl(program, audienceToken(site.catalogue.seed(), live.id,
                                                               static_cast<uint64_t>(wallClockMs())))
                         : std::string();
    const std::optional<int64_t> endMs = programEndMs(live, request.faults, site.liveStartMs);
    const bool ended = endMs && *endMs <= wallClockMs();

    std::string data = "{\"site\":{\"relive\":{\"webSocketUrl\":";
    appendJsonString(data, socket);
    data += "},\"frontendId\":" + std::to_string(kFrontendId) + "},\"program\":{\"nicoliveProgramId\":";
    appendJsonString(data, live.id);
    data += ",\"title\":";
    appendJsonString(data, live.title);
    data += std::string(",\"status\":\"") + (ended ? "ENDED" : "ON_AIR") + "\"";
    data += ",\"openTime\":" + std::to_string(live.openTime) + ",\"beginTime\":" + std::to_string(live.openTime) +
            ",\"endTime\":" + std::to_string(programEndTime(live)) +
            ",\"vposBaseTime\":" + std::to_string(live.openTime) + "},\"user\":{\"isLoggedIn\":" +
            (request.loggedIn ? "true" : "false") + "}}";

    Answer a;
    a.body = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + xmlEscape(live.title) +
             " - ニコニコ生放送</title>\n</head>\n<body>\n<script id=\"embedded-data\" data-props=\"" +
             xmlEscape(data) + "\"></script>\n<div id=\"root\"><h1>" + xmlEscape(live.title) +
             "</h1></div>\n</body>\n</html>\n";
    return a;
}

} // namespace nicosim
