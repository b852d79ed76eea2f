#include "engine/handlers/other_sites.h"

#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "engine/cookie/browser_cookie.h"
#include "engine/job/request_words.h"
#include "engine/pelmora2.h"
#include "engine/service/endpoints.h"
#include "engine/service/http_fetch.h"
#include "engine/service/query_text.h"
#include "qarvo/escape/url.h"
#include "qarvo/text/integer.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

// The second site's player, sent along as the referer of the video download.
constexpr const char* kSecondSitePlayerPath = "/watch/tes.swf?20";
constexpr const char* kSecondSiteFlashHeader = "x-flash-version: 9,0,124,0";
// "｜" (U+FF5C) in UTF-8: the third site's title ends before it.
constexpr const char* kFullWidthBar = "\xef\xbd\x9c";

std::string answerText(const qarvo::C_Memory& body)
{
    const char* data = body.GetChars();
    return data ? std::string(data, strnlen(data, static_cast<size_t>(body.GetSize()))) : std::string();
}

std::string trim(const std::string& text, const char* set = " \t\r\n")
{
    const size_t first = text.find_first_not_of(set);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(set) - first + 1);
}

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The page with the browser's cookie (or none), merging what it sets; false when it failed.
bool fetchPage(const char* address, ParseContext& context, qarvo::C_String* cookie, std::string& page)
{
    qarvo::C_Memory body;
    if (!fetchWithCookies(StopSignal(context), qarvo::C_String(address), kFetchGet, cookie, cookie != nullptr, &body,
                          nullptr, nullptr, nullptr))
        return false;
    page = answerText(body);
    return true;
}

int failed(const ParseContext& context, int code)
{
    return context.stopRequested() ? PELMORA_RESULT_STOPPED : code;
}

// Text between "<title" and "</title" (the tag's own text included, as the sites' readers
// have always taken it).
std::string rawTitle(const std::string& page)
{
    const size_t open = page.find("<title");
    const size_t close = open == std::string::npos ? std::string::npos : page.find("</title", open);
    if (close == std::string::npos)
        return std::string();
    return page.substr(open, close - open);
}

std::string youTubeVideoUrl(const std::string& page)
{
    const size_t config = page.find("PLAYER_CONFIG");
    if (config == std::string::npos)
        return std::string();
    const size_t fmtMap = page.find("fmt_url_map", config);
    const size_t streamMap = page.find("url_encoded_fmt_stream_map", config);
    if (fmtMap != std::string::npos) {
        const size_t http = page.find("http", fmtMap);
        if (http == std::string::npos)
            return std::string();
        const size_t comma = page.find(',', http);
        std::string url = page.substr(http, comma == std::string::npos ? std::string::npos : comma - http);
        replaceAll(url, "\\/", "/");
        url = trim(url, "\"'");
        return decodeJsEscapes(qarvo::C_String(url)).std();
    }
    if (streamMap == std::string::npos)
        return std::string();
    const size_t start = page.find("\"url=", streamMap);
    if (start == std::string::npos)
        return std::string();
    const size_t end = page.find('"', start + 1);
    const std::string list = page.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    // Any of the offered formats will do; which one is left to chance, as it always was.
    std::mt19937 random(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::string candidate;
    size_t from = 0;
    while (from <= list.size()) {
        size_t comma = list.find(',', from);
        if (comma == std::string::npos)
            comma = list.size();
        const std::string item = list.substr(from, comma - from);
        const size_t url = item.find("url=");
        if (url != std::string::npos) {
            const size_t eq = item.find('=', url);
            const size_t amp = item.find("\\u0026", eq);
            candidate = System::_url_decode_a(qarvo::C_String(
                item.substr(eq + 1, amp == std::string::npos ? std::string::npos : amp - eq - 1))).std();
        }
        if (random() & 1)
            break;
        from = comma + 1;
    }
    return candidate;
}

}  // namespace

qarvo::C_String schemeAndHost(const qarvo::C_String& address)
{
    const int slash = address.IndexOf('/', 7);
    return slash < 0 ? qarvo::C_String(address.std() + "/") : address.Left(slash + 1);
}

