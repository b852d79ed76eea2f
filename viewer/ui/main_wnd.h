#pragma once
// C_MainWnd: the application window class. It owns the application object of the toolkit,
// the process's single main window and the single-instance lock, runs the loop, and routes
// every message of the windows made with its procedure to one virtual handler, WindowProc.
// The viewer's application object derives from it.

#include <atomic>
#include <memory>

#include "qarvo/text/string.h"
#include "qarvo/thread/critical_section.h"
#include "qarvo/platform/instance_lock.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

class I_Wnd {
public:
    virtual ~I_Wnd() = default;
    virtual WindowHandle GetHWnd() const = 0;
};

class C_MainWnd : public I_Wnd {
public:
    // Run modes of MainRun.
    enum RunMode { RunMessageLoop = 0, RunGameLoop = 1, RunDialogLoop = 2 };

    // Makes the toolkit's application object unless one exists already (tests make their own),
    // and becomes the current application.
    C_MainWnd();
    // Destroys the windows that are left, releases the lock and, when it made it, the
    // toolkit's application object.
    ~C_MainWnd() override;
    C_MainWnd(const C_MainWnd&) = delete;
    C_MainWnd& operator=(const C_MainWnd&) = delete;

    // Stored for GetHInstance, GetCmdLine, GetCmdShow; nothing else depends on them here.
    static void Register(intptr_t instance, intptr_t prevInstance, const C_WString& commandLine, int showCommand);
    static intptr_t GetHInstance();
    static C_WString GetCmdLine();
    static int GetCmdShow();

    static C_MainWnd* GetCurrentApp();
    // Serialises the lock calls; the application also guards its own shared lists with it.
    static C_CriticalSection m_cs;
    static I_CriticalSection& GetCriticalSection() { return m_cs; }

    WindowHandle GetHWnd() const override { return m_hWnd.load(); }
    // WM_ACTIVATE seen by the library's procedure.
    static bool IsActive() { return s_active.load(); }

    // A mode outside 0..2 is stored as 0.
    static void SetRunMode(int mode);
    static int GetRunMode() { return s_runMode.load(); }

    // Runs the loop of the run mode (each first calls OnInitialize) and returns the code given
    // to PostQuitMessage.
    int MainRun();

    // The main window: a modeless dialog of the template with the library's procedure; 1, or
    // 0 when it cannot be made.
    int DialogModeLessExec(int templateId);
    // A modal dialog of the template with the library's procedure, owned by the main window.
    intptr_t DialogExec(int templateId, LParam param);
    // Adds a dialog to the loop's list (keyboard handling); 0 for a null handle.
    int AddModeLessDialog(WindowHandle dialog);

    // Per-user lock named by name: 1 when this process holds or tried it (the lock may then be
    // held by another process: IsExistThisApp), 0 when the lock file cannot be made.
    virtual int CreateAppMutex(const C_WString& name);
    // True only for the first instance: the lock was made and nobody else held it.
    virtual bool IsFirstTimeCreateAppMutex(const C_WString& name);
    virtual bool IsExistThisApp();
    virtual void CloseAppMutex();

    virtual int OnInitialize() = 0;
    virtual LResult WindowProc(WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam) = 0;
    // Called by the game loop while the application is active and nothing else is waiting.
    virtual void OnIdle() {}

    // The library's procedure: everything to WindowProc of the current application; WM_ACTIVATE
    // also records the active state and answers 0.
    static LResult gWndProc(WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam);

protected:
    virtual int CallMainLoop();
    virtual int CallGameLoop();
    virtual int CallDialogLoop();
    int MainLoop();
    int GameLoop();
    int DialogLoop();

private:
    struct Toolkit;
    std::unique_ptr<Toolkit> m_toolkit;
    std::atomic<WindowHandle> m_hWnd{0};
    platform::C_InstanceLock m_lock;
    bool m_lockTried = false;
    bool m_existed = false;

    static std::atomic<int> s_runMode;
    static std::atomic<bool> s_active;
};

}  // namespace qarvo::ui
