#include "viewer/ui/qt/gui_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <chrono>
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

}  // namespace

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
