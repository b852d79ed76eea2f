// The video page: refetch toggles, tags from the simulated service's video information, the
// flowing comments and their click, and a live page that follows its broadcast.

#include <chrono>
#include <cstdlib>
#include <thread>

#include "qarvo/file/path.h"
#include "tests/viewer/app/app_harness.h"
#include "tools/nicosim/nicosim.h"
#include "viewer/core/app/settings_dialog.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/window.h"
#include "qarvo/net/connect_to.h"

namespace apptest {
namespace {

namespace ui = qarvo::ui;

std::vector<C_WString> visibleTagTexts(const C_App::PageSnapshot& page)
{
    std::vector<C_WString> texts;
    for (WindowHandle label : page.controls.tagLabels)
        if (ui::IsWindowVisible(label))
            texts.push_back(ui::GetWindowText(label));
    return texts;
}

using VideoPage = AppTest;

// The buttons switch a page's timers off and on; a comment timer that fires refetches the
// page, taking up an interval confirmed in the settings dialog meanwhile.
TEST_F(VideoPage, RefetchTimersButtonsAndPendingInterval)
{
    WriteSettings({{"getcomment_space_time", "8"}, {"gettag_space_time", "8"}, {"get_tag", "0"}});
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        ASSERT_TRUE(WaitForComments("sm9", 1000));
        // Switched on by the settings (their keys are missing), armed by the first batch.
        ASSERT_TRUE(WaitUntil([&] { return Page("sm9")->commentTimer.monitor == 1; }));
        const auto page = Page("sm9");
        const auto& c = page->controls;
        EXPECT_EQ(page->tagTimer.monitor, 1);
        EXPECT_EQ(page->commentTimer.interval, 8000);
        EXPECT_EQ(ui::GetWindowText(c.commentButton), C_WString(u"停止"));
        EXPECT_TRUE(WaitUntil([&] { return ui::Progress_GetPos(c.commentGauge) > 0; }));

        Click(page->window, 1051);
        EXPECT_EQ(Page("sm9")->commentTimer.monitor, 0);
        EXPECT_EQ(ui::GetWindowText(c.commentButton), C_WString(u"監視"));
        EXPECT_TRUE(WaitUntil([&] { return ui::Progress_GetPos(c.commentGauge) == 0; }));
        Click(page->window, 1052);
        EXPECT_EQ(Page("sm9")->tagTimer.monitor, 0);
        EXPECT_EQ(ui::GetWindowText(c.tagButton), C_WString(u"監視"));

        // A new interval waits for the page's next refetch.
        ui::PostMessage(Main(), ui::WM_COMMAND, 40006, 0);
        WindowHandle dialog = 0;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = pelmora::viewer::CurrentSettingsDialog()) != 0; }));
        ui::SetDlgItemText(dialog, 1078, C_WString(u"9"));
        Click(dialog, ui::IDOK);
        ASSERT_TRUE(WaitUntil([] { return pelmora::viewer::CurrentSettingsDialog() == 0; }));
        EXPECT_EQ(Page("sm9")->commentTimer.interval, 8000);

        Click(page->window, 1051);
        EXPECT_EQ(Page("sm9")->commentTimer.monitor, 1);
        EXPECT_EQ(ui::GetWindowText(c.commentButton), C_WString(u"停止"));
        EXPECT_TRUE(WaitUntil([&] { return ui::Progress_GetPos(c.commentGauge) > 0; }));
        EXPECT_EQ(ui::Progress_GetPos(c.tagGauge), 0);

        const auto refetched = WaitForComments("sm9", 1002);
        ASSERT_TRUE(refetched);
        EXPECT_EQ(refetched->commentTimer.interval, 9000);
        EXPECT_EQ(refetched->renew, 1);
    });
}

TEST_F(VideoPage, TagsFromTheVideoInformation)
{
    nicosim::Server sim;
    ASSERT_TRUE(sim.start()) << sim.lastError();
    setenv("PELMORA_CONNECT_TO", sim.connectTo().c_str(), 1);
    qarvo::net::reloadConnectTo();
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        app.SelectTab(1);  // labels count as visible only on the shown page
        std::optional<C_App::PageSnapshot> page;
        ASSERT_TRUE(WaitUntil([&] {
            page = Page("sm9");
            return page && !visibleTagTexts(*page).empty();
        }));
        page = Page("sm9");  // the tags are stored before their labels are shown
        // Locked tags carry the mark; an ampersand the service escaped twice reads plain.
        EXPECT_EQ(visibleTagTexts(*page),
                  (std::vector<C_WString>{C_WString(u"nicosim ★"), C_WString(u"デモ ★"), C_WString(u"コメント&テスト"),
                                          C_WString(u"VOCALOID"), C_WString(u"R&B ★"), C_WString(u"作業用BGM"),
                                          C_WString(u"<タグ>の中の記号"), C_WString(u"音楽")}));
        // The Korean set has no place among the four domains.
        for (const auto& set : page->tags)
            for (const C_WString& tag : set.texts)
                EXPECT_FALSE(tag == C_WString(u"테스트") || tag == C_WString(u"댓글"));
        EXPECT_EQ(page->tags[3].texts, (std::vector<C_WString>{C_WString(u"comentario"), C_WString(u"prueba & error")}));

        // A click opens the tag page of the name without its mark.
        ui::SendMessage(page->controls.tagLabels[0], ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, 0);
        EXPECT_EQ(m_desktop.OpenedAddresses(), (std::vector<C_WString>{C_WString(u"http://www.nicovideo.jp/tag/nicosim")}));

        auto chooseDomain = [&](int index) {
            ui::ComboBox_SetCurSel(page->controls.domainSelector, index);
            Click(page->window, 1019, ui::CBN_SELCHANGE);
        };
        chooseDomain(3);
        EXPECT_TRUE(WaitUntil([&] {
            return visibleTagTexts(*page) ==
                   std::vector<C_WString>{C_WString(u"comentario"), C_WString(u"prueba & error")};
        }));
        chooseDomain(4);  // "＜SELECTE＞"
        EXPECT_TRUE(WaitUntil([&] { return visibleTagTexts(*page).empty(); }));
        EXPECT_GE(sim.requestCount(nicosim::Step::Thumb), 3);
    });
}

