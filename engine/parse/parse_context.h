#pragma once
// Everything a job learns while it works: the handlers fill it, the result record that crosses
// to the caller points into it. One per job, living on the job thread; a live job keeps it
// across its update cycles.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/parse/chat_list.h"
#include "engine/parse/text_pool.h"
#include "qarvo/text/memory.h"
#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"

namespace qarvo {
class C_Socket;
}

namespace pelmora::engine {

namespace nicolive {
class LiveSession;
}

// Where a job tells its caller, while it works, that it goes on after a setback: a request
// tried again, the comment server's connection made again. The text is short English
// ("retry 2/5: http://...", "reconnect 3 in 4 s"). Called on the job thread.
class I_JobProgress {
public:
    virtual void Report(const char* state) = 0;

protected:
    ~I_JobProgress() = default;
};

struct ParseContext {
    qarvo::C_String title;  // UTF-8
    qarvo::C_String videoUrl;
    qarvo::C_WString extension;
    qarvo::C_String cookie;
    qarvo::C_String userInfo;
    qarvo::C_String finalUrl;
    qarvo::C_String cacheKey;
    // The other-site handlers: what they found. A live job: the state of its comment server
    // connection in this cycle ("reconnect 2: connected"), empty when nothing happened to it.
    qarvo::C_String extra1;
    qarvo::C_String extra2;
    qarvo::C_BinaryMemory auxBlock;
    qarvo::C_BinaryMemory rawXml;  // the comment server's raw answer, when the mode word asks

    // The thread information of the latest answer.
    int32_t viewCounter = 0;
    int32_t lastRes = 0;
    int32_t resultCode = 0;
    int32_t commentCount = 0;
    int64_t serverTime = 0;
    qarvo::C_WString thread;
    qarvo::C_WString ticket;

    // A video of today's interface delivers several threads (forks); when this list is not
    // empty, each entry becomes one ThreadInfo (with viewCounter and serverTime of the fields
    // above) instead of the single one the fields describe.
    struct ThreadEntry {
        qarvo::C_WString thread;
        int32_t lastRes = 0;
        int32_t commentCount = 0;
    };
    std::vector<ThreadEntry> threadEntries;

    // Why the job failed, for the caller to show (UTF-8); empty when there is nothing to say.
    qarvo::C_String stateText;

    // The job's stop flag and the engine's "everything is closing" flag; every wait loop of a
    // handler polls both through stopRequested(). Either may be null (a context made by a test).
    const std::atomic<int>* stopFlag = nullptr;
    const std::atomic<int>* exitingAll = nullptr;
    // Null unless the caller asked to hear of retries while the job works.
    I_JobProgress* progress = nullptr;

    // Live state, kept across the update cycles of a live job.
    // The first cycle ends the job when its connection cannot be made (or breaks twice); once
    // it has delivered, the job follows the broadcast: a break is made good by connecting
    // again, after a wait that doubles from 1 s to 30 s while no new comment comes.
    int32_t reconnected = 0;
    bool liveFollowing = false;
    int liveReconnects = 0;      // connections made again so far
    uint32_t liveBackoffMs = 0;  // the wait before the next attempt; 0 after new comments
    uint32_t liveRetryAt = 0;    // qarvo_time_millis() of the next attempt
    qarvo::common::Pointer<qarvo::C_Socket> liveSocket;
    qarvo::C_String liveThread;
    // Bytes of an element the previous call received only in part; they go in front of the
    // next call's data so that no comment is lost at a read boundary.
    std::string liveTail;
    // The highest comment number delivered so far; a reconnection's first answer repeats
    // recent comments, and those are not delivered twice.
    int64_t liveLastNo = -1;
    // A broadcast of today's service: its WebSocket and comment stream, whose threads run
    // between the cycles (shared_ptr: the type stays incomplete here).
    std::shared_ptr<nicolive::LiveSession> modernLive;

    // The comments parsed since the last delivery, in order of arrival, and their strings.
    ChatList chats;
    TextPool texts;

    bool stopRequested() const
    {
        return (stopFlag && stopFlag->load(std::memory_order_acquire) != 0) ||
               (exitingAll && exitingAll->load(std::memory_order_acquire) != 0);
    }

    // After a delivery: the caller has copied what it keeps.
    void clearChats()
    {
        chats.RemoveAll();
        texts.Clear();
    }
};

}  // namespace pelmora::engine
