#pragma once
// A thread object that runs one bound function pass after pass: each call is one pass of the
// owner's loop, so the owner's function returns regularly and the thread can notice a stop.

#include <atomic>
#include <cstdint>
#include <memory>

#include "qarvo/text/pointer.h"
#include "qarvo/thread/critical_section.h"
#include "qarvo/thread/event.h"
#include "qarvo/thread/function.h"
#include "qarvo/thread/thread.h"

namespace qarvo {

class C_ThreadEx {
public:
    // Results of Stop.
    enum StopResult { Ended = 0, NoThread = 1, CalledFromOwnThread = 2, StillRunning = 3 };

    C_ThreadEx();
    // Stops and joins the thread (waiting without limit).
    ~C_ThreadEx();
    C_ThreadEx(const C_ThreadEx&) = delete;
    C_ThreadEx& operator=(const C_ThreadEx&) = delete;

    // The function the next Start runs; a running thread keeps the one it started with.
    void SetFunction(const common::Pointer<I_Function>& function);
    // With repeat on (the default) the function is called again after each pass until a stop
    // is requested; with repeat off it is called once.
    void SetRepeat(bool repeat);
    bool IsRepeat() const;

    // 1 started; 0 when a thread still runs, no function is set, or the thread could not be
    // created.
    int Start();
    // True from Start until the thread has made its last pass.
    bool IsRunning() const;
    // The bound function polls this inside long passes.
    bool IsStopRequested() const;
    // Requests the stop and waits: ms == 0 (or negative) without limit, otherwise at most ms.
    // 0 the thread has ended and was joined; 1 there is no thread; 2 called from the thread
    // itself (the stop is requested, the thread ends after its current pass); 3 it still runs.
    int Stop(int ms);
    // Id of the running thread, ~0ul when none.
    unsigned long GetThreadId() const;

private:
    struct State;
    static unsigned threadMain(void* arg);

    std::shared_ptr<State> m_state;
    C_CriticalSection m_handleLock;  // guards m_thread and m_generation
    qarvo_thread_t m_thread = nullptr;
    uint64_t m_generation = 0;
};

}  // namespace qarvo