TEST_F(VideoPage, CommentsFlowAndAClickOpensThenRetargetsTheInformationDialog)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        const auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page);
        // The fetch selected the new page's tab, so its comments flow at once.
        EXPECT_EQ(ui::TabCtrl_GetCurSel(app.TabStripWindow()), 1);
        const WindowHandle first = page->controls.commentLabels[0];
        const WindowHandle second = page->controls.commentLabels[1];
        ASSERT_TRUE(WaitUntil([&] { return ui::IsWindowVisible(first); }));
        EXPECT_TRUE(ui::GetWindowText(first).EndsWith(u"  0"));
        ASSERT_TRUE(WaitUntil([&] { return ui::IsWindowVisible(second); }));
        EXPECT_TRUE(ui::GetWindowText(second).EndsWith(u"  1"));
        qarvo::ui::Rect a, b;
        ui::GetWindowRect(first, &a);
        ui::GetWindowRect(second, &b);
        EXPECT_EQ(b.top - a.top, 20);  // the next lane
        EXPECT_LT(a.left, b.left);     // the first one is further on its way

        ui::SendMessage(first, ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, 0);
        const WindowHandle dialog = app.CommentInfoDialog();
        ASSERT_NE(dialog, 0);
        EXPECT_EQ(app.CommentInfoLabel(), first);
        ui::SendMessage(second, ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, 0);
        EXPECT_EQ(app.CommentInfoDialog(), dialog);
        EXPECT_TRUE(WaitUntil([&] { return app.CommentInfoLabel() == second; }));

        // Another address closes the dialog of the old page's comments.
        PressFetch("sm12");
        EXPECT_TRUE(WaitForComments("sm12", 1000));
        EXPECT_TRUE(WaitUntil([&] { return !ui::IsWindow(dialog); }));
    });
}

// A tag refetch that fails keeps the tags the page shows; and while the slow request waits,
// the worker thread's timers go on (the gauge moves every second).
TEST_F(VideoPage, FailedTagRefetchKeepsTheTagsAndTheTimersTheirPace)
{
    nicosim::Server sim;
    ASSERT_TRUE(sim.start()) << sim.lastError();
    setenv("PELMORA_CONNECT_TO", sim.connectTo().c_str(), 1);
    qarvo::net::reloadConnectTo();
    WriteSettings({{"getcomment_space_time", "8"}, {"gettag_space_time", "5"}, {"get_tag", "1"}});
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        std::optional<C_App::PageSnapshot> page;
        ASSERT_TRUE(WaitUntil([&] {
            page = Page("sm9");
            return page && !page->tags[0].texts.empty();
        }));
        const auto tags = page->tags[0].texts;
        const int asked = sim.requestCount(nicosim::Step::Thumb);
        sim.setFaults("thumb.delay4000,thumb.notfound");
        ASSERT_TRUE(WaitUntil([&] { return sim.requestCount(nicosim::Step::Thumb) > asked; }, 15000));
        const int before = ui::Progress_GetPos(page->controls.commentGauge);
        EXPECT_TRUE(WaitUntil([&] { return ui::Progress_GetPos(page->controls.commentGauge) != before; }, 2500))
            << "the comment timer stood still while the tags were asked for";
        // The failed answer has come by now.
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        EXPECT_EQ(Page("sm9")->tags[0].texts, tags);
    });
}

// "//live." addresses run the engine's live loop; the comment timer wakes it and every
// delivery is stored whatever its numbers.
TEST_F(VideoPage, LivePageFollowsNewChatsThroughUpdates)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("lv1");
        auto page = WaitForComments("lv1", 1000);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->address, C_WString(u"http://live.nicovideo.jp/watch/lv1"));
        EXPECT_EQ(page->isLive, 1);
        EXPECT_EQ(page->commentTimer.interval, 1000);
        EXPECT_FALSE(ui::IsWindowEnabled(page->controls.tagButton));
        EXPECT_EQ(ui::GetWindowText(page->controls.tagButton), C_WString(u"無効"));
        // The first status names how many comments came, not the last one's number.
        const size_t received = page->comments.size();
        EXPECT_NE(static_cast<int>(received), page->comments.back()->no);
        const std::string name = Utf8(qarvo::qarvo_GetLastName(page->textFileName));
        EXPECT_TRUE(WaitUntil([&] {
            return StatusText() == Wide(name + " を生成しました。コメントを " + std::to_string(received) + " 件取得");
        })) << Utf8(StatusText());

        page = WaitForComments("lv1", 3000);
        ASSERT_TRUE(page);
        // Every wake-up shows "fetching" first, every delivery this.
        EXPECT_TRUE(WaitUntil([&] { return StatusText() == C_WString(u"生放送のコメントを解析しました。"); }));
        // One engine job all along, woken for each delivery.
        EXPECT_EQ(page->renew, 1);
        // Live broadcasts are not kept in the address history.
        EXPECT_EQ(ReadFile("list/list.txt"), "");
    });
}

}  // namespace
}  // namespace apptest
