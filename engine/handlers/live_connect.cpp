#include "engine/handlers/live_connect.h"

#include <cstring>

#include "engine/cookie/browser_cookie.h"
#include "engine/pelmora2.h"
#include "engine/service/endpoints.h"
#include "engine/service/http_fetch.h"
#include "engine/service/query_text.h"
#include "qarvo/escape/url.h"
#include "qarvo/net/socket.h"
#include "qarvo/text/integer.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

constexpr int kConnectTimeOutMs = 10000;

qarvo::C_String answerText(const qarvo::C_Memory& body)
{
    const char* data = body.GetChars();
    return data ? qarvo::C_String(data, static_cast<int>(strnlen(data, static_cast<size_t>(body.GetSize()))))
                : qarvo::C_String();
}

int failureCode(const ParseContext& context)
{
    return context.stopRequested() ? PELMORA_RESULT_STOPPED : PELMORA_RESULT_REQUEST_FAILED;
}

// The text between the first ">" at or after `tag` and the next "<".
qarvo::C_String tagValue(const qarvo::C_String& text, const char* tag)
{
    const int at = text.IndexOf(tag);
    const int gt = at < 0 ? -1 : text.IndexOf('>', at);
    const int lt = gt < 0 ? -1 : text.IndexOf('<', gt + 1);
    return lt > gt + 1 ? text.SubString(gt + 1, lt - 1) : qarvo::C_String();
}

}  // namespace

int fetchWatchPage(const char* address, ParseContext& context, WatchPage& page)
{
    const StopSignal stop(context);
    qarvo::C_String cookieAddress(address);
    cookieAddress.ReplaceFirst("live", "www");
    cookie::getBrowserCookie(page.cookie, cookieAddress.c_str(), true, cookie::getCookieFolder());

    qarvo::C_String status;
    qarvo::C_Memory body;
    if (!fetchWithCookies(stop, qarvo::C_String(address), kFetchGet, &page.cookie, true, &body, nullptr, &page.finalUrl,
                          &status)) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        return status.Contains("404") ? PELMORA_RESULT_NOT_FOUND : PELMORA_RESULT_REQUEST_FAILED;
    }
    if (status.Contains("404"))
        return PELMORA_RESULT_NOT_FOUND;
    page.text = answerText(body);

    // "ニコ生(ID)".
    context.title = qarvo::C_String("\xe3\x83\x8b\xe3\x82\xb3\xe7\x94\x9f(" +
                                    lastPathSegment(qarvo::C_String(address), false).std() + ")");
    return PELMORA_RESULT_SUCCESS;
}

int connectLive(const char* address, ParseContext& context, int count, const WatchPage* fetched)
{
    const StopSignal stop(context);
    WatchPage fresh;
    if (!fetched) {
        const int code = fetchWatchPage(address, context, fresh);
        if (code != PELMORA_RESULT_SUCCESS)
            return code;
        fetched = &fresh;
    }
    qarvo::C_String cookie = fetched->cookie;
    const qarvo::C_String& finalUrl = fetched->finalUrl;

    const qarvo::C_String statusUrl = qarvo::C_String::Stringf("http://%s%s%s", endpoints::kLiveHost,
        endpoints::kPlayerStatusPath, lastPathSegment(finalUrl, false).c_str());
    qarvo::C_Memory statusBody;
    if (!fetchWithCookies(stop, statusUrl, kFetchGet, &cookie, false, &statusBody, nullptr, nullptr, nullptr))
        return failureCode(context);
    const qarvo::C_String playerStatus = System::_url_decode_a(answerText(statusBody));
    if (playerStatus.Contains("<code>") && tagValue(playerStatus, "<code>").Contains("close"))
        return PELMORA_RESULT_BROADCAST_ENDED;

    const qarvo::C_String host = tagValue(playerStatus, "<addr>");
    const int port = qarvo::C_Integer::ParseInt(tagValue(playerStatus, "<port>"));
    const qarvo::C_String thread = tagValue(playerStatus, "<thread>");
    if (host.IsEmpty() || port <= 0 || port > 65535 || thread.IsEmpty())
        return PELMORA_RESULT_REQUEST_FAILED;

    auto socket = qarvo::common::MakePointer<qarvo::C_Socket>();
    socket->SetTimeOut(kConnectTimeOutMs);
    if (!socket->Startup(qarvo::C_Socket::kClient, qarvo::C_Socket::kTcp, host, port))
        return PELMORA_RESULT_REQUEST_FAILED;
    const qarvo::C_String request = qarvo::C_String::Stringf("<thread thread=\"%s\" res_from=\"-%d\" version=\"%s\" />",
                                                             thread.c_str(), count, endpoints::kThreadVersion);
    // The element goes with its NUL terminator: the server reads NUL-ended elements.
    if (socket->Send(reinterpret_cast<const unsigned char*>(request.c_str()), request.Length() + 1) < 1)
        return PELMORA_RESULT_REQUEST_FAILED;

    if (!context.liveThread.Equals(thread))
        context.liveLastNo = -1;
    context.liveSocket = socket;
    context.liveThread = thread;
    return PELMORA_RESULT_SUCCESS;
}

}  // namespace pelmora::engine
