#pragma once
// One parse job: the request, where its results go, its thread and the flags other threads use
// to stop or wake it. Held through Pointer by the job list and by the job thread itself, so
// that the record outlives both a caller that drops it and a thread that runs on.

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/pelmora2.h"
#include "qarvo/text/string.h"
#include "qarvo/thread/event.h"
#include "qarvo/thread/thread.h"

namespace pelmora::engine {

class JobRegistry;

struct tagThreadParam {
    qarvo::C_WString request;  // exactly as given to startParse
    ParseCallback callback = nullptr;
    int id = 0;
    intptr_t userValue = 0;
    qarvo_thread_t thread = nullptr;  // guarded by the engine lock
    // Set by exitParse, exitEntryParse or exitParseAll on their threads, read by the job
    // thread at every check.
    std::atomic<int> stop{0};
    // Callbacks made (the final failing one of a live loop not counted).
    std::atomic<int> deliveries{0};
    // Live jobs only, while they wait between update cycles; guarded by the engine lock.
    std::unique_ptr<qarvo::C_Event> wakeEvent;
    JobRegistry* registry = nullptr;
};

}  // namespace pelmora::engine
