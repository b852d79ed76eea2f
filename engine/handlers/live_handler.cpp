#include "engine/handlers/live_handler.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/cookie/browser_cookie.h"
#include "engine/job/request_words.h"
#include "engine/parse/chat_parser.h"
#include "engine/parse/live_elements.h"
#include "engine/pelmora2.h"
#include "engine/service/endpoints.h"
#include "engine/service/http_fetch.h"
#include "engine/service/query_text.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/url.h"
#include "qarvo/net/socket.h"
#include "qarvo/text/integer.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

constexpr int kConnectTimeOutMs = 10000;
// A call that has received data ends after this long without more.
constexpr uint32_t kSilenceMs = 1000;
// The socket wait is cut into slices this long so that a stop request is seen quickly.
constexpr int kReadSliceMs = 100;

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

int connectLive(const char* address, ParseContext& context, int count)
{
    const StopSignal stop(context);
    qarvo::C_String cookieAddress(address);
    cookieAddress.ReplaceFirst("live", "www");
    qarvo::C_String cookie;
    cookie::getBrowserCookie(cookie, cookieAddress.c_str(), true, cookie::getCookieFolder());

    qarvo::C_String finalUrl;
    qarvo::C_String status;
    qarvo::C_Memory page;
    if (!fetchWithCookies(stop, qarvo::C_String(address), kFetchGet, &cookie, true, &page, nullptr, &finalUrl, &status)) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        return status.Contains("404") ? PELMORA_RESULT_NOT_FOUND : PELMORA_RESULT_REQUEST_FAILED;
    }
    if (status.Contains("404"))
        return PELMORA_RESULT_NOT_FOUND;

    // "ニコ生(ID)".
    context.title = qarvo::C_String("\xe3\x83\x8b\xe3\x82\xb3\xe7\x94\x9f(" +
                                    lastPathSegment(qarvo::C_String(address), false).std() + ")");

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

enum class ReadEnd { Enough, Silence, Broken, Overflow, Stopped };

struct ReadState {
    const ParseContext* context = nullptr;
    std::string* buffer = nullptr;
    int count = 0;
    bool gotData = false;
    LiveElementCounter elements;
    uint32_t lastData = 0;
    ReadEnd end = ReadEnd::Silence;
};

int onReceive(int event, int size, const unsigned char* data, void* user)
{
    ReadState& state = *static_cast<ReadState*>(user);
    if (state.context->stopRequested()) {
        state.end = ReadEnd::Stopped;
        return 0;
    }
    switch (event) {
    case qarvo::C_Socket::kRecvData: {
        std::string& buffer = *state.buffer;
        if (kMaxLiveBytes - buffer.size() < static_cast<size_t>(size)) {
            state.end = ReadEnd::Overflow;
            return 0;
        }
        buffer.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        state.elements.Update(buffer);
        state.gotData = true;
        state.lastData = qarvo_time_millis();
        // One more comment than asked for: the wanted comments are all here.
        if (state.elements.Chats() - 1 >= state.count) {
            state.end = ReadEnd::Enough;
            return 0;
        }
        return 1;
    }
    case qarvo::C_Socket::kRecvTimeOut:
        if (state.gotData && qarvo_time_millis() - state.lastData >= kSilenceMs) {
            state.end = ReadEnd::Silence;
            return 0;
        }
        return 1;
    default:
        // An error, or the server closed the connection: either way nothing more comes.
        state.end = ReadEnd::Broken;
        return 0;
    }
}

int readLive(const char* address, qarvo::C_WArrayString& words, ParseContext& context, int count)
{
    std::string received = std::move(context.liveTail);
    context.liveTail.clear();
    ReadState state;
    state.context = &context;
    state.buffer = &received;
    state.count = count;
    context.liveSocket->SetTimeOut(kReadSliceMs);
    context.liveSocket->Recv(onReceive, &state);

    if (state.end == ReadEnd::Stopped || context.stopRequested())
        return PELMORA_RESULT_STOPPED;
    if (state.end == ReadEnd::Overflow)
        received.clear();
    if (state.end == ReadEnd::Broken || state.end == ReadEnd::Overflow) {
        closeLiveConnection(context);
        if (!context.reconnected) {
            context.reconnected = 1;
            // What arrived before the break is kept; the new connection's answer follows it,
            // less the comments it repeats.
            const std::string before = takeCompleteElements(received, context);
            context.liveTail.clear();
            if (!before.empty())
                parseChats(context, System::utf8_to_utf16(qarvo::C_String(before)), 1);
            const int code = connectLive(address, context, count);
            if (code != PELMORA_RESULT_SUCCESS)
                return code == PELMORA_RESULT_STOPPED || context.chats.IsEmpty() ? code : PELMORA_RESULT_SUCCESS;
            return readLive(address, words, context, count);
        }
        // The second break: this call delivers what came, the next finds no connection.
    }

    const std::string text = takeCompleteElements(received, context);
    const bool chatSeen = text.find("<chat") != std::string::npos || context.liveTail.find("<chat") != std::string::npos;
    if (!chatSeen && context.chats.IsEmpty())
        return PELMORA_RESULT_REQUEST_FAILED;
    if (modeHas(words, u"xml"))
        context.rawXml.Add(text.data(), static_cast<int>(text.size()));
    if (!text.empty())
        parseChats(context, System::utf8_to_utf16(qarvo::C_String(text)), 1);
    return PELMORA_RESULT_SUCCESS;
}

}  // namespace

int handleLive(const char* address, qarvo::C_WArrayString& words, ParseContext& context, int count)
{
    context.rawXml.Clear();
    if (!context.liveSocket) {
        // The connection broke twice: the job ends.
        if (context.reconnected)
            return PELMORA_RESULT_REQUEST_FAILED;
        const int code = connectLive(address, context, count);
        if (code != PELMORA_RESULT_SUCCESS)
            return code;
    }
    return readLive(address, words, context, count);
}

void closeLiveConnection(ParseContext& context)
{
    if (context.liveSocket)
        context.liveSocket->Close();
    context.liveSocket.Reset();
}

}  // namespace pelmora::engine
