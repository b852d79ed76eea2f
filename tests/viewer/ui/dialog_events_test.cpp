// What a dialog procedure receives: initialisation, commands from buttons, menu and keys,
// close and destroy, show and size.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

void pressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

using DialogEvents = UiTest;

TEST_F(DialogEvents, InitDialogCarriesTheCreationParameterAfterTheControlsExist)
{
    MessageLog& log = NewLog();
    WindowHandle controlSeenDuringInit = 0;
    log.answer = [&](WindowHandle window, unsigned message, WParam, LParam) -> LResult {
        if (message == WM_INITDIALOG)
            controlSeenDuringInit = GetDlgItem(window, 1054);
        return 0;
    };
    const WindowHandle dialog = CreateDialogFromTemplate(IDD_COMMENT_INFO, 0, log.Procedure(), 0x1234);
    ASSERT_NE(dialog, 0);
    ASSERT_EQ(log.Of(WM_INITDIALOG).size(), 1u);
    EXPECT_EQ(log.entries.front().message, WM_INITDIALOG) << "the first message";
    EXPECT_EQ(log.Of(WM_INITDIALOG)[0].lParam, 0x1234);
    EXPECT_NE(controlSeenDuringInit, 0);
    EXPECT_EQ(CreateDialogFromTemplate(4242, 0, log.Procedure(), 0), 0) << "unknown template";
    EXPECT_EQ(CreateDialogFromTemplate(IDD_VIDEO_PAGE, 0, log.Procedure(), 0), 0) << "a page needs a parent";
}

TEST_F(DialogEvents, ButtonsCheckBoxesAndMenuItemsSendCommands)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, log.Procedure(), 0);
    qobject_cast<QPushButton*>(WidgetOf(GetDlgItem(main, 1)))->click();
    auto* dialog = dynamic_cast<detail::DialogWidget*>(WidgetOf(main));
    dialog->findMenuAction(40006)->trigger();
    dialog->findMenuAction(40002)->trigger();

    const auto commands = log.Of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].wParam, MakeWParam(1, BN_CLICKED));
    EXPECT_EQ(commands[0].lParam, GetDlgItem(main, 1));
    EXPECT_EQ(commands[1].wParam, MakeWParam(40006, 0)) << "menu commands have code 0";
    EXPECT_EQ(commands[1].lParam, 0);
    EXPECT_EQ(LowWord(commands[2].wParam), 40002u);

    MessageLog& settingsLog = NewLog();
    const WindowHandle settings = CreateDialogFromTemplate(IDD_SETTINGS, 0, settingsLog.Procedure(), 0);
    const WindowHandle box = GetDlgItem(settings, 1057);
    qobject_cast<QCheckBox*>(WidgetOf(box))->click();
    EXPECT_EQ(settingsLog.Commands(), std::vector<int>{1057});
    EXPECT_EQ(Button_GetCheck(box), BST_CHECKED);
    Button_SetCheck(box, BST_UNCHECKED);
    EXPECT_EQ(Button_GetCheck(box), BST_UNCHECKED);
    EXPECT_EQ(settingsLog.Commands().size(), 1u) << "setting a check by program is not a click";
}

