// Labels that act as links: an installed control procedure sees the cursor and the click and
// chains to the previous one; the dialog colours its statics through WM_CTLCOLORSTATIC.

#include <QMouseEvent>
#include <QApplication>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

void click(QWidget* widget, QPoint at)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

void enter(QWidget* widget)
{
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(widget, &event);
}

class ControlProcedures : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
        page = CreateDialogFromTemplate(IDD_VIDEO_PAGE, main, pageLog.Procedure(), 0);
        tag = GetDlgItem(page, 1003);
        MoveWindow(tag, 20, 25, 60, 20);
        SetWindowText(tag, C_WString(u"ゲーム ★"));
        ShowWindow(tag, SW_SHOW);
    }

    MessageLog& pageLog = NewLog();
    WindowHandle main = 0, page = 0, tag = 0;
};

TEST_F(ControlProcedures, HookSeesCursorAndClickAndChainsToThePreviousProcedure)
{
    std::vector<unsigned> seen;
    C_WString clickedText;
    WindowProcedure previous;
    previous = SetWindowProcedure(tag, [&](WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam) -> LResult {
        seen.push_back(message);
        if (message == WM_SETCURSOR) {
            SetCursor(IDC_HAND);
            return 0;
        }
        if (message == WM_LBUTTONDOWN) {
            clickedText = GetWindowText(window, 260);
            EXPECT_EQ(lParam, MakeLParam(5, 6));
            EXPECT_EQ(wParam, MK_LBUTTON);
            return 0;  // kept: not passed on
        }
        return CallWindowProcedure(previous, window, message, wParam, lParam);
    });
    ASSERT_TRUE(previous);
    QWidget* widget = WidgetOf(tag);
    enter(widget);
    EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
    click(widget, QPoint(5, 6));
    EXPECT_EQ(seen, (std::vector<unsigned>{WM_SETCURSOR, WM_LBUTTONDOWN}));
    EXPECT_EQ(clickedText, C_WString(u"ゲーム ★"));
    EXPECT_TRUE(pageLog.Commands().empty()) << "the hook kept the click to itself";

    // A second hook over the first, passing everything on: the default ends the chain and a
    // notifying static reports the click to its dialog.
    WindowProcedure first = SetWindowProcedure(tag, [&](WindowHandle& w, unsigned& m, WParam& wp, LParam& lp) -> LResult {
        if (m == WM_LBUTTONDOWN)
            return DefWindowProcedure(w, m, wp, lp);
        return CallWindowProcedure(first, w, m, wp, lp);
    });
    click(widget, QPoint(5, 6));
    EXPECT_EQ(pageLog.Commands(), std::vector<int>{1003});
    EXPECT_EQ(HighWord(pageLog.Of(WM_COMMAND)[0].wParam), STN_CLICKED);
    EXPECT_EQ(seen.size(), 2u) << "the first hook was bypassed for the click";

    EXPECT_FALSE(SetWindowProcedure(page, nullptr)) << "dialogs have their dialog procedure";
    EXPECT_FALSE(SetWindowProcedure(0x7777777, nullptr));
}

TEST_F(ControlProcedures, DialogColoursItsStaticsOnRequest)
{
    // Blue text on the tag labels only, as the video page answers.
    pageLog.answer = [&](WindowHandle, unsigned message, WParam wParam, LParam lParam) -> LResult {
        if (message != WM_CTLCOLORSTATIC || lParam != tag)
            return 0;
        SetTextColor(wParam, Rgb(0, 0, 255));
        SetBkMode(wParam, TRANSPARENT);
        return GetStockObject(NULL_BRUSH);
    };
    auto* tagWidget = dynamic_cast<detail::StaticWidget*>(WidgetOf(tag));
    EXPECT_EQ(tagWidget->resolveTextColor(), QColor(0, 0, 255));
    EXPECT_EQ(pageLog.Of(WM_CTLCOLORSTATIC).back().lParam, tag);

    const WindowHandle label = GetDlgItem(page, 1020);
    auto* labelWidget = dynamic_cast<detail::StaticWidget*>(WidgetOf(label));
    const QColor normal = labelWidget->resolveTextColor();
    EXPECT_NE(normal, QColor(0, 0, 255));
    // A fixed colour applies when the dialog does not answer.
    SetControlTextColor(label, Rgb(200, 0, 0));
    EXPECT_EQ(labelWidget->resolveTextColor(), QColor(200, 0, 0));
    ClearControlTextColor(label);
    EXPECT_EQ(labelWidget->resolveTextColor(), normal);
    EXPECT_EQ(SetTextColor(0, 0), 0xFFFFFFFFu) << "no drawing context";
}

}  // namespace
}  // namespace uitest
