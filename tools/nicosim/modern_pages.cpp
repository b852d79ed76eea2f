// Today's video path: the watch page that embeds its data as JSON, the comment interface
// (POST /v1/threads on public.nvcomment.nicovideo.jp) and the thread key endpoint
// (GET /v1/comment/keys/thread on nvapi.nicovideo.jp).
//
// Thread keys are "nvkey.VIDEO.USER.KIND": USER the logged-in user or "guest", KIND "w" for a
// key from a watch page and "r" for one from the key endpoint. The interface answers without
// looking at cookies: the key carries the login. Past comments ("when") need a user's key.

#include "tools/nicosim/api_request.h"
#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/once_memory.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

namespace nicosim {
namespace {

constexpr const char* kKeyPrefix = "nvkey";
constexpr const char* kGuest = "guest";
constexpr const char* kWatchKey = "w";
constexpr const char* kRenewedKey = "r";
// Words that choose the page form; they stay on the watch page and are not handed on.
constexpr const char* kPageWords[] = {"modern", "classic", "apidata"};

std::string threadKey(const std::string& video, bool loggedIn, const char* kind)
{
    return std::string(kKeyPrefix) + "." + video + "." + (loggedIn ? std::string(kUserId) : kGuest) + "." + kind;
}

struct KeyParts {
    std::string video, user, kind;
};

bool parseKey(std::string_view key, KeyParts& out)
{
    const std::vector<std::string> parts = splitText(key, '.');
    if (parts.size() != 4 || parts[0] != kKeyPrefix)
        return false;
    out = KeyParts{parts[1], parts[2], parts[3]};
    return true;
}

// The "~" words of the requested id without the page-form words: they travel with the ids.
std::string carriedSuffix(std::string_view requestedId)
{
    std::string suffix;
    for (const std::string& word : suffixWords(requestedId)) {
        bool pageWord = false;
        for (const char* w : kPageWords)
            pageWord = pageWord || word == w;
        if (!pageWord)
            suffix += "~" + word;
    }
    return suffix;
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

Answer jsonAnswer(int status, std::string body)
{
    Answer a;
    a.status = status;
    a.contentType = "application/json; charset=utf-8";
    a.body = std::move(body);
    return a;
}

Answer errorAnswer(int status, const char* code)
{
    return jsonAnswer(status, "{\"meta\":{\"status\":" + std::to_string(status) + ",\"errorCode\":\"" + code + "\"}}");
}

// The comment part of the page data.
std::string commentJson(const VideoFacts& v, const std::vector<ModernFork>& forks, const std::string& threadId,
                        const std::string& key, bool numericIds)
{
    std::string out = "{\"server\":{\"url\":\"https://nv-comment.nicovideo.jp/v1/threads\"},\"threads\":[";
    for (size_t i = 0; i < forks.size(); ++i) {
        const ModernFork& f = forks[i];
        if (i > 0)
            out += ',';
        out += "{\"id\":";
        if (numericIds && allDigits(threadId))
            out += threadId;
        else
            appendJsonString(out, threadId);
        out += ",\"fork\":";
        appendJsonString(out, f.name);
        out += ",\"forkLabel\":";
        appendJsonString(out, f.name);
        out += std::string(",\"isActive\":") + (f.count > 0 || f.name == "main" ? "true" : "false");
        out += std::string(",\"isDefaultPostTarget\":") + (f.name == "main" ? "true" : "false");
        out += std::string(",\"isThreadkeyRequired\":") + (!v.threadKey.empty() ? "true" : "false");
        out += ",\"commentCount\":" + std::to_string(f.count) + "}";
    }
    out += "],\"nvComment\":{\"threadKey\":";
    appendJsonString(out, key);
    out += ",\"server\":";
    appendJsonString(out, kCommentApiServer);
    out += ",\"params\":{\"targets\":[";
    for (size_t i = 0; i < forks.size(); ++i) {
        if (i > 0)
            out += ',';
        out += "{\"id\":";
        appendJsonString(out, threadId);
        out += ",\"fork\":";
        appendJsonString(out, forks[i].name);
        out += "}";
    }
    out += "],\"language\":\"ja-jp\"}}}";
    return out;
}

std::string videoJson(const VideoFacts& v, const std::string& id)
{
    std::string out = "{\"id\":";
    appendJsonString(out, id);
    out += ",\"title\":";
    appendJsonString(out, v.title);
    out += ",\"description\":";
    appendJsonString(out, v.description);
    out += ",\"count\":{\"view\":" + std::to_string(v.viewCount) + ",\"comment\":" + std::to_string(v.commentCount) +
           ",\"mylist\":" + std::to_string(v.mylistCount) + "},\"duration\":" + std::to_string(v.lengthSeconds) + "}";
    return out;
}

} // namespace

bool wantsModernPage(const SiteContext& site, const PageRequest& request)
{
    return (site.modernVideos || request.faults.modernPage || request.faults.apiDataPage) && !request.faults.classicPage;
}

Answer modernWatchPage(const SiteContext& site, const PageRequest& request, const VideoFacts& v,
                       std::string_view requestedId)
{
    const std::string suffix = carriedSuffix(requestedId);
    const std::string threadId = v.threadId + suffix;
    const std::string key = threadKey(v.id, request.loggedIn, kWatchKey);
    const std::vector<ModernFork> forks = modernForks(site.catalogue, v);
    const std::string video = videoJson(v, v.id + suffix);
    const bool older = request.faults.apiDataPage;
    const std::string comment = commentJson(v, forks, threadId, key, older);

    Answer a;
    a.body = "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + xmlEscape(v.title) +
             " - ニコニコ動画</title>\n";
    if (older) {
        const std::string data = "{\"video\":" + video + ",\"comment\":" + comment + ",\"viewer\":{\"id\":" +
                                 (request.loggedIn ? std::string(kUserId) : "0") + "}}";
        a.body += "</head>\n<body>\n<div id=\"js-initial-watch-data\" data-api-data=\"" + xmlEscape(data) +
                  "\" data-environment=\"{&quot;playlistToken&quot;:&quot;nicosim&quot;}\"></div>\n";
    } else {
        const std::string data = "{\"meta\":{\"status\":200,\"code\":\"HTTP_200\"},\"data\":{\"response\":{\"video\":" +
                                 video + ",\"comment\":" + comment + "}}}";
        a.body += "<meta name=\"server-response\" content=\"" + xmlEscape(data) + "\">\n</head>\n<body>\n";
    }
    a.body += "<div id=\"root\"><h1>" + xmlEscape(v.heading) + "</h1></div>\n</body>\n</html>\n";
    return a;
}

std::vector<std::string> commentApiRequestWords(std::string_view body)
{
    std::vector<std::string> words;
    ApiRequestBody parsed;
    if (!parseApiRequestBody(body, parsed))
        return words;
    for (const ApiTarget& t : parsed.targets)
        for (std::string& w : suffixWords(t.id))
            words.push_back(std::move(w));
    return words;
}

Answer commentApiAnswer(const SiteContext& site, const PageRequest& request)
{
    ApiRequestBody body;
    if (request.method != "POST" || !parseApiRequestBody(request.body, body))
        return errorAnswer(400, "INVALID_PARAMETER");
    KeyParts key;
    if (!parseKey(body.threadKey, key))
        return errorAnswer(403, "INVALID_TOKEN");
    if (request.faults.expiredKey && key.kind == kWatchKey)
        return errorAnswer(403, "EXPIRED_TOKEN");
    if (body.hasWhen && key.user == kGuest)
        return errorAnswer(403, "INVALID_TOKEN");
    if (request.faults.rateLimit && site.once) {
        std::string which = "api " + body.threadKey;
        for (const ApiTarget& t : body.targets)
            which += " " + t.id + ":" + t.fork;
        if (site.once->first(which)) {
            Answer limited = errorAnswer(429, "TOO_MANY_REQUESTS");
            limited.headers.emplace_back("Retry-After", "1");
            return limited;
        }
    }

    std::string threads;
    std::optional<VideoFacts> video;
    for (const ApiTarget& t : body.targets) {
        const std::optional<ThreadFacts> facts = site.catalogue.thread(baseId(t.id));
        if (!facts || facts->kind != ThreadKind::VideoMain)
            return errorAnswer(404, "NOT_FOUND");
        video = site.catalogue.video(facts->ownerId);
        // A key opens the threads of its own video only.
        if (!video || video->id != key.video)
            return errorAnswer(403, "INVALID_TOKEN");
        const std::vector<ModernFork> forks = modernForks(site.catalogue, *video);
        const ModernFork* fork = nullptr;
        for (const ModernFork& f : forks)
            if (f.name == t.fork)
                fork = &f;
        if (!fork)
            return errorAnswer(400, "INVALID_PARAMETER");
        const std::vector<int> indexes = answeredIndexes(*fork, body.hasWhen, body.when, video->lengthSeconds);
        if (!threads.empty())
            threads += ',';
        threads.reserve(threads.size() + indexes.size() * 300);
        threads += "{\"id\":";
        appendJsonString(threads, t.id);
        threads += ",\"fork\":";
        appendJsonString(threads, t.fork);
        threads += ",\"commentCount\":" + std::to_string(fork->count) + ",\"comments\":[";
        for (size_t i = 0; i < indexes.size(); ++i) {
            if (i > 0)
                threads += ',';
            appendCommentJson(threads, modernComment(site.catalogue, *fork, indexes[i]));
        }
        threads += "]}";
    }
    std::string out = "{\"meta\":{\"status\":200},\"data\":{\"globalComments\":[{\"id\":";
    appendJsonString(out, video ? video->threadId : std::string());
    out += ",\"count\":" + std::to_string(video ? video->commentCount : 0) + "}],\"threads\":[" + threads + "]}}";
    if (request.faults.brokenJson)
        out.resize(out.size() / 2);
    return jsonAnswer(200, std::move(out));
}

Answer threadKeyApiAnswer(const SiteContext& site, const PageRequest& request)
{
    const std::optional<VideoFacts> video = site.catalogue.video(baseId(request.param("videoId")));
    if (!video || video->page == WatchPage::Deleted)
        return errorAnswer(404, "NOT_FOUND");
    std::string out = "{\"meta\":{\"status\":200},\"data\":{\"threadKey\":";
    appendJsonString(out, threadKey(video->id, request.loggedIn, kRenewedKey));
    out += "}}";
    return jsonAnswer(200, std::move(out));
}

} // namespace nicosim
