#include "engine/handlers/video_handler.h"

#include <cstring>

#include "engine/cookie/browser_cookie.h"
#include "engine/handlers/current_video.h"
#include "engine/handlers/debug_comments.h"
#include "engine/handlers/live_handler.h"
#include "engine/handlers/player_lookup.h"
#include "engine/job/request_words.h"
#include "engine/parse/chat_parser.h"
#include "engine/pelmora2.h"
#include "engine/service/endpoints.h"
#include "engine/service/http_fetch.h"
#include "engine/service/nvcomment_data.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/url.h"
#include "qarvo/text/integer.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

// U+2010 HYPHEN ends the video's own name in a watch page title.
constexpr const char16_t* kTitleSeparator = u"\u2010";
// A heading with this character is the title itself; one with "短" is the page that refuses
// access after too many requests.
constexpr const char16_t* kHeadingIsTitle = u"\u975e";   // 非
constexpr const char16_t* kHeadingRefused = u"\u77ed";   // 短

// Extensions longer than this are no extensions (a page that changed its layout).
constexpr int kMaxExtensionLength = 5;

qarvo::C_String bodyText(const qarvo::C_Memory& body)
{
    const char* data = body.GetChars();
    if (!data)
        return qarvo::C_String();
    // The answer ends at its terminating NUL.
    return qarvo::C_String(data, static_cast<int>(strnlen(data, static_cast<size_t>(body.GetSize()))));
}

int failureCode(const ParseContext& context)
{
    return context.stopRequested() ? PELMORA_RESULT_STOPPED : PELMORA_RESULT_REQUEST_FAILED;
}

// The text between `from` (after the next ">") and `to`; empty when a marker is missing.
qarvo::C_String elementText(const qarvo::C_String& page, const char* open, const char* close)
{
    const int tag = page.IndexOf(open);
    if (tag < 0)
        return qarvo::C_String();
    const int gt = page.IndexOf('>', tag);
    if (gt < 0)
        return qarvo::C_String();
    const int end = page.IndexOf(close, gt + 1);
    if (end <= gt + 1)
        return qarvo::C_String();
    return page.SubString(gt + 1, end - 1);
}

// 0 with `title` set, or the code that ends the job (4 refused, 5 no usable title).
int readTitle(const qarvo::C_String& page, qarvo::C_String& title)
{
    const qarvo::C_WString text = System::utf8_to_utf16(elementText(page, "<title", "</title"));
    const int separator = text.IndexOf(kTitleSeparator);
    if (separator >= 0) {
        title = System::utf16_to_utf8(text.Left(separator));
        return PELMORA_RESULT_SUCCESS;
    }
    const qarvo::C_WString heading = System::utf8_to_utf16(elementText(page, "<h1", "<"));
    if (heading.Contains(kHeadingIsTitle)) {
        title = System::utf16_to_utf8(heading);
        return PELMORA_RESULT_SUCCESS;
    }
    return heading.Contains(kHeadingRefused) ? PELMORA_RESULT_ACCESS_REFUSED : PELMORA_RESULT_NOT_USABLE;
}

qarvo::C_WString readExtension(const qarvo::C_String& page)
{
    qarvo::C_String extension;
    const int type = page.IndexOf("movie_type");
    const int comma = type < 0 ? -1 : page.IndexOf(',', type);
    const int open = comma < 0 ? -1 : page.IndexOf('"', comma);
    const int close = open < 0 ? -1 : page.IndexOf('"', open + 1);
    if (close > open + 1)
        extension = page.SubString(open + 1, close - 1);
    if (extension.IsEmpty() || extension.Length() > kMaxExtensionLength)
        extension = ".flv";
    if (!extension.StartsWith("."))
        extension = qarvo::C_String("." + extension.std());
    return System::utf8_to_utf16(extension);
}

// "?...eco=N" with N non-zero asks for the low-quality file.
bool economyRequested(const qarvo::C_String& finalUrl)
{
    const int query = finalUrl.IndexOf('?');
    if (query < 0)
        return false;
    const int eco = finalUrl.IndexOf("eco=", query);
    return eco >= 0 && qarvo::C_Integer::ParseInt(finalUrl.SubString(eco + 4)) != 0;
}

qarvo::C_String wordText(const qarvo::C_WArrayString& words, int index)
{
    return System::utf16_to_utf8(words.GetString(index));
}

