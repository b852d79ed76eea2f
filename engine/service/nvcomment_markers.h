#pragma once
// Today's video comment path, every name of it in one place: where a watch page carries its
// comment data, the fields read from that data and from the comment interface's answers, the
// hosts, paths and headers of the requests, and the error words. A change of the service is
// a change of this file.

namespace pelmora::nvnames {

// --- the watch page ---
// The page's data as HTML-escaped JSON in <meta name="server-response" content="...">, the
// comment part at data.response.comment ...
inline constexpr const char* kServerResponseName = "server-response";
inline constexpr const char* kServerResponseNameAttribute = "name";
inline constexpr const char* kServerResponseValueAttribute = "content";
inline constexpr const char* kServerResponsePath[] = {"data", "response"};
// ... or, on older pages, in <div id="js-initial-watch-data" data-api-data="...">, at comment.
inline constexpr const char* kInitialDataId = "js-initial-watch-data";
inline constexpr const char* kInitialDataIdAttribute = "id";
inline constexpr const char* kInitialDataValueAttribute = "data-api-data";

// --- the page data (below the paths above) ---
inline constexpr const char* kComment = "comment";
inline constexpr const char* kNvComment = "nvComment";
inline constexpr const char* kServer = "server";
inline constexpr const char* kThreadKey = "threadKey";
inline constexpr const char* kParams = "params";
inline constexpr const char* kTargets = "targets";
inline constexpr const char* kThreads = "threads";
inline constexpr const char* kId = "id";
inline constexpr const char* kFork = "fork";
inline constexpr const char* kCommentCount = "commentCount";
inline constexpr const char* kVideo = "video";
inline constexpr const char* kTitle = "title";
inline constexpr const char* kCount = "count";
inline constexpr const char* kView = "view";

// --- the thread request: POST {server}/v1/threads ---
inline constexpr const char* kThreadsPath = "/v1/threads";
inline constexpr const char* kThreadsContentType = "text/plain;charset=UTF-8";
inline constexpr const char* kRequestBodyParams = "params";
inline constexpr const char* kRequestBodyThreadKey = "threadKey";
inline constexpr const char* kRequestBodyAdditionals = "additionals";
inline constexpr const char* kAdditionalWhen = "when";

// Headers of the thread request (name, value); it goes without cookies, the key carries the
// login.
struct HeaderLine {
    const char* name;
    const char* value;
};
inline constexpr HeaderLine kThreadsHeaders[] = {
    {"Origin", "https://www.nicovideo.jp"},
    {"Referer", "https://www.nicovideo.jp/"},
    {"X-Frontend-Id", "6"},
    {"X-Frontend-Version", "0"},
    {"X-Client-Os-Type", "others"},
};

// --- the answer ---
inline constexpr const char* kMeta = "meta";
inline constexpr const char* kStatus = "status";
inline constexpr const char* kErrorCode = "errorCode";
inline constexpr const char* kData = "data";
inline constexpr const char* kComments = "comments";
inline constexpr int kStatusOk = 200;
// One comment.
inline constexpr const char* kNo = "no";
inline constexpr const char* kVposMs = "vposMs";
inline constexpr const char* kBody = "body";
inline constexpr const char* kCommands = "commands";
inline constexpr const char* kUserId = "userId";
inline constexpr const char* kIsPremium = "isPremium";
inline constexpr const char* kPostedAt = "postedAt";

// The forks a thread target names. The main fork's comments carry the bare thread id; the
// others "ID:fork".
inline constexpr const char* kMainFork = "main";
inline constexpr const char* kOwnerFork = "owner";
inline constexpr char kForkSeparator = ':';

// The mail command that makes a comment anonymous.
inline constexpr const char16_t* kAnonymousCommand = u"184";

// --- errors (meta.errorCode) ---
inline constexpr const char* kExpiredToken = "EXPIRED_TOKEN";
inline constexpr const char* kInvalidToken = "INVALID_TOKEN";
inline constexpr const char* kTooManyRequests = "TOO_MANY_REQUESTS";
inline constexpr const char* kRetryAfterHeader = "Retry-After";

// --- a new thread key: GET https://nvapi.nicovideo.jp/v1/comment/keys/thread?videoId=ID ---
inline constexpr const char* kKeyHost = "nvapi.nicovideo.jp";
inline constexpr const char* kKeyPath = "/v1/comment/keys/thread?videoId=";
inline constexpr HeaderLine kKeyHeaders[] = {
    {"X-Frontend-Id", "6"},
    {"X-Frontend-Version", "0"},
};

// The login cookie's name: past comments need it.
inline constexpr const char* kLoginCookieName = "user_session";

}  // namespace pelmora::nvnames
