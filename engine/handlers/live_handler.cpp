#include "engine/handlers/live_handler.h"

#include <algorithm>
#include <string>

#include "engine/handlers/live_connect.h"
#include "engine/handlers/live_modern.h"
#include "engine/handlers/live_reader.h"
#include "engine/job/request_words.h"
#include "engine/nicolive/live_session.h"
#include "engine/parse/chat_parser.h"
#include "engine/pelmora2.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/net/socket.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

// The wait before the first attempt after a break, and the longest wait between attempts.
constexpr uint32_t kFirstBackoffMs = 1000;
constexpr uint32_t kMaxBackoffMs = 30000;
// A new connection asks for as many past comments as the server hands out, so that the
// comments posted while the job was away come with its first answer (the repeats are left
// out by number).
constexpr int kReconnectCount = 1000;
constexpr int kBackoffPollMs = 20;

void noteState(ParseContext& context, const qarvo::C_String& state)
{
    if (!context.extra1.IsEmpty())
        context.extra1 += "; ";
    context.extra1 += state;
}

// After a break: the next attempt waits the current back-off.
void scheduleReconnect(ParseContext& context)
{
    if (context.liveBackoffMs == 0)
        context.liveBackoffMs = kFirstBackoffMs;
    context.liveRetryAt = qarvo_time_millis() + context.liveBackoffMs;
}

// The first cycle, which the caller shows as the fetch's outcome: the connection is made and
// may be made again once within the job; when nothing usable comes, the job ends.
int firstCycle(const char* address, ParseContext& context, int count, std::string& text)
{
    if (!context.liveSocket) {
        // The first cycle found no connection it could keep: the job ends.
        if (context.reconnected)
            return PELMORA_RESULT_REQUEST_FAILED;
        WatchPage page;
        int code = fetchWatchPage(address, context, page);
        if (code != PELMORA_RESULT_SUCCESS)
            return code;
        // Today's page embeds the program's data; the old one leads to the player status.
        nicolive::ProgramFacts program;
        std::string notModern;
        if (nicolive::readEmbeddedData(page.text.std(), &program, &notModern))
            return startModernLive(program, context, count, text);
        code = connectLive(address, context, count, &page);
        if (code != PELMORA_RESULT_SUCCESS)
            return code;
    }
    while (true) {
        const LiveReadEnd end = readLiveConnection(context, count, text);
        if (end == LiveReadEnd::Stopped)
            return PELMORA_RESULT_STOPPED;
        if (end != LiveReadEnd::Broken && end != LiveReadEnd::Overflow)
            break;
        closeLiveConnection(context);
        if (context.reconnected)
            break;  // the second break: this call delivers what came, if anything
        context.reconnected = 1;
        // What arrived before the break stays in `text`; the new connection's answer follows
        // it, less the comments it repeats. An element cut by the break cannot be finished.
        context.liveTail.clear();
        const int code = connectLive(address, context, count);
        if (code == PELMORA_RESULT_STOPPED || (code != PELMORA_RESULT_SUCCESS && !holdsChat(text)))
            return code;
        if (code != PELMORA_RESULT_SUCCESS)
            break;
    }
    if (!holdsChat(text) && !holdsChat(context.liveTail))
        return PELMORA_RESULT_REQUEST_FAILED;
    // Comments came: from now on the job follows the broadcast whatever happens to the
    // connection.
    context.liveFollowing = true;
    if (!context.liveSocket)
        scheduleReconnect(context);
    return PELMORA_RESULT_SUCCESS;
}

// Waits for the back-off and makes one attempt. 0 when connected; 7, 8 and 9 end the job;
// any other failure leaves the next attempt scheduled.
int reconnect(const char* address, ParseContext& context)
{
    const int attempt = context.liveReconnects + 1;
    const uint32_t now = qarvo_time_millis();
    const uint32_t wait = static_cast<int32_t>(context.liveRetryAt - now) > 0 ? context.liveRetryAt - now : 0;
    if (context.progress)
        context.progress->Report(
            qarvo::C_String::Stringf("reconnect %d in %u s", attempt, static_cast<unsigned>((wait + 999) / 1000)).c_str());
    while (static_cast<int32_t>(context.liveRetryAt - qarvo_time_millis()) > 0) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        qarvo_sleep_millis(kBackoffPollMs);
    }
    const int code = connectLive(address, context, kReconnectCount);
    context.liveReconnects = attempt;
    context.liveBackoffMs = std::min(context.liveBackoffMs * 2, kMaxBackoffMs);
    context.liveRetryAt = qarvo_time_millis() + context.liveBackoffMs;
    if (code == PELMORA_RESULT_SUCCESS)
        noteState(context, qarvo::C_String::Stringf("reconnect %d: connected", attempt));
    return code;
}

// A later cycle: it ends with new comments, a stop request or the end of the broadcast. A
// break is not the end: the connection is made again, and a new connection that brings
// nothing new (the server repeats what was delivered) only means waiting on.
int followingCycle(const char* address, ParseContext& context, int count, std::string& text)
{
    while (true) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        if (!context.liveSocket) {
            const int code = reconnect(address, context);
            if (code == PELMORA_RESULT_STOPPED || code == PELMORA_RESULT_NOT_FOUND ||
                code == PELMORA_RESULT_BROADCAST_ENDED)
                return code;
            if (code != PELMORA_RESULT_SUCCESS)
                continue;
        }
        const LiveReadEnd end = readLiveConnection(context, count, text);
        if (end == LiveReadEnd::Stopped)
            return PELMORA_RESULT_STOPPED;
        const bool news = holdsChat(text);
        if (news)
            context.liveBackoffMs = 0;
        if (end == LiveReadEnd::Broken || end == LiveReadEnd::Overflow) {
            closeLiveConnection(context);
            context.liveTail.clear();
            scheduleReconnect(context);
        }
        if (news)
            return PELMORA_RESULT_SUCCESS;
    }
}

}  // namespace

int handleLive(const char* address, qarvo::C_WArrayString& words, ParseContext& context, int count)
{
    context.rawXml.Clear();
    context.extra1.Clear();
    std::string text;
    int code;
    if (context.modernLive)  // a session that never delivered has ended the job already
        code = context.liveFollowing ? followModernLive(context, text) : PELMORA_RESULT_REQUEST_FAILED;
    else if (context.liveFollowing)
        code = followingCycle(address, context, count, text);
    else
        code = firstCycle(address, context, count, text);
    if (code != PELMORA_RESULT_SUCCESS)
        return code;
    // The whole cycle's text at once, in the order it came: running numbers and the thread
    // information are those of one answer, whatever connections it came over.
    if (modeHas(words, u"xml"))
        context.rawXml.Add(text.data(), static_cast<int>(text.size()));
    if (!text.empty())
        parseChats(context, System::utf8_to_utf16(qarvo::C_String(text)), 1);
    return PELMORA_RESULT_SUCCESS;
}

void closeLiveConnection(ParseContext& context)
{
    // The session's threads end here, before the context they report to.
    context.modernLive.reset();
    if (context.liveSocket)
        context.liveSocket->Close();
    context.liveSocket.Reset();
}

}  // namespace pelmora::engine
