// The application window class: run modes, the loop and its result, the main window and its
// procedure, and the single-instance lock.

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/main_wnd.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/window.h"

extern char** environ;

namespace uitest {
namespace {

using qarvo::C_WString;

// An application in the shape of the viewer's: the main window from template 101, a first
// close that only starts the shutdown, and a window that goes once the work has ended.
class TestApp : public C_MainWnd {
public:
    int OnInitialize() override
    {
        ++initialized;
        if (onInitialize)
            onInitialize(*this);
        return 1;
    }

    LResult WindowProc(WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam) override
    {
        log.push_back(message);
        switch (message) {
        case WM_CLOSE:
            closePasses.push_back(lParam);
            // Pretend the worker needs three more passes to end.
            if (lParam < 3)
                PostMessage(window, WM_CLOSE, 0, lParam + 1);
            else
                DestroyWindow(window);
            return 1;
        case WM_COMMAND:
            if (LowWord(wParam) == IDCANCEL)
                PostMessage(window, WM_CLOSE, 0, 0);
            return 1;
        case WM_DESTROY:
            PostQuitMessage(quitCode);
            return 1;
        default:
            return 0;
        }
    }

    int initialized = 0;
    int quitCode = 0;
    std::function<void(TestApp&)> onInitialize;
    std::vector<unsigned> log;
    std::vector<LParam> closePasses;
};

class MainWindow : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        savedRuntime = old ? old : "";
        hadRuntime = old != nullptr;
        // A runtime folder is private to its user.
        std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    }
    void TearDown() override
    {
        if (hadRuntime)
            setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        C_MainWnd::SetRunMode(C_MainWnd::RunMessageLoop);
        UiTest::TearDown();
    }

    TempDir runtime;
    std::string savedRuntime;
    bool hadRuntime = false;
};

TEST_F(MainWindow, RunModeOutsideTheKnownOnesIsStoredAsTheMessageLoop)
{
    C_MainWnd::SetRunMode(2);
    EXPECT_EQ(C_MainWnd::GetRunMode(), C_MainWnd::RunDialogLoop);
    C_MainWnd::SetRunMode(3);
    EXPECT_EQ(C_MainWnd::GetRunMode(), C_MainWnd::RunMessageLoop);
    C_MainWnd::SetRunMode(1);
    C_MainWnd::SetRunMode(-1);
    EXPECT_EQ(C_MainWnd::GetRunMode(), C_MainWnd::RunMessageLoop);
    C_MainWnd::Register(1, 0, C_WString(u"PelmoraVista.exe"), SW_SHOW);
    EXPECT_EQ(C_MainWnd::GetCmdLine(), C_WString(u"PelmoraVista.exe"));
    EXPECT_EQ(C_MainWnd::GetCmdShow(), SW_SHOW);
}

TEST_F(MainWindow, DialogLoopRunsInitialiseThenEndsWithTheQuitCodeAfterATwoPhaseClose)
{
    TestApp app;
    EXPECT_EQ(C_MainWnd::GetCurrentApp(), &app);
    app.quitCode = 7;
    ASSERT_EQ(app.DialogModeLessExec(IDD_MAIN), 1);
    const WindowHandle main = app.GetHWnd();
    ASSERT_NE(main, 0);
    app.onInitialize = [main](TestApp&) {
        ShowWindow(main, SW_SHOW);
        // The user closes the window once the loop runs.
        PostMessage(main, WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), 0);
    };
    C_MainWnd::SetRunMode(C_MainWnd::RunDialogLoop);
    EXPECT_EQ(app.MainRun(), 7);
    EXPECT_EQ(app.initialized, 1);
    EXPECT_EQ(app.closePasses, (std::vector<LParam>{0, 1, 2, 3})) << "WM_CLOSE comes back until the work ends";
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(app.log.back(), WM_DESTROY);
}

