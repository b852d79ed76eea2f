// The comment information dialog's list: a deleted row refuses its tick, the columns sort as
// text both ways; and a broken NG rule is named in the status bar.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/viewer/app/app_harness.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/window.h"

namespace apptest {
namespace {

namespace ui = qarvo::ui;

using CommentInfoDialog = AppTest;

TEST_F(CommentInfoDialog, DeletedRowsStayUntickedAndColumnsSortBothWays)
{
    std::filesystem::create_directories("list");
    std::ofstream("list/ng.txt") << "word:ok\nregex:(broken\n";
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        EXPECT_TRUE(WaitUntil([&] { return StatusText().StartsWith(u"NG 設定の 1 行を使えません: 2 行目"); }))
            << Utf8(StatusText());
        PressFetch("sm9");
        const auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page);
        const WindowHandle label = page->controls.commentLabels[0];
        ASSERT_TRUE(WaitUntil([&] { return ui::IsWindowVisible(label); }));
        ui::SendMessage(label, ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, 0);
        const WindowHandle dialog = app.CommentInfoDialog();
        ASSERT_NE(dialog, 0);
        const WindowHandle list = ui::GetDlgItem(dialog, 1054);
        ASSERT_GE(ui::ListView_GetItemCount(list), 1);
        EXPECT_TRUE(ui::ListView_GetCheckState(list, 0) || ui::ListView_GetItemCount(list) > 1);

        ui::ListView_InsertItem(list, 99, C_WString(u"100"), 99);
        ui::ListView_SetItemText(list, ui::ListView_GetItemCount(list) - 1, 1, C_WString(u"削除"));
        const int deleted = ui::ListView_GetItemCount(list) - 1;
        ui::ListView_SetCheckState(list, deleted, true);
        EXPECT_FALSE(ui::ListView_GetCheckState(list, deleted));

        ui::ListView_InsertItem(list, 99, C_WString(u"99"), 100);
        auto clickColumn = [&] {
            ui::ListViewNotify n;
            n.hdr = {list, 1054, ui::LVN_COLUMNCLICK};
            n.iSubItem = 0;
            ui::SendMessage(dialog, ui::WM_NOTIFY, 1054, reinterpret_cast<ui::LParam>(&n));
        };
        auto column = [&] {
            std::vector<C_WString> cells;
            for (int i = 0; i < ui::ListView_GetItemCount(list); ++i)
                cells.push_back(ui::ListView_GetItemText(list, i, 0));
            return cells;
        };
        clickColumn();  // ascending as text: "100" before "99"
        std::vector<C_WString> up = column();
        EXPECT_TRUE(std::is_sorted(up.begin(), up.end()));
        clickColumn();
        std::vector<C_WString> down = column();
        std::reverse(up.begin(), up.end());
        EXPECT_EQ(down, up);
    });
}

}  // namespace
}  // namespace apptest
