#include "engine/handlers/live_modern.h"

#include "engine/nicolive/live_markers.h"
#include "engine/nicolive/live_session.h"
#include "engine/nicolive/socket_message.h"
#include "engine/pelmora2.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {
namespace {

// The first cycle waits this long for the past comments before it reports a quiet start.
constexpr int kFirstWaitMs = 30000;
constexpr int kWaitSliceMs = 100;

void takeNotes(ParseContext& context)
{
    const std::string notes = context.modernLive->TakeNotes();
    if (notes.empty())
        return;
    if (!context.extra1.IsEmpty())
        context.extra1 += "; ";
    context.extra1 += qarvo::C_String(notes);
}

int ended(ParseContext& context, int code)
{
    context.stateText = qarvo::C_String(context.modernLive->EndText());
    takeNotes(context);
    return code;
}

}  // namespace

int startModernLive(const nicolive::ProgramFacts& program, ParseContext& context, int count, std::string& text)
{
    if (program.status == "ENDED") {
        context.stateText = qarvo::C_String(nicolive::disconnectText("END_PROGRAM"));
        return PELMORA_RESULT_BROADCAST_ENDED;
    }
    if (program.webSocketUrl.empty()) {
        context.stateText = qarvo::C_String(livenames::kNotWatchableText);
        return PELMORA_RESULT_REQUEST_FAILED;
    }
    nicolive::SessionConfig config;
    config.program = program;
    config.thread = program.programId;
    config.backwardCount = count > 0 ? count : 0;
    context.modernLive = std::make_shared<nicolive::LiveSession>(std::move(config));
    context.modernLive->Start();

    const uint32_t start = qarvo_time_millis();
    while (qarvo_time_millis() - start < static_cast<uint32_t>(kFirstWaitMs)) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        const nicolive::SessionWait wait = context.modernLive->Wait(kWaitSliceMs);
        if (wait == nicolive::SessionWait::News)
            break;
        if (wait == nicolive::SessionWait::Ended && !context.modernLive->HasChats())
            return ended(context, PELMORA_RESULT_BROADCAST_ENDED);
        if (wait == nicolive::SessionWait::Failed)
            return ended(context, PELMORA_RESULT_REQUEST_FAILED);
    }
    // A quiet program is followed too: its comments come when they are posted.
    text = context.modernLive->TakeChats();
    takeNotes(context);
    context.liveFollowing = true;
    return PELMORA_RESULT_SUCCESS;
}

int followModernLive(ParseContext& context, std::string& text)
{
    for (;;) {
        if (context.stopRequested())
            return PELMORA_RESULT_STOPPED;
        const nicolive::SessionWait wait = context.modernLive->Wait(kWaitSliceMs);
        if (wait == nicolive::SessionWait::News) {
            text = context.modernLive->TakeChats();
            takeNotes(context);
            return PELMORA_RESULT_SUCCESS;
        }
        if (wait == nicolive::SessionWait::Ended)
            return ended(context, PELMORA_RESULT_BROADCAST_ENDED);
        if (wait == nicolive::SessionWait::Failed)
            return ended(context, PELMORA_RESULT_REQUEST_FAILED);
    }
}

}  // namespace pelmora::engine
