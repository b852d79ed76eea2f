#include "viewer/ui/main_wnd.h"

#include <QApplication>
#include <QTimer>
#include <mutex>

#include "viewer/ui/dialog.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

std::atomic<C_MainWnd*> g_current{nullptr};

struct Registration {
    std::mutex mutex;
    intptr_t instance = 0;
    intptr_t prevInstance = 0;
    C_WString commandLine;
    int showCommand = SW_SHOWNORMAL;
};

Registration& registration()
{
    static Registration r;
    return r;
}

// The toolkit keeps argc and argv for its whole life. There are no command-line options, so
// it sees the program name only.
int g_argc = 1;
char g_arg0[] = "PelmoraVista";
char* g_argv[] = {g_arg0, nullptr};

}  // namespace

C_CriticalSection C_MainWnd::m_cs;
std::atomic<int> C_MainWnd::s_runMode{C_MainWnd::RunMessageLoop};
std::atomic<bool> C_MainWnd::s_active{false};

struct C_MainWnd::Toolkit {
    std::unique_ptr<QApplication> application;
};

C_MainWnd::C_MainWnd() : m_toolkit(std::make_unique<Toolkit>())
{
    if (!QCoreApplication::instance()) {
        m_toolkit->application = std::make_unique<QApplication>(g_argc, g_argv);
        // The desktop matches the window to its menu entry (and icon) by this name.
        QGuiApplication::setDesktopFileName(QStringLiteral("org.pelmora.PelmoraVista"));
    }
    // Only PostQuitMessage ends the loop; closing the last window must not.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    SetLoopEnded(false);
    ClearPendingQuit();
    PrepareGuiQueue();
    g_current.store(this);
}

C_MainWnd::~C_MainWnd()
{
    // The derived application is gone by now: windows destroyed here must not reach its
    // WindowProc, so it stops being the current application first.
    C_MainWnd* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    if (OnGuiThread())
        DestroyAllWindows();
    CloseAppMutex();
    ClearPendingQuit();
    if (m_toolkit->application) {
        SetLoopEnded(true);
        m_toolkit->application.reset();
    } else {
        // The application object outlives us (a test's); its next loop answers again.
        SetLoopEnded(false);
    }
}

void C_MainWnd::Register(intptr_t instance, intptr_t prevInstance, const C_WString& commandLine, int showCommand)
{
    Registration& r = registration();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.instance = instance;
    r.prevInstance = prevInstance;
    r.commandLine = commandLine;
    r.showCommand = showCommand;
}

intptr_t C_MainWnd::GetHInstance()
{
    Registration& r = registration();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.instance;
}

C_WString C_MainWnd::GetCmdLine()
{
    Registration& r = registration();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.commandLine;
}

int C_MainWnd::GetCmdShow()
{
    Registration& r = registration();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.showCommand;
}

C_MainWnd* C_MainWnd::GetCurrentApp()
{
    return g_current.load();
}

void C_MainWnd::SetRunMode(int mode)
{
    s_runMode.store(mode >= RunMessageLoop && mode <= RunDialogLoop ? mode : RunMessageLoop);
}

int C_MainWnd::MainRun()
{
    int mode = s_runMode.load();
    if (mode < RunMessageLoop || mode > RunDialogLoop) {
        mode = RunMessageLoop;
        s_runMode.store(mode);
    }
    switch (mode) {
    case RunGameLoop:
        return CallGameLoop();
    case RunDialogLoop:
        return CallDialogLoop();
    default:
        return CallMainLoop();
    }
}

int C_MainWnd::CallMainLoop()
{
    OnInitialize();
    return MainLoop();
}

int C_MainWnd::CallGameLoop()
{
    OnInitialize();
    return GameLoop();
}

int C_MainWnd::CallDialogLoop()
{
    OnInitialize();
    return DialogLoop();
}

int C_MainWnd::MainLoop()
{
    return RunMainLoop();
}

int C_MainWnd::GameLoop()
{
    // The idle hook runs whenever the queue is empty, while the application is active.
    QTimer idle;
    idle.setInterval(0);
    QObject::connect(&idle, &QTimer::timeout, [this] {
        if (IsActive())
            OnIdle();
    });
    idle.start();
    return RunMainLoop();
}

int C_MainWnd::DialogLoop()
{
    // Keyboard handling of the registered dialogs is part of every loop here.
    return RunMainLoop();
}

int C_MainWnd::DialogModeLessExec(int templateId)
{
    const WindowHandle window = CreateDialogFromTemplate(templateId, 0, &C_MainWnd::gWndProc, 0);
    if (!window)
        return 0;
    m_hWnd.store(window);
    AddModeLessDialog(window);
    return 1;
}

intptr_t C_MainWnd::DialogExec(int templateId, LParam param)
{
    return DialogBoxFromTemplate(templateId, GetHWnd(), &C_MainWnd::gWndProc, param);
}

int C_MainWnd::AddModeLessDialog(WindowHandle dialog)
{
    if (!dialog)
        return 0;
    return RegisterDialogKeys(dialog) ? 1 : 0;
}

int C_MainWnd::CreateAppMutex(const C_WString& name)
{
    C_CriticalLock lock(m_cs);
    if (m_lockTried)
        return 1;
    switch (m_lock.Acquire(name)) {
    case platform::C_InstanceLock::Result::Acquired:
        m_lockTried = true;
        m_existed = false;
        return 1;
    case platform::C_InstanceLock::Result::HeldElsewhere:
        m_lockTried = true;
        m_existed = true;
        return 1;
    default:
        return 0;
    }
}

bool C_MainWnd::IsFirstTimeCreateAppMutex(const C_WString& name)
{
    return CreateAppMutex(name) != 0 && !IsExistThisApp();
}

bool C_MainWnd::IsExistThisApp()
{
    C_CriticalLock lock(m_cs);
    return m_existed;
}

void C_MainWnd::CloseAppMutex()
{
    C_CriticalLock lock(m_cs);
    m_lock.Release();
    m_lockTried = false;
    m_existed = false;
}

LResult C_MainWnd::gWndProc(WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam)
{
    C_MainWnd* app = GetCurrentApp();
    if (!app)
        return 0;
    const LResult result = app->WindowProc(window, message, wParam, lParam);
    if (message == WM_ACTIVATE) {
        s_active.store(LowWord(wParam) != WA_INACTIVE);
        return 0;
    }
    return result;
}

}  // namespace qarvo::ui
