// The monitor window: splitting, the line cursor, output before the window exists, copying,
// and the close box.

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/debug_lines.h"
#include "viewer/ui/debug_wnd.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

using MonitorWindow = UiTest;

TEST(DebugLines, SplittingAndTheCursorRule)
{
    DebugLines split;
    // A CR LF after the first character and a LF after the third: three lines.
    EXPECT_EQ(split.Append(C_WString(u"a\r\nbc\nd"), true), 3);
    EXPECT_EQ(split.Line(1), C_WString(u"bc"));
    EXPECT_EQ(split.Append(C_WString(u"x\n\ny"), true), 6);  // an empty piece is a line too
    EXPECT_EQ(split.Line(4), C_WString());
    EXPECT_EQ(split.Append(C_WString(u"p\nq"), false), 7);

    DebugLines lines;
    for (int i = 0; i < 10000; ++i)
        lines.Append(C_WString::Stringf(u"%d", i), false);
    // Painting in order costs one step a line.
    EXPECT_EQ(lines.Line(5000), C_WString(u"5000"));
    EXPECT_EQ(lines.LastSteps(), 5000);  // from the head: neither near nor in the last 500
    lines.Line(5001);
    EXPECT_EQ(lines.LastSteps(), 1);
    lines.Line(5400);
    EXPECT_EQ(lines.LastSteps(), 399);  // from the cursor, less than 500 away
    EXPECT_EQ(lines.Line(9990), C_WString(u"9990"));
    EXPECT_EQ(lines.LastSteps(), 9);  // from the tail
    lines.Line(3);
    EXPECT_EQ(lines.LastSteps(), 3);  // from the head
    EXPECT_EQ(lines.Line(10000), C_WString());
}

TEST_F(MonitorWindow, OutputOnlyWhileItExistsCopyAndClose)
{
    C_DebugWnd monitor;
    monitor.D_Out(C_WString(u"too early"));
    EXPECT_EQ(monitor.D_GetCount(), 0);
    monitor.D_SetNewLine(true);
    ASSERT_EQ(monitor.D_Create(C_WString(u"watch"), 400, 120, 0, 0, C_WString(u"監視ウィンドウ"), true), 1);
    EXPECT_EQ(WidgetOf(monitor.GetHWnd())->windowTitle().toStdString(), "監視ウィンドウ");
    monitor.D_Out(C_WString(u"one\r\ntwo"));
    monitor.D_OutfA("ary_url %d", 30);
    EXPECT_EQ(monitor.D_GetCount(), 3);
    ASSERT_TRUE(monitor.D_CopyToClipboard());
    EXPECT_EQ(desktop.ClipboardText(), C_WString(u"one\r\ntwo\r\nary_url 30\r\n"));
    monitor.D_SelectLine(1);
    monitor.D_Command(kDebugMenuCopyLine);
    EXPECT_EQ(desktop.ClipboardText(), C_WString(u"two\r\n"));
    monitor.D_Command(kDebugMenuClear);
    EXPECT_EQ(monitor.D_GetCount(), 0);

    // The close box destroys the window; output is then dropped.
    WidgetOf(monitor.GetHWnd())->close();
    ASSERT_TRUE(PumpUntil([&] { return !monitor.D_Exists(); }));
    monitor.D_Out(C_WString(u"late"));
    EXPECT_EQ(monitor.D_GetCount(), 0);
}

}  // namespace
}  // namespace uitest
