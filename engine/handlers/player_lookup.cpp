#include "engine/handlers/player_lookup.h"

#include <cstring>

#include "engine/job/request_words.h"
#include "engine/pelmora2.h"
#include "engine/service/endpoints.h"
#include "engine/service/http_fetch.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/url.h"
#include "qarvo/file/path.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

// The flash player version the external player page expects to talk to.
constexpr const char* kFlashVersion = "10,1,54,64";
// "dumy" is what this mode has always reported as the title.
constexpr const char* kPlayerTitle = "dumy";

qarvo::C_String answerText(const qarvo::C_Memory& body)
{
    const char* data = body.GetChars();
    return data ? qarvo::C_String(data, static_cast<int>(strnlen(data, static_cast<size_t>(body.GetSize()))))
                : qarvo::C_String();
}

bool postFields(PlayerRequest& request, qarvo::C_String& answer)
{
    qarvo::C_Memory body;
    request.body = &body;
    const bool ok = postPlayerForm(request);
    request.body = nullptr;
    answer = answerText(body);
    return ok;
}

}  // namespace

int lookUpExternalPlayer(qarvo::C_WArrayString& words, ParseContext& context)
{
    const qarvo::C_String address = System::utf16_to_utf8(words.GetString(kAddressWord));
    const int failed = PELMORA_RESULT_NOT_USABLE;

    PlayerRequest request;
    request.stop = StopSignal(context);
    request.address = qarvo::C_String::Stringf("http://%s%s", endpoints::kExternalHost, endpoints::kThumbWatchPath);
    request.referer = address;
    request.headers.emplace_back(qarvo::C_String("x-flash-version"), qarvo::C_String(kFlashVersion));
    const qarvo::C_String videoId = qarvo::qarvo_GetLastNameA(address);
    request.fields.emplace_back(qarvo::C_String("v"), videoId);
    request.fields.emplace_back(qarvo::C_String("as3"), qarvo::C_String("1"));

    qarvo::C_String answer;
    if (!postFields(request, answer))
        return context.stopRequested() ? PELMORA_RESULT_STOPPED : failed;
    const int marker = answer.IndexOf("thumbPlayKey:");
    const int open = marker < 0 ? -1 : answer.IndexOf('\'', marker);
    const int close = open < 0 ? -1 : answer.IndexOf('\'', open + 1);
    if (close <= open + 1)
        return failed;
    const qarvo::C_String key = answer.SubString(open + 1, close - 1);

    qarvo::C_String cookie;
    request.fields.emplace_back(qarvo::C_String("k"), System::_url_encode_a(key, 0));
    request.cookie = &cookie;
    request.mergeCookies = true;
    if (!postFields(request, answer))
        return context.stopRequested() ? PELMORA_RESULT_STOPPED : failed;
    if (!answer.Contains("done=true"))
        return failed;
    QueryMap info;
    parseQueryPairs(info, answer);

    context.title = kPlayerTitle;
    context.videoUrl = System::_url_decode_a(info.Get("url"));
    context.userInfo = info.Get("is_premium");
    context.cookie = cookie;
    return PELMORA_RESULT_SUCCESS;
}

}  // namespace pelmora::engine