int requestComments(const qarvo::C_WArrayString& words, ParseContext& context, const QueryMap& info,
                    qarvo::C_String& cookie, int count)
{
    const StopSignal stop(context);
    const qarvo::C_String thread = info.Get("thread_id");
    const qarvo::C_String optional = info.Get("optional_thread_id");
    qarvo::C_String threadKey;
    if (!optional.IsEmpty()) {
        const qarvo::C_String keyUrl = qarvo::C_String::Stringf("http://%s%s%s%s", endpoints::kMainHost,
            endpoints::kGetThreadKeyPath, thread.c_str(), endpoints::kGetThreadKeyTimeStamp);
        qarvo::C_Memory keyBody;
        if (!fetchWithCookies(stop, keyUrl, kFetchGet, &cookie, false, &keyBody, nullptr, nullptr, nullptr))
            return failureCode(context);
        QueryMap keys;
        parseQueryPairs(keys, bodyText(keyBody));
        threadKey = keys.Get("threadkey");
    }

    qarvo::C_String request;
    if (!threadKey.IsEmpty()) {
        const qarvo::C_String user = info.Get("user_id");
        request = qarvo::C_String::Stringf(
            "<packet><thread click_revision=\"0\" user_id=\"%s\" res_from=\"-%d\" version=\"%s\" thread=\"%s\" />"
            "<thread force_184=\"1\" threadkey=\"%s\" click_revision=\"0\" user_id=\"%s\" res_from=\"-%d\" "
            "version=\"%s\" thread=\"%s\" /></packet>",
            user.c_str(), count, endpoints::kThreadVersion, optional.c_str(), threadKey.c_str(), user.c_str(), count,
            endpoints::kThreadVersion, thread.c_str());
    } else {
        request = qarvo::C_String::Stringf("<thread res_from=\"-%d\" version=\"%s\" thread=\"%s\"/>", count,
                                           endpoints::kThreadVersion, thread.c_str());
    }

    const qarvo::C_String server = info.Get("ms");
    qarvo::C_Memory answer;
    if (!fetchWithCookies(stop, server, kFetchPost, &cookie, false, &answer, &request, nullptr, nullptr))
        return failureCode(context);

    const qarvo::C_String raw = bodyText(answer);
    if (modeHas(words, u"xml")) {
        context.rawXml.Clear();
        context.rawXml.Add(raw.c_str(), raw.Length());
    }
    if (modeHas(words, u"cache"))
        context.cacheKey = qarvo::C_String::Stringf("%s %s", server.c_str(), thread.c_str());
    parseChats(context, System::utf8_to_utf16(raw), kNoRunningNumbers);
    return PELMORA_RESULT_SUCCESS;
}

}  // namespace

int handleVideo(const char* address, qarvo::C_WArrayString& words, ParseContext& context)
{
    if (modeHas(words, u"dumy_debug"))
        return generateDebugComments(words, context);

    const int count = requestedCount(words);
    const qarvo::C_WString& wideAddress = words.GetString(kAddressWord);
    if (wideAddress.Contains(endpoints::kLiveMarker) || wideAddress.Contains(endpoints::kJikkyoMarker))
        return handleLive(address, words, context, count);

    const StopSignal stop(context);
    QueryMap info;
    qarvo::C_String cookie;

    // Direct mode: the caller names the comment server and thread itself.
    if (!words.GetString(kExtraWord2).IsEmpty()) {
        info.Set(qarvo::C_String("ms"), wordText(words, kExtraWord1));
        info.Set(qarvo::C_String("thread_id"), wordText(words, kExtraWord2));
        if (words.Length() > 5)
            info.Set(qarvo::C_String("optional_thread_id"), wordText(words, kExtraWord3));
        return requestComments(words, context, info, cookie, count);
    }

    if (modeHas(words, u"getx2"))
        return lookUpExternalPlayer(words, context);

    cookie::getBrowserCookie(cookie, address, true, cookie::getCookieFolder());

    qarvo::C_Memory page;
    qarvo::C_String finalUrl;
    qarvo::C_String status;
    const bool fetched =
        fetchWithCookies(stop, qarvo::C_String(address), kFetchGet, &cookie, true, &page, nullptr, &finalUrl, &status);
    if (!fetched) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        return status.Contains("404") ? PELMORA_RESULT_NOT_FOUND : PELMORA_RESULT_REQUEST_FAILED;
    }
    if (status.Contains("404"))
        return PELMORA_RESULT_NOT_FOUND;

    const qarvo::C_String pageText = bodyText(page);
    // A page of today's service carries its comment data itself; the video-file modes still
    // take the old way.
    if (!modeHas(words, u"getx")) {
        nvcomment::WatchData data;
        std::string error;
        switch (nvcomment::readWatchData(pageText.view(), data, error)) {
        case nvcomment::PageData::Found: {
            qarvo::C_String title;
            if (readTitle(pageText, title) == PELMORA_RESULT_SUCCESS)
                context.title = title;
            return fetchCurrentComments(data, words, context, cookie, finalUrl, count);
        }
        case nvcomment::PageData::Broken:
            context.stateText = qarvo::C_String(error);
            return PELMORA_RESULT_REQUEST_FAILED;
        case nvcomment::PageData::Absent:
            break;
        }
    }

    const int titleCode = readTitle(pageText, context.title);
    if (titleCode != PELMORA_RESULT_SUCCESS)
        return titleCode;
    const qarvo::C_WString extension = readExtension(pageText);

    const qarvo::C_String flvUrl = qarvo::C_String::Stringf("http://%s%s%s", endpoints::kMainHost,
        endpoints::kGetFlvPath, lastPathSegment(finalUrl, true).c_str());
    qarvo::C_Memory flvBody;
    if (!fetchWithCookies(stop, flvUrl, kFetchGet, &cookie, false, &flvBody, nullptr, nullptr, nullptr))
        return failureCode(context);
    // Decoded whole before it is split: the service's values never hold an encoded "&".
    parseQueryPairs(info, System::_url_decode_a(bodyText(flvBody)));
    if (info.Get("ms").IsEmpty())
        return PELMORA_RESULT_NO_MESSAGE_SERVER;

    if (economyRequested(finalUrl)) {
        const qarvo::C_String url = info.Get("url");
        if (url.Contains("/") && !url.Contains("low"))
            info.Set(qarvo::C_String("url"), qarvo::C_String(url.std() + "low"));
    }

    if (modeHas(words, u"getx")) {
        context.videoUrl = info.Get("url");
        context.userInfo = qarvo::C_String::Stringf("%s %s", info.Get("is_premium").c_str(), info.Get("user_id").c_str());
        context.cookie = cookie;
        context.extension = extension;
        context.finalUrl = finalUrl;
        return PELMORA_RESULT_SUCCESS;
    }

    return requestComments(words, context, info, cookie, count);
}

}  // namespace pelmora::engine