TEST_F(DialogEvents, EnterPressesTheDefaultOrFocusedButtonAndEscapeCancels)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, log.Procedure(), 0);
    auto* combo = qobject_cast<QComboBox*>(WidgetOf(GetDlgItem(main, 1001)));
    ASSERT_NE(combo->lineEdit(), nullptr);

    // Not registered yet: keys are the controls' own.
    pressKey(combo->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(log.Commands().empty());

    ASSERT_TRUE(RegisterDialogKeys(main));
    pressKey(combo->lineEdit(), Qt::Key_Return);
    pressKey(combo->lineEdit(), Qt::Key_Enter);
    pressKey(combo->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(log.Commands(), (std::vector<int>{1, 1, IDCANCEL}));
    EXPECT_EQ(log.Of(WM_COMMAND)[0].lParam, GetDlgItem(main, 1));
    EXPECT_EQ(log.Of(WM_COMMAND)[2].lParam, 0) << "the main window has no cancel button";

    // Enter on a focused push button presses that button, also inside a page.
    MessageLog& pageLog = NewLog();
    const WindowHandle page = CreateDialogFromTemplate(IDD_HISTORY_PAGE, main, pageLog.Procedure(), 0);
    pressKey(WidgetOf(GetDlgItem(page, 1063)), Qt::Key_Return);
    EXPECT_EQ(pageLog.Commands(), std::vector<int>{1063});
    EXPECT_EQ(log.Commands().size(), 3u);

    // A disabled default button ignores Enter.
    EnableWindow(GetDlgItem(main, 1), false);
    pressKey(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(log.Commands().size(), 3u);
}

TEST_F(DialogEvents, ControlLettersReachTheWindowsAcceleratorsFromAnyControl)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, log.Procedure(), 0);
    ASSERT_TRUE(RegisterDialogKeys(main));
    MessageLog& pageLog = NewLog();
    const WindowHandle page = CreateDialogFromTemplate(IDD_HISTORY_PAGE, main, pageLog.Procedure(), 0);
    auto* combo = qobject_cast<QComboBox*>(WidgetOf(GetDlgItem(main, 1001)));
    auto ctrl = [](QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
        QApplication::sendEvent(target, &press);
    };
    ctrl(combo->lineEdit(), Qt::Key_L);
    ctrl(WidgetOf(GetDlgItem(page, 1063)), Qt::Key_Q);  // focus inside a page: still the window's
    EXPECT_EQ(log.Commands(), (std::vector<int>{40014, 40002}));
    EXPECT_EQ(HighWord(log.Of(WM_COMMAND)[0].wParam), 1u) << "an accelerator's notification code";
    EXPECT_TRUE(pageLog.Commands().empty());
    // Other letters stay the control's own (Ctrl+A selects the field's text).
    combo->lineEdit()->setText(QStringLiteral("sm9"));
    ctrl(combo->lineEdit(), Qt::Key_A);
    EXPECT_EQ(log.Commands().size(), 2u);
    EXPECT_EQ(combo->lineEdit()->selectedText(), QStringLiteral("sm9"));
    // The menu shows the key.
    auto* widget = static_cast<qarvo::ui::detail::DialogWidget*>(WidgetOf(main));
    EXPECT_EQ(widget->findMenuAction(40002)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
}

TEST_F(DialogEvents, MainWindowGrowsMaximisesAndNeverShrinksBelowItsTemplate)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, log.Procedure(), 0);
    QWidget* widget = WidgetOf(main);
    const QSize original = widget->size();
    EXPECT_EQ(widget->minimumSize(), original);
    EXPECT_TRUE(widget->windowFlags() & Qt::WindowMaximizeButtonHint);
    Rect outer;
    GetWindowRect(main, &outer);
    SetWindowPos(main, 0, 0, 0, outer.Width() + 300, outer.Height() + 200, SWP_NOMOVE | SWP_NOZORDER);
    Rect client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.Width(), DialogUnitsToPixelsX(500) + 300);
    EXPECT_EQ(log.Of(WM_SIZE).back().lParam, MakeLParam(client.Width(), client.Height()));
    MoveWindow(main, 0, 0, 100, 100);
    EXPECT_EQ(widget->size(), original) << "the template's size is the least";

    ShowWindow(main, SW_SHOW);
    ShowWindow(main, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(main));
    ShowWindow(main, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(main));
    ShowWindow(main, SW_RESTORE);
    EXPECT_FALSE(IsIconic(main));
    EXPECT_TRUE(IsZoomed(main)) << "minimised from maximised comes back maximised";
    ShowWindow(main, SW_MINIMIZE);
    SetForegroundWindow(main);
    EXPECT_FALSE(IsIconic(main));
    ShowWindow(main, SW_RESTORE);
    EXPECT_FALSE(IsZoomed(main));
}

TEST_F(DialogEvents, CloseBoxAsksTheProcedureAndAnUnhandledCloseCancels)
{
    MessageLog& log = NewLog();
    bool handleClose = true;
    log.answer = [&](WindowHandle, unsigned message, WParam, LParam) -> LResult {
        return message == WM_CLOSE && handleClose ? 1 : 0;
    };
    const WindowHandle settings = CreateDialogFromTemplate(IDD_SETTINGS, 0, log.Procedure(), 0);
    ShowWindow(settings, SW_SHOW);
    WidgetOf(settings)->close();
    Pump();
    EXPECT_EQ(log.Of(WM_CLOSE).size(), 1u);
    EXPECT_TRUE(IsWindow(settings)) << "only DestroyWindow removes a dialog";
    EXPECT_TRUE(WidgetOf(settings)->isVisible());
    EXPECT_TRUE(log.Commands().empty());

    handleClose = false;
    WidgetOf(settings)->close();
    ASSERT_TRUE(PumpUntil([&] { return !log.Commands().empty(); }));
    EXPECT_EQ(log.Commands(), std::vector<int>{IDCANCEL});
    EXPECT_EQ(log.Of(WM_COMMAND)[0].lParam, GetDlgItem(settings, IDCANCEL));
}