qarvo::C_String decodeJsEscapes(const qarvo::C_String& text)
{
    const std::string& in = text.std();
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        if (in.compare(i, 2, "\\u") == 0 && i + 6 <= in.size()) {
            const int high = in[i + 4] - '0';
            const int low = in[i + 5] - '0';
            const int value = high * 16 + low;
            if (high >= 0 && high <= 9 && low >= 0 && low <= 9 && value <= 126)
                out.push_back(static_cast<char>(value));
            i += 6;
            continue;
        }
        out.push_back(in[i++]);
    }
    return qarvo::C_String(out);
}

qarvo::C_String youTubeTitle(const qarvo::C_String& page)
{
    const std::string title = rawTitle(page.std());
    const size_t gt = title.find('>');
    const std::string inner = gt == std::string::npos ? title : title.substr(gt + 1);
    const size_t dash = title.find('-');
    if (dash == std::string::npos)
        return qarvo::C_String(trim(inner));
    const std::string after = trim(dash + 2 <= title.size() ? title.substr(dash + 2) : std::string());
    if (lowered(after) != "youtube")
        return qarvo::C_String(after);
    return qarvo::C_String(gt == std::string::npos || gt > dash ? std::string() : trim(title.substr(gt + 1, dash - gt - 1)));
}

qarvo::C_String dropAnalyticsCookies(const qarvo::C_String& cookie)
{
    std::string out;
    const std::string& in = cookie.std();
    size_t from = 0;
    while (from < in.size()) {
        size_t end = in.find(';', from);
        if (end == std::string::npos)
            end = in.size();
        const std::string item = in.substr(from, end - from);
        const std::string name = trim(item.substr(0, item.find('=')));
        if (name != "__utma" && name != "__utmz" && name != "__utmb" && !trim(item).empty())
            out += (out.empty() ? trim(item) : ";" + item);
        from = end + 1;
    }
    return qarvo::C_String(out);
}

int handleYouTube(const char* address, qarvo::C_WArrayString& words, ParseContext& context)
{
    std::string page;
    if (!fetchPage(address, context, nullptr, page))
        return failed(context, PELMORA_RESULT_REQUEST_FAILED);
    if (page.find("<title") == std::string::npos)
        return PELMORA_RESULT_NOT_USABLE;
    context.title = youTubeTitle(qarvo::C_String(page));
    if (!modeHas(words, u"getx"))
        return PELMORA_RESULT_NOT_USABLE;
    const std::string url = youTubeVideoUrl(page);
    context.videoUrl = qarvo::C_String(url.empty() ? trim(page, "\"'") : url);
    context.userInfo = "youtube";
    if (url.find("videoplayback?") != std::string::npos)
        context.extension = qarvo::C_WString(u".mp4");
    return PELMORA_RESULT_SUCCESS;
}

int handleGetflvSite(const char* address, qarvo::C_WArrayString& words, ParseContext& context)
{
    qarvo::C_String cookie;
    cookie::getBrowserCookie(cookie, address, true, cookie::getCookieFolder());
    std::string page;
    if (!fetchPage(address, context, &cookie, page))
        return failed(context, PELMORA_RESULT_REQUEST_FAILED);
    if (page.find("<title") == std::string::npos)
        return PELMORA_RESULT_NOT_USABLE;
    const std::string title = rawTitle(page);
    const size_t dash = title.find('-');
    context.title = qarvo::C_String(dash == std::string::npos || dash + 2 > title.size() ? std::string() : title.substr(dash + 2));
    if (!modeHas(words, u"getx"))
        return PELMORA_RESULT_NOT_USABLE;

    const qarvo::C_String site = schemeAndHost(qarvo::C_String(address));
    std::string field = lastPathSegment(qarvo::C_String(address), false).std();
    if (field.starts_with("?"))
        field.erase(0, 1);
    const size_t eq = field.find('=');
    PlayerRequest form;
    form.stop = StopSignal(context);
    form.address = qarvo::C_String(site.std() + "watch/getflv.php");
    form.cookie = &cookie;
    form.mergeCookies = true;
    form.followRedirects = false;
    form.fields.emplace_back(qarvo::C_String(field.substr(0, eq)),
                             qarvo::C_String(eq == std::string::npos ? std::string() : field.substr(eq + 1)));
    qarvo::C_Memory body;
    form.body = &body;
    if (!postPlayerForm(form))
        return failed(context, PELMORA_RESULT_REQUEST_FAILED);
    QueryMap info;
    parseQueryPairs(info, qarvo::C_String(answerText(body)));
    const qarvo::C_String val = info.Get("val");
    if (val.IsEmpty() || val.Equals("out"))
        return PELMORA_RESULT_NO_MESSAGE_SERVER;

    const int type = qarvo::C_Integer::ParseInt(info.Get("type"));
    if (type != 0 && type != 1)
        return PELMORA_RESULT_NOT_USABLE;
    std::string path = System::_url_decode_a(info.Get("video_path")).std();
    std::string sent = cookie.std() + "f_ok=file_ok";
    replaceAll(sent, ";", "; ");
    if (sent.find("history=") != std::string::npos)
        sent = dropAnalyticsCookies(qarvo::C_String(sent)).std();
    if (path.starts_with(".."))
        path = site.std() + path.substr(std::min<size_t>(3, path.size()));
    context.videoUrl = qarvo::C_String(path);
    context.userInfo = info.Get("file_size");
    context.cookie = qarvo::C_String(sent);
    context.extension = qarvo::C_WString(type == 0 ? u".flv" : u".mp4");
    context.extra1 = qarvo::C_String(std::string("http://") + endpoints::kSecondVideoSiteHost + kSecondSitePlayerPath);
    context.extra2 = kSecondSiteFlashHeader;
    return PELMORA_RESULT_SUCCESS;
}

