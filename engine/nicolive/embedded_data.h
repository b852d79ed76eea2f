#pragma once
// The live watch page's facts about its program, read from the JSON the page embeds.

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora::engine::nicolive {

struct ProgramFacts {
    std::string webSocketUrl;   // "" when the user may not watch
    std::string frontendId;     // "9" when missing
    std::string programId, title;
    std::string status;         // BEFORE_RELEASE, RELEASED, ON_AIR, ENDED ("" unknown)
    int64_t openTime = 0, beginTime = 0, endTime = 0, vposBaseTime = 0;
};

// Finds <script id="embedded-data" data-props="..."> (attribute order and quotes as HTML
// allows: single or double quotes), HTML-unescapes the attribute (named &quot; &amp; &lt;
// &gt; &#39; and numeric &#N; &#xN;), parses the JSON. False when the page has no such
// element or its JSON is broken (*error gets an English reason).
bool readEmbeddedData(std::string_view page, ProgramFacts* facts, std::string* error);

// The WebSocket address the client connects to: webSocketUrl with "&frontend_id=<id>"
// appended ("?" when it has no query yet); "" when there is no webSocketUrl.
std::string socketAddress(const ProgramFacts& facts);

// The address with its audience_token parameter replaced (for a reconnect request); the
// parameter is appended when the address has none. The token is percent-encoded.
std::string withAudienceToken(std::string_view address, std::string_view token);

}  // namespace pelmora::engine::nicolive
