#include "engine/handlers/live_reader.h"

#include "engine/parse/live_elements.h"
#include "qarvo/net/socket.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine {
namespace {

// A call that has received data ends after this long without more.
constexpr uint32_t kSilenceMs = 1000;
// The socket wait is cut into slices this long so that a stop request is seen quickly.
constexpr int kReadSliceMs = 100;
// Once the asked comments are in, what has already arrived is read too (for this long at
// most, or until a slice passes without data): a broadcast that posts faster than one read
// per cycle takes would otherwise fall further behind with every cycle.
constexpr uint32_t kDrainMs = 50;

struct ReadState {
    ParseContext* context = nullptr;
    std::string* text = nullptr;
    std::string buffer;
    int count = 0;
    int counted = 0;  // new comments already moved from the buffer to the text
    LiveElementCounter elements;
    bool gotData = false;
    uint32_t lastData = 0;
    bool enough = false;
    uint32_t enoughAt = 0;
    LiveReadEnd end = LiveReadEnd::Silence;
};

// Moves the complete elements out of the buffer, so that only an unfinished one stays.
void takeComplete(ReadState& state)
{
    ParseContext& context = *state.context;
    state.counted += state.elements.Chats();
    *state.text += takeCompleteElements(state.buffer, context);
    state.buffer = std::move(context.liveTail);
    context.liveTail.clear();
    state.elements = LiveElementCounter(context.liveLastNo);
}

int onReceive(int event, int size, const unsigned char* data, void* user)
{
    ReadState& state = *static_cast<ReadState*>(user);
    if (state.context->stopRequested()) {
        state.end = LiveReadEnd::Stopped;
        return 0;
    }
    switch (event) {
    case qarvo::C_Socket::kRecvData: {
        // Complete elements never count against the cap: only one element that does not end.
        if (kMaxLiveBytes - state.buffer.size() < static_cast<size_t>(size))
            takeComplete(state);
        if (kMaxLiveBytes - state.buffer.size() < static_cast<size_t>(size)) {
            state.end = LiveReadEnd::Overflow;
            return 0;
        }
        state.buffer.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        state.elements.Update(state.buffer);
        state.gotData = true;
        state.lastData = qarvo_time_millis();
        // One more comment than asked for: the wanted comments are all here.
        if (!state.enough && state.counted + state.elements.Chats() - 1 >= state.count) {
            state.enough = true;
            state.enoughAt = state.lastData;
        }
        if (state.enough && state.lastData - state.enoughAt >= kDrainMs) {
            state.end = LiveReadEnd::Enough;
            return 0;
        }
        return 1;
    }
    case qarvo::C_Socket::kRecvTimeOut:
        if (state.enough) {
            state.end = LiveReadEnd::Enough;
            return 0;
        }
        if (state.gotData && qarvo_time_millis() - state.lastData >= kSilenceMs) {
            state.end = LiveReadEnd::Silence;
            return 0;
        }
        return 1;
    default:
        // An error, or the server closed the connection: either way nothing more comes.
        state.end = LiveReadEnd::Broken;
        return 0;
    }
}

}  // namespace

LiveReadEnd readLiveConnection(ParseContext& context, int count, std::string& text)
{
    ReadState state;
    state.context = &context;
    state.text = &text;
    state.buffer = std::move(context.liveTail);
    context.liveTail.clear();
    state.count = count;
    state.elements = LiveElementCounter(context.liveLastNo);
    context.liveSocket->SetTimeOut(kReadSliceMs);
    context.liveSocket->Recv(onReceive, &state);
    if (context.stopRequested())
        state.end = LiveReadEnd::Stopped;

    takeComplete(state);
    // What the endless element had sent is dropped; what was complete before it stays.
    context.liveTail = state.end == LiveReadEnd::Overflow ? std::string() : std::move(state.buffer);
    return state.end;
}

bool holdsChat(const std::string& text)
{
    return text.find("<chat") != std::string::npos;
}

}  // namespace pelmora::engine