int handleEmbedSite(const char* address, qarvo::C_WArrayString& words, ParseContext& context)
{
    qarvo::C_String cookie;
    cookie::getBrowserCookie(cookie, address, true, cookie::getCookieFolder());
    std::string page;
    if (!fetchPage(address, context, &cookie, page))
        return failed(context, PELMORA_RESULT_REQUEST_FAILED);
    const size_t open = page.find("<title");
    const size_t close = open == std::string::npos ? std::string::npos : page.find("</title", open);
    if (close != std::string::npos && open + 7 <= close) {
        std::string title = page.substr(open + 7, close - open - 7);
        const size_t bar = title.find(kFullWidthBar);
        if (bar != std::string::npos)
            title.resize(bar == 0 ? 0 : bar - 1);
        context.title = qarvo::C_String(title);
    }
    if (!modeHas(words, u"getx"))
        return PELMORA_RESULT_NOT_USABLE;

    std::string player;
    const size_t viewer = page.find("\"viewer\"");
    const size_t src = viewer == std::string::npos ? std::string::npos : page.find("src=", viewer);
    if (src != std::string::npos) {
        const size_t q1 = page.find('"', src);
        const size_t q2 = q1 == std::string::npos ? std::string::npos : page.find('"', q1 + 1);
        if (q2 != std::string::npos)
            player = page.substr(q1 + 1, q2 - q1 - 1);
    }
    const size_t paste = page.rfind("Paste.init");
    if (paste == std::string::npos || player.empty())
        return PELMORA_RESULT_NOT_USABLE;
    std::string picture;
    const size_t http = page.find("http", paste);
    if (http != std::string::npos) {
        const size_t single = page.find('\'', http);
        picture = page.substr(http, single == std::string::npos ? std::string::npos : single - http);
        if (!picture.starts_with("http://")) {
            const size_t dbl = page.find('"', http);
            picture = page.substr(http, dbl == std::string::npos ? std::string::npos : dbl - http);
        }
    }
    if (!picture.starts_with("http://"))
        return PELMORA_RESULT_NOT_USABLE;
    const size_t underscore = picture.rfind('_');
    if (underscore != std::string::npos)
        picture.resize(underscore);
    size_t at = picture.size();
    for (int n = 0; n < 3 && at != std::string::npos && at > 0; ++n)
        at = picture.rfind('/', at - 1);
    if (at == std::string::npos)
        return PELMORA_RESULT_NOT_USABLE;
    if (picture.compare(at + 1, 3, "jpg") == 0) {
        const size_t next = picture.find('/', at + 1);
        if (next != std::string::npos)
            at = next;
    }
    context.videoUrl = qarvo::C_String(schemeAndHost(qarvo::C_String(player)).std() + "flv" + picture.substr(at) + ".flv");
    context.cookie = cookie;
    context.extension = qarvo::C_WString(u".flv");
    return PELMORA_RESULT_SUCCESS;
}

}  // namespace pelmora::engine
