// Other threads never touch widgets: their changes are queued to the GUI thread in order,
// their questions wait for its answer, and nothing waits for a GUI thread that cannot answer.

#include <QThread>
#include <atomic>
#include <thread>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

using GuiThread = UiTest;

TEST_F(GuiThread, PostedMessagesArriveLaterInOrderOnTheGuiThread)
{
    std::vector<LParam> seen;
    bool allOnGuiThread = true;
    auto proc = [&](WindowHandle&, unsigned& message, WParam&, LParam& lParam) -> LResult {
        if (message == WM_USER + 5) {
            seen.push_back(lParam);
            allOnGuiThread = allOnGuiThread && IsGuiThread();
        }
        return 0;
    };
    const WindowHandle dialog = CreateDialogFromTemplate(IDD_COMMENT_INFO, 0, proc, 0);
    ASSERT_TRUE(PostMessage(dialog, WM_USER + 5, 0, 1));
    ASSERT_TRUE(PostMessage(dialog, WM_USER + 5, 0, 2));
    EXPECT_TRUE(seen.empty()) << "posting never runs the procedure at once";
    std::thread worker([&] {
        for (LParam i = 3; i <= 200; ++i)
            PostMessage(dialog, WM_USER + 5, 0, i);
    });
    worker.join();
    PostMessage(dialog, WM_USER + 5, 0, 201);
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 201; }));
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i], static_cast<LParam>(i + 1));
    EXPECT_TRUE(allOnGuiThread);
    EXPECT_FALSE(PostMessage(0x7777777, WM_USER, 0, 0)) << "unknown window";
}

TEST_F(GuiThread, ChangesFromAnotherThreadAreAppliedOnTheGuiThreadInOrder)
{
    const WindowHandle dialog = CreateDialogFromTemplate(IDD_COMMENT_INFO, 0, nullptr, 0);
    const WindowHandle edit = GetDlgItem(dialog, 1048);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            SetWindowText(edit, C_WString::Stringf(u"value %d", i));
        SetDlgItemText(dialog, 1049, C_WString(u"last"));
        done = true;
    });
    // The worker does not wait for the GUI thread: it finishes before anything is applied.
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(GetWindowText(edit), C_WString()) << "nothing applied before the GUI thread runs its queue";
    ASSERT_TRUE(PumpUntil([&] { return GetDlgItemText(dialog, 1049) == C_WString(u"last"); }));
    EXPECT_EQ(GetWindowText(edit), C_WString(u"value 49"));
}

TEST_F(GuiThread, QuestionsFromAnotherThreadWaitForTheGuiThreadsAnswer)
{
    const WindowHandle dialog = CreateDialogFromTemplate(
        IDD_COMMENT_INFO, 0,
        [](WindowHandle&, unsigned& message, WParam& wParam, LParam&) -> LResult {
            if (message == WM_USER + 9)
                return IsGuiThread() ? static_cast<LResult>(wParam * 2) : -1;
            return 0;
        },
        0);
    SetDlgItemText(dialog, 1048, C_WString(u"ユーザー"));
    std::atomic<bool> finished{false};
    C_WString read;
    LResult answer = 0;
    WindowHandle item = 0;
    std::thread worker([&] {
        read = GetDlgItemText(dialog, 1048);
        answer = SendMessage(dialog, WM_USER + 9, 21, 0);
        item = GetDlgItem(dialog, 1054);
        SetWindowText(GetDlgItem(dialog, 1049), C_WString(u"after"));
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(read, C_WString(u"ユーザー"));
    EXPECT_EQ(answer, 42) << "the procedure ran on the GUI thread";
    EXPECT_EQ(item, GetDlgItem(dialog, 1054));
    ASSERT_TRUE(PumpUntil([&] { return GetDlgItemText(dialog, 1049) == C_WString(u"after"); }));
}

TEST_F(GuiThread, WaitingCallsGiveUpWhileTheGuiThreadWaitsForOthers)
{
    const WindowHandle dialog = CreateDialogFromTemplate(IDD_COMMENT_INFO, 0, nullptr, 0);
    SetDlgItemText(dialog, 1048, C_WString(u"x"));
    C_WString read = C_WString(u"unchanged");
    LResult sent = 99;
    {
        // The GUI thread joins a worker that asks it something: it must not hang.
        GuiWaitScope waiting;
        std::thread worker([&] {
            read = GetDlgItemText(dialog, 1048);
            sent = SendMessage(dialog, WM_USER, 0, 0);
            SetDlgItemText(dialog, 1049, C_WString(u"queued"));
        });
        worker.join();
    }
    EXPECT_EQ(read, C_WString());
    EXPECT_EQ(sent, 0);
    // Changes made meanwhile are still applied, later.
    ASSERT_TRUE(PumpUntil([&] { return GetDlgItemText(dialog, 1049) == C_WString(u"queued"); }));
}

TEST_F(GuiThread, ProgressBarsAndLabelsCanBeDrivenFromAWorker)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle page = CreateDialogFromTemplate(IDD_VIDEO_PAGE, main, nullptr, 0);
    const WindowHandle gauge = GetDlgItem(page, 1075);
    const WindowHandle label = GetDlgItem(page, 1020);
    std::thread worker([&] {
        PostMessage(gauge, PBM_SETRANGE, 0, 0x640000);
        PostMessage(gauge, PBM_SETSTEP, 0, 0);
        PostMessage(gauge, PBM_SETPOS, 0, 0);
        for (int pos = 3; pos <= 30; pos += 3)
            Progress_SetPos(gauge, pos);
        MoveWindow(label, 840, 80, 60, 20);
        SetWindowText(label, C_WString(u"flowing  0"));
        ShowWindow(label, SW_SHOW);
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return Progress_GetPos(gauge) == 30; }));
    EXPECT_EQ(SendMessage(gauge, PBM_GETPOS, 0, 0), 30);
    EXPECT_EQ(WidgetOf(label)->geometry(), QRect(840, 80, 60, 20));
    EXPECT_EQ(GetWindowText(label), C_WString(u"flowing  0"));
    EXPECT_FALSE(WidgetOf(label)->isHidden());
}

}  // namespace
}  // namespace uitest
