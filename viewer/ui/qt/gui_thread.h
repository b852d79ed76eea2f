#pragma once
// Hand-over of work to the GUI thread. Changes are queued to the application object, so they
// run in the order they were made; calls that need an answer queue the same way and wait.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QEventLoop;

namespace qarvo::ui::detail {

bool HasApplication();
bool OnGuiThread();
// Sets up the queue of work for the GUI thread of the current application object; called on
// that thread before other threads hand it work (no-op elsewhere, and once set up).
void PrepareGuiQueue();

// True while nobody will answer a waiting call: the GUI thread waits for other threads
// (GuiWaitScope) or its loop has ended.
bool GuiUnavailable();
void SetLoopEnded(bool ended);

// The loops the layer runs on the GUI thread: the main loop and modal dialogs.
class LoopScope {
public:
    LoopScope(QEventLoop* loop, bool isMain);
    ~LoopScope();
    LoopScope(const LoopScope&) = delete;
    LoopScope& operator=(const LoopScope&) = delete;

private:
    QEventLoop* m_loop;
};

// Runs the main loop until QuitLoops; a quit that came while no main loop ran ends it at once.
int RunMainLoop();
// Ends every running loop, the main one with code, as a quit message ended the main loop and
// every modal loop above it. With no main loop running the code waits for the next one.
void QuitLoops(int code);
void ClearPendingQuit();

// Queued, even from the GUI thread. false when there is no application object.
bool PostToGui(std::function<void()> work);
// At once on the GUI thread, queued from any other.
bool RunOnGui(std::function<void()> work);

// A call handed to the GUI thread. The caller may give up only while the call has not
// started; once started it runs to the end while the caller waits, so the work may use
// references to the caller's stack.
struct PendingCall {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool started = false;
    bool done = false;
    bool abandoned = false;
};

// Waits until the call is done (true) or was given up (false).
bool WaitForCall(PendingCall& call);

template <class R, class F>
R CallOnGui(F&& work, R fallback)
{
    if (OnGuiThread())
        return work();
    if (!HasApplication() || GuiUnavailable())
        return fallback;
    auto call = std::make_shared<PendingCall>();
    std::optional<R> result;
    const bool queued = PostToGui([call, &work, &result] {
        {
            std::lock_guard<std::mutex> lock(call->mutex);
            if (call->abandoned)
                return;
            call->started = true;
        }
        R value = work();
        {
            std::lock_guard<std::mutex> lock(call->mutex);
            result = std::move(value);
            call->done = true;
        }
        call->done_cv.notify_all();
    });
    if (!queued || !WaitForCall(*call))
        return fallback;
    std::lock_guard<std::mutex> lock(call->mutex);
    return std::move(*result);
}

}  // namespace qarvo::ui::detail