TEST_F(DialogEvents, DestroyWindowSendsDestroyToParentsBeforeChildrenAndKillsAllHandles)
{
    std::vector<std::pair<WindowHandle, int>> destroyed;
    C_WString textDuringDestroy;
    auto proc = [&](WindowHandle& window, unsigned& message, WParam&, LParam&) -> LResult {
        if (message == WM_DESTROY) {
            destroyed.emplace_back(window, 0);
            if (GetDlgItem(window, 1055))
                textDuringDestroy = GetDlgItemText(window, 1055);
        }
        return 0;
    };
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, proc, 0);
    const WindowHandle tab = CreateTabStrip(GetDlgItem(main, 1060), 13002);
    const WindowHandle page = CreateDialogFromTemplate(IDD_VIDEO_PAGE, tab, proc, 0);
    const WindowHandle owned = CreateDialogFromTemplate(IDD_COMMENT_INFO, main, proc, 0);
    const WindowHandle label = GetDlgItem(page, 1020);
    ASSERT_NE(label, 0);

    ASSERT_TRUE(DestroyWindow(main));
    ASSERT_EQ(destroyed.size(), 3u);
    EXPECT_EQ(destroyed[0].first, main);
    EXPECT_EQ(textDuringDestroy, C_WString(u"動画URL")) << "controls are still there during WM_DESTROY";
    for (WindowHandle h : {main, tab, page, owned, label})
        EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(main));
    EXPECT_EQ(GetWindowText(label), C_WString());
    EXPECT_FALSE(PostMessage(main, WM_USER, 0, 0));
}

TEST_F(DialogEvents, ClickThatDestroysItsOwnDialogIsSafe)
{
    const WindowHandle dialog = CreateDialogFromTemplate(
        IDD_COMMENT_INFO, 0,
        [](WindowHandle& window, unsigned& message, WParam& wParam, LParam&) -> LResult {
            if (message == WM_COMMAND && LowWord(wParam) == 1)
                DestroyWindow(window);
            return 1;
        },
        0);
    QPointer<QWidget> widget = WidgetOf(dialog);
    qobject_cast<QPushButton*>(WidgetOf(GetDlgItem(dialog, 1)))->click();
    EXPECT_FALSE(IsWindow(dialog));
    // The widget goes once nothing of it is on the stack any more.
    ASSERT_TRUE(PumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return widget.isNull();
    }));
}

TEST_F(DialogEvents, ShowWindowAndSizeChangesReachThePage)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle page = CreateDialogFromTemplate(IDD_HISTORY_PAGE, main, log.Procedure(), 0);
    EXPECT_TRUE(log.Of(WM_SHOWWINDOW).empty()) << "pages start hidden";
    EXPECT_FALSE(ShowWindow(page, SW_SHOW));
    EXPECT_TRUE(ShowWindow(page, SW_SHOW)) << "already visible: no second message";
    EXPECT_TRUE(ShowWindow(page, SW_HIDE));
    const auto shows = log.Of(WM_SHOWWINDOW);
    ASSERT_EQ(shows.size(), 2u);
    EXPECT_EQ(shows[0].wParam, 1u);
    EXPECT_EQ(shows[1].wParam, 0u);

    EXPECT_TRUE(log.Of(WM_SIZE).empty());
    MoveWindow(page, 3, 30, 700, 200);
    const auto sizes = log.Of(WM_SIZE);
    ASSERT_EQ(sizes.size(), 1u) << "sent at once, also while hidden";
    EXPECT_EQ(sizes[0].lParam, MakeLParam(700, 200));
    Rect r;
    GetClientRect(page, &r);
    EXPECT_EQ(r, (Rect{0, 0, 700, 200}));
    SetWindowPos(page, 0, 10, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    EXPECT_EQ(WidgetOf(page)->geometry(), QRect(10, 40, 700, 200));
    EXPECT_TRUE(IsWindowVisible(page) == WidgetOf(main)->isVisible());
}

TEST_F(DialogEvents, ModalDialogReturnsTheEndDialogValue)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    bool ownerBlocked = false;
    auto proc = [&](WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam) -> LResult {
        if (message == WM_INITDIALOG) {
            EXPECT_EQ(lParam, 77);
            // Pressed once the modal loop runs.
            PostMessage(window, WM_USER + 1, 0, 0);
            return 1;
        }
        if (message == WM_USER + 1) {
            ownerBlocked = WidgetOf(window)->isModal();
            qobject_cast<QPushButton*>(WidgetOf(GetDlgItem(window, IDOK)))->click();
            return 1;
        }
        if (message == WM_COMMAND && LowWord(wParam) == IDOK) {
            EndDialog(window, 5);
            return 1;
        }
        return 0;
    };
    EXPECT_EQ(DialogBoxFromTemplate(IDD_SETTINGS, main, proc, 77), 5);
    EXPECT_TRUE(ownerBlocked);
    EXPECT_EQ(DialogBoxFromTemplate(31337, main, proc, 0), -1);

    // Ending during WM_INITDIALOG never shows the dialog.
    const intptr_t quick = DialogBoxFromTemplate(
        IDD_SETTINGS, main,
        [](WindowHandle& window, unsigned& message, WParam&, LParam&) -> LResult {
            if (message == WM_INITDIALOG)
                EndDialog(window, 9);
            return 0;
        },
        0);
    EXPECT_EQ(quick, 9);
}

}  // namespace
}  // namespace uitest
