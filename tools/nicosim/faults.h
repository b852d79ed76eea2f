#pragma once
// Misbehaviour on request. A fault is a word; the words of a request come from
//   - a "sim" query parameter: "?sim=gzip,delay500" (words joined by "," or "~"),
//   - a suffix after "~" on an id or a path segment: "/watch/sm9~gzip~delay500",
//     "getflv?v=sm9~flv.drop"; nicosim hands such a suffix on with the id, so that the thread
//     ids it gives out carry it to the comment servers,
//   - the words set on the running server (Server::setFaults).
// A word may name the step it is meant for ("msg.gzip"); a word without a step applies to
// every step that knows it. Steps ignore words they do not know.

#include <string>
#include <string_view>
#include <vector>

namespace nicosim {

// The kinds of request nicosim answers; the names are the step prefixes of fault words.
enum class Step {
    Watch,   // watch pages of videos, live and Jikkyo pages ("watch")
    Flv,     // /api/getflv ("flv")
    Key,     // /api/getthreadkey ("key")
    Msg,     // the comment server ("msg")
    Thumb,   // /api/getthumbinfo/ ("thumb")
    Player,  // /thumb_watch ("player")
    Status,  // /api/getplayerstatus ("status")
    Live,    // the live comment servers over TCP ("live")
    History, // /history ("history")
    Market,  // the market ranking feed ("market")
    Picture, // thumbnails and product pictures ("picture")
    Other,   // everything else: index, tag, forum and shop pages ("other")
    Api,     // today's comment interface, POST /v1/threads ("api")
    KeyApi,  // today's thread key endpoint ("nvkey")
    // Today's live path on a.live2 and mpn.live (modern_live_*.cpp):
    LiveSocket,   // the WebSocket ("ws")
    LiveView,     // the view stream, GET {viewUri}?at= ("view")
    LiveSegment,  // a segment's messages ("segment")
    LiveBackward, // a packed backward segment ("backward")
};

constexpr int kStepCount = 18;

const char* stepName(Step step);
bool parseStepName(std::string_view name, Step& step);

enum class RedirectKind { Alternating, Absolute, Relative };

// What one request should suffer. Redirects come first, then the delay, then the answer with
// its encoding and transfer faults.
struct Faults {
    int delayMs = 0;          // "delayN": wait N ms (at most kMaxDelayMs) before answering
    int redirects = 0;        // "redirN", "redirabsN", "redirrelN": N redirects first
    RedirectKind redirectKind = RedirectKind::Alternating;
    bool drop = false;        // "drop": full Content-Length, half the body, then close
    bool chunked = false;     // "chunked": chunked transfer coding
    bool chunkCut = false;    // "chunkcut": chunked, closed before the last chunk
    bool gzip = false;        // "gzip": Content-Encoding gzip
    bool deflate = false;     // "deflate": Content-Encoding deflate (zlib stream)
    bool refused = false;     // "refused": the access-refused page instead of a watch page
    bool notFound = false;    // "notfound": 404
    bool close = false;       // "close": live server answers, then closes the connection
    bool hangup = false;      // "hangup": live server closes without answering
    int cutMs = 0;            // "cutN": live server closes the connection N ms after answering
    bool garbage = false;     // "garbage": live server sends bytes that are no XML
    bool errorPage = false;   // "errorpage": the history's error page, as without the login
    bool noClear = false;     // "noclear": the history page lacks its "history?c=clear" link
    bool seven = false;       // "seven": the market feed has seven shop products (nine items)
    int setCookies = 0;       // "setcookieN": N more Set-Cookie headers, one cookie each
    bool sibling = false;     // "sibling": a 302 to the same target on kSiblingHost
    // Today's video pages and comment interface (modern_pages.cpp):
    bool modernPage = false;  // "modern": the watch page of today's service, with its data
    bool classicPage = false; // "classic": the old watch page even when --modern is on
    bool apiDataPage = false; // "apidata": today's page in its older form (data-api-data)
    bool expiredKey = false;  // "expiredkey": the page's thread key has expired
    bool rateLimit = false;   // "ratelimit": the first thread request is refused, Retry-After 1
    bool brokenJson = false;  // "brokenjson": the answer is cut in the middle of its JSON
    bool chunkedOne = false;  // "chunked1": chunked transfer in chunks of one byte
    // Today's live path (modern_live_*.cpp), words given on the watch address travel on to
    // the WebSocket and every stream:
    bool wsReconnect = false; // "wsreconnect": a few seconds after a first startWatching the
                              // WebSocket sends reconnect {a new token, waitTimeSec 1} and closes
    bool viewCut = false;     // "viewcut": a view stream is cut inside the message after its
                              // first segment entry
    bool segStall = false;    // "segstall": a segment sends its first messages, then nothing,
                              // without ending, until the client goes away or the server stops
    int endMs = -1;           // "endN": the broadcast ends N ms after the server started
                              // (status ENDED, disconnect END_PROGRAM, no next); -1: never
    std::vector<std::string> unknown; // words no step knows, reported back to the client
};

constexpr int kMaxDelayMs = 60000;
constexpr int kMaxRedirects = 20;
constexpr int kMaxSetCookies = 20;
constexpr int kMaxCutMs = 3600000;

// Splits "sm9~gzip~msg.drop" into "sm9" and {"gzip", "msg.drop"}.
std::string_view baseId(std::string_view id);
std::vector<std::string> suffixWords(std::string_view id);
// Splits a "sim" parameter value at "," and "~".
std::vector<std::string> simWords(std::string_view value);

// Adds the words meant for `step` to `faults`.
void applyFaultWords(const std::vector<std::string>& words, Step step, Faults& faults);

} // namespace nicosim
