#include "qarvo/thread/thread.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "qarvo/platform/thread.h"

namespace {

// Shared by the handle and the running thread, so that closing the handle from the thread
// itself leaves the thread something valid to write its result into.
struct ThreadState {
    unsigned (*fn)(void*) = nullptr;
    void* arg = nullptr;
    std::atomic<bool> finished{false};
    std::atomic<int> exitCode{0};
    std::atomic<unsigned long> threadId{0};
};

// Thrown by qarvo_end_thread, caught only by threadMain.
struct ThreadEndRequest {
    int code;
};

thread_local bool t_insideLibraryThread = false;

void threadMain(std::shared_ptr<ThreadState> state)
{
    t_insideLibraryThread = true;
    state->threadId.store(qarvo::platform::currentThreadId(), std::memory_order_relaxed);
    int code = 0;
    try {
        code = static_cast<int>(state->fn(state->arg));
    } catch (const ThreadEndRequest& end) {
        code = end.code;
    }
    state->exitCode.store(code, std::memory_order_relaxed);
    state->finished.store(true, std::memory_order_release);
}

}  // namespace

struct qarvo_thread_record {
    std::shared_ptr<ThreadState> state;
    std::thread thread;
};

qarvo_thread_t qarvo_create_thread(unsigned (*fn)(void*), void* arg)
{
    if (!fn)
        return nullptr;
    auto record = std::make_unique<qarvo_thread_record>();
    record->state = std::make_shared<ThreadState>();
    record->state->fn = fn;
    record->state->arg = arg;
    try {
        record->thread = std::thread(threadMain, record->state);
    } catch (const std::system_error&) {
        return nullptr;
    }
    return record.release();
}

int qarvo_join_thread(qarvo_thread_t h, int* exitCode)
{
    if (!h)
        return -1;
    if (h->thread.joinable()) {
        if (h->thread.get_id() == std::this_thread::get_id())
            return -1;
        h->thread.join();
    }
    if (exitCode)
        *exitCode = h->state->exitCode.load(std::memory_order_relaxed);
    return 0;
}

bool qarvo_is_thread_running(qarvo_thread_t h)
{
    return h && !h->state->finished.load(std::memory_order_acquire);
}

void qarvo_close_thread(qarvo_thread_t h)
{
    if (!h)
        return;
    std::unique_ptr<qarvo_thread_record> record(h);
    if (record->thread.joinable()) {
        if (record->thread.get_id() == std::this_thread::get_id())
            record->thread.detach();
        else
            record->thread.join();
    }
}

void qarvo_end_thread(int code)
{
    if (t_insideLibraryThread)
        throw ThreadEndRequest{code};
}

unsigned long qarvo_current_thread_id()
{
    return qarvo::platform::currentThreadId();
}
