#include "viewer/ui/qt/gui_thread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <deque>
#include <vector>

#include "viewer/ui/qt/window_table.h"
#include "viewer/ui/window.h"

namespace qarvo::ui::detail {
namespace {

std::atomic<int> g_guiWaiting{0};
std::atomic<bool> g_loopEnded{false};

// GUI thread only: the loops running now (innermost last) and a quit nobody took yet.
struct ActiveLoop {
    QEventLoop* loop;
    bool isMain;
};
std::vector<ActiveLoop> g_loops;
std::optional<int> g_pendingQuit;

// A waiting caller checks this often whether the GUI thread has become unavailable.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

// The work handed to the GUI thread waits in a queue of our own, guarded by a std::mutex, and
// Qt carries only a bare wake-up event, one per item. What the work captured thus passes
// between the threads under a lock that race detectors see; Qt's own queue is built on
// primitives they cannot see into, and everything it carried looked raced.
class GuiQueue final : public QObject {
public:
    static const QEvent::Type kWake;

    GuiQueue();
    ~GuiQueue() override;
    bool event(QEvent* event) override;
};

const QEvent::Type GuiQueue::kWake = static_cast<QEvent::Type>(QEvent::registerEventType());

std::mutex g_queueLock;
std::deque<std::function<void()>> g_queue;  // guarded by g_queueLock
GuiQueue* g_receiver = nullptr;             // guarded by g_queueLock; lives on the GUI thread

GuiQueue::GuiQueue() : QObject(QCoreApplication::instance())
{
    std::lock_guard<std::mutex> lock(g_queueLock);
    g_receiver = this;
}

GuiQueue::~GuiQueue()
{
    // Goes with the application object, whose pending wake-ups go too: so does their work,
    // destroyed here on the GUI thread rather than under the lock.
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> lock(g_queueLock);
        if (g_receiver == this)
            g_receiver = nullptr;
        dropped.swap(g_queue);
    }
}

bool GuiQueue::event(QEvent* event)
{
    if (event->type() != kWake)
        return QObject::event(event);
    // One item per wake-up: the items keep their places among Qt's other events, and work
    // that runs a nested loop lets the later items run inside it, in order.
    std::function<void()> work;
    {
        std::lock_guard<std::mutex> lock(g_queueLock);
        if (g_queue.empty())
            return true;
        work = std::move(g_queue.front());
        g_queue.pop_front();
    }
    work();
    return true;
}

// Queues work and wakes the GUI thread; false when no queue is set up for this application.
bool enqueue(std::function<void()>& work)
{
    std::lock_guard<std::mutex> lock(g_queueLock);
    if (!g_receiver)
        return false;
    g_queue.push_back(std::move(work));
    QCoreApplication::postEvent(g_receiver, new QEvent(GuiQueue::kWake));
    return true;
}

}  // namespace

void PrepareGuiQueue()
{
    if (!OnGuiThread())
        return;
    {
        std::lock_guard<std::mutex> lock(g_queueLock);
        if (g_receiver)
            return;
    }
    new GuiQueue();  // owned by the application object
}

bool HasApplication()
{
    return QCoreApplication::instance() != nullptr;
}

bool OnGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

bool GuiUnavailable()
{
    return g_guiWaiting.load() > 0 || g_loopEnded.load();
}

void SetLoopEnded(bool ended)
{
    g_loopEnded.store(ended);
}

LoopScope::LoopScope(QEventLoop* loop, bool isMain) : m_loop(loop)
{
    PrepareGuiQueue();
    g_loops.push_back(ActiveLoop{loop, isMain});
}

LoopScope::~LoopScope()
{
    for (auto it = g_loops.begin(); it != g_loops.end(); ++it)
        if (it->loop == m_loop) {
            g_loops.erase(it);
            break;
        }
}

int RunMainLoop()
{
    if (!HasApplication())
        return -1;
    if (g_pendingQuit) {
        const int code = *g_pendingQuit;
        g_pendingQuit.reset();
        SetLoopEnded(true);
        return code;
    }
    SetLoopEnded(false);
    // A loop of our own rather than the application's exec: its quit would stop every later
    // loop of the process (modal dialogs included) from running at all.
    QEventLoop loop;
    int result = 0;
    {
        LoopScope scope(&loop, true);
        result = loop.exec();
    }
    SetLoopEnded(true);
    FlushDeferredDeletes();
    return result;
}

void QuitLoops(int code)
{
    bool mainRunning = false;
    for (const ActiveLoop& active : g_loops) {
        active.loop->exit(active.isMain ? code : 0);
        mainRunning = mainRunning || active.isMain;
    }
    if (!mainRunning)
        g_pendingQuit = code;
}

void ClearPendingQuit()
{
    g_pendingQuit.reset();
}

bool PostToGui(std::function<void()> work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    PrepareGuiQueue();
    if (enqueue(work))
        return true;
    // Before the GUI thread has set the queue up: Qt's own queue, in order all the same.
    return QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

bool RunOnGui(std::function<void()> work)
{
    if (OnGuiThread()) {
        work();
        return true;
    }
    return PostToGui(std::move(work));
}

bool WaitForCall(PendingCall& call)
{
    std::unique_lock<std::mutex> lock(call.mutex);
    while (!call.done) {
        if (!call.started && GuiUnavailable()) {
            call.abandoned = true;
            return false;
        }
        call.done_cv.wait_for(lock, kWaitSlice);
    }
    return true;
}

}  // namespace qarvo::ui::detail

namespace qarvo::ui {

bool IsGuiThread()
{
    return detail::OnGuiThread();
}

GuiWaitScope::GuiWaitScope()
{
    detail::g_guiWaiting.fetch_add(1);
}

GuiWaitScope::~GuiWaitScope()
{
    detail::g_guiWaiting.fetch_sub(1);
}

}  // namespace qarvo::ui
