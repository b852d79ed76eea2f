#include "qarvo/thread/thread_ex.h"

namespace qarvo {

// What the running thread touches lives here, shared with the thread, so that nothing it uses
// goes away under it even when the owner is destroyed from the thread itself.
struct C_ThreadEx::State {
    C_CriticalSection cs;  // guards function
    common::Pointer<I_Function> function;
    std::atomic<bool> repeat{true};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> running{false};
    std::atomic<unsigned long> threadId{C_CriticalSection::kNoOwner};
    C_Event ended;
};

namespace {

// Marks the end of the thread's work however the passes were left (return or
// qarvo_end_thread), so that a waiting Stop is always released.
class EndOfPasses {
public:
    EndOfPasses(std::atomic<bool>& running, std::atomic<unsigned long>& threadId, C_Event& ended)
        : m_running(running), m_threadId(threadId), m_ended(ended)
    {
    }
    ~EndOfPasses()
    {
        m_threadId.store(C_CriticalSection::kNoOwner);
        m_running.store(false);
        m_ended.SetEvent();
    }

private:
    std::atomic<bool>& m_running;
    std::atomic<unsigned long>& m_threadId;
    C_Event& m_ended;
};

}  // namespace

C_ThreadEx::C_ThreadEx() : m_state(std::make_shared<State>())
{
    // No thread yet counts as an ended one.
    m_state->ended.SetEvent();
}

C_ThreadEx::~C_ThreadEx()
{
    if (Stop(0) == CalledFromOwnThread) {
        C_CriticalLock lock(m_handleLock);
        qarvo_close_thread(m_thread);  // lets the thread finish on its own
        m_thread = nullptr;
    }
}

void C_ThreadEx::SetFunction(const common::Pointer<I_Function>& function)
{
    C_CriticalLock lock(m_state->cs);
    m_state->function = function;
}

void C_ThreadEx::SetRepeat(bool repeat)
{
    m_state->repeat.store(repeat);
}

bool C_ThreadEx::IsRepeat() const
{
    return m_state->repeat.load();
}

unsigned C_ThreadEx::threadMain(void* arg)
{
    const std::unique_ptr<std::shared_ptr<State>> owned(static_cast<std::shared_ptr<State>*>(arg));
    State& state = **owned;
    EndOfPasses endGuard(state.running, state.threadId, state.ended);
    state.threadId.store(qarvo_current_thread_id());

    common::Pointer<I_Function> function;
    {
        C_CriticalLock lock(state.cs);
        function = state.function;
    }
    if (!function)
        return 0;
    do {
        (*function)();
    } while (state.repeat.load() && !state.stopRequested.load());
    return 0;
}

int C_ThreadEx::Start()
{
    C_CriticalLock lock(m_handleLock);
    if (m_thread) {
        if (m_state->running.load())
            return 0;
        // The previous thread has made its last pass; collect it before starting anew.
        qarvo_close_thread(m_thread);
        m_thread = nullptr;
    }
    {
        C_CriticalLock fnLock(m_state->cs);
        if (!m_state->function)
            return 0;
    }
    m_state->stopRequested.store(false);
    m_state->ended.ResetEvent();
    m_state->running.store(true);
    auto arg = std::make_unique<std::shared_ptr<State>>(m_state);
    m_thread = qarvo_create_thread(&C_ThreadEx::threadMain, arg.get());
    if (!m_thread) {
        m_state->running.store(false);
        m_state->ended.SetEvent();
        return 0;
    }
    arg.release();  // the thread owns it now
    ++m_generation;
    return 1;
}

bool C_ThreadEx::IsRunning() const
{
    return m_state->running.load();
}

bool C_ThreadEx::IsStopRequested() const
{
    return m_state->stopRequested.load();
}

int C_ThreadEx::Stop(int ms)
{
    uint64_t generation = 0;
    {
        C_CriticalLock lock(m_handleLock);
        if (!m_thread)
            return NoThread;
        m_state->stopRequested.store(true);
        if (m_state->threadId.load() == qarvo_current_thread_id())
            return CalledFromOwnThread;
        generation = m_generation;
    }
    const int waited = m_state->ended.Wait(ms <= 0 ? -1 : ms);
    if (waited == C_Event::TimedOut)
        return StillRunning;
    if (waited != C_Event::Signalled)
        return NoThread;
    C_CriticalLock lock(m_handleLock);
    // Another caller may have collected this thread (or even started a new one) meanwhile.
    if (m_thread && m_generation == generation) {
        qarvo_close_thread(m_thread);
        m_thread = nullptr;
    }
    return Ended;
}

unsigned long C_ThreadEx::GetThreadId() const
{
    return m_state->threadId.load();
}

}  // namespace qarvo