TEST_F(MainWindow, MainWindowGetsKeysAndActivationThroughTheLibraryProcedure)
{
    TestApp app;
    ASSERT_EQ(app.DialogModeLessExec(IDD_MAIN), 1);
    const WindowHandle main = app.GetHWnd();
    EXPECT_EQ(app.AddModeLessDialog(0), 0);
    // Escape in the address box: IDCANCEL, which the app turns into a close.
    QWidget* field = WidgetOf(GetDlgItem(main, 1001));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(field, &escape);
    EXPECT_EQ(app.log.back(), WM_COMMAND);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(main); })) << "closed in four passes, then destroyed";
    EXPECT_EQ(app.closePasses.size(), 4u);
    unsigned message = WM_ACTIVATE;
    WindowHandle window = main;
    WParam wParam = WA_ACTIVE;
    LParam lParam = 0;
    EXPECT_EQ(C_MainWnd::gWndProc(window, message, wParam, lParam), 0);
    EXPECT_TRUE(C_MainWnd::IsActive());
    wParam = WA_INACTIVE;
    C_MainWnd::gWndProc(window, message, wParam, lParam);
    EXPECT_FALSE(C_MainWnd::IsActive());
}

TEST_F(MainWindow, ModalDialogOfTheAppRoutesToItsWindowProc)
{
    TestApp app;
    ASSERT_EQ(app.DialogModeLessExec(IDD_MAIN), 1);
    // The modal dialog's cancel button goes through WindowProc, which posts a close to the
    // dialog; a later message ends it.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isModal()) {
                auto* dialog = dynamic_cast<detail::DialogWidget*>(w);
                EndDialog(dialog->handle, 3);
            }
    });
    EXPECT_EQ(app.DialogExec(IDD_SETTINGS, 0), 3);
    EXPECT_NE(std::find(app.log.begin(), app.log.end(), WM_INITDIALOG), app.log.end());
}

TEST_F(MainWindow, PostQuitBeforeTheLoopStillEndsIt)
{
    TestApp app;
    app.onInitialize = [](TestApp&) { PostQuitMessage(-4); };
    C_MainWnd::SetRunMode(C_MainWnd::RunMessageLoop);
    EXPECT_EQ(app.MainRun(), -4);
    EXPECT_EQ(app.initialized, 1);
}

TEST_F(MainWindow, OnlyTheFirstLockHolderIsTheFirstInstance)
{
    const C_WString name(u"PelmoraVistaTest");
    qarvo::platform::C_InstanceLock other;
    {
        TestApp app;
        EXPECT_TRUE(app.IsFirstTimeCreateAppMutex(name));
        EXPECT_FALSE(app.IsExistThisApp());
        EXPECT_EQ(app.CreateAppMutex(name), 1) << "already held by this object";
        EXPECT_EQ(other.Acquire(name), qarvo::platform::C_InstanceLock::Result::HeldElsewhere);
        EXPECT_EQ(qarvo::platform::C_InstanceLock::LockPath(name), qarvo::C_String((runtime.path() / "PelmoraVistaTest.lock").string()));
        app.CloseAppMutex();
        EXPECT_EQ(other.Acquire(name), qarvo::platform::C_InstanceLock::Result::Acquired);
        EXPECT_EQ(app.CreateAppMutex(name), 1);
        EXPECT_TRUE(app.IsExistThisApp());
        EXPECT_FALSE(app.IsFirstTimeCreateAppMutex(name));
    }
    other.Release();
    // The name cannot lead out of the folder.
    EXPECT_EQ(qarvo::platform::C_InstanceLock::LockPath(C_WString(u"../x/y")), qarvo::C_String((runtime.path() / ".._x_y.lock").string()));
    EXPECT_EQ(qarvo::platform::C_InstanceLock::LockPath(C_WString(u"..")), qarvo::C_String((runtime.path() / "app...lock").string()));
}

int runProbe(const std::string& name)
{
    char* args[] = {const_cast<char*>(UI_INSTANCE_PROBE), const_cast<char*>(name.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, UI_INSTANCE_PROBE, nullptr, nullptr, args, environ) != 0)
        return 1000;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return 1001;
    return static_cast<signed char>(WEXITSTATUS(status));
}

TEST_F(MainWindow, SecondProcessExitsWithMinusOneAndTheFirstKeepsRunning)
{
    TestApp app;
    ASSERT_TRUE(app.IsFirstTimeCreateAppMutex(C_WString(u"PelmoraVistaProbe")));
    EXPECT_EQ(runProbe("PelmoraVistaProbe"), -1);
    EXPECT_FALSE(app.IsExistThisApp());
    app.CloseAppMutex();
    // Released: the next start is a first instance again.
    EXPECT_EQ(runProbe("PelmoraVistaProbe"), 0);
}

}  // namespace
}  // namespace uitest
