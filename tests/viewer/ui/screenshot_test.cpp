// A window's picture is saved as a PNG, also headless.

#include <QImage>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/screenshot.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

using Screenshot = UiTest;

TEST_F(Screenshot, MainWindowWithATabPageIsSavedAsPng)
{
    TempDir dir;
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle tab = CreateTabStrip(GetDlgItem(main, 1060), 13002);
    TabCtrl_InsertItem(tab, 0, C_WString(u"最近見た動画"));
    const WindowHandle page = CreateDialogFromTemplate(IDD_HISTORY_PAGE, tab, nullptr, 0);
    Rect area;
    GetClientRect(GetDlgItem(main, 1060), &area);
    TabCtrl_AdjustRect(tab, false, &area);
    MoveWindow(page, area.left, area.top, area.Width(), area.Height());
    ShowWindow(page, SW_SHOW);
    SetDlgItemText(page, 1061, C_WString(u"2024年01月01日 投稿"));
    CreateStatusBar(main, 13001);
    ShowWindow(main, SW_SHOW);
    Pump();

    const std::string path = (dir.path() / "main.png").string();
    ASSERT_TRUE(SaveWindowImage(main, C_WString(path.c_str())));
    QImage saved;
    ASSERT_TRUE(saved.load(QString::fromStdString(path), "PNG"));
    EXPECT_EQ(saved.width(), 750);
    EXPECT_GE(saved.height(), 452) << "client area plus the menu bar";

    EXPECT_FALSE(SaveWindowImage(0x7777777, C_WString(path.c_str())));
    EXPECT_FALSE(SaveWindowImage(main, C_WString((dir.path() / "no/such/dir/x.png").string().c_str())));
}

}  // namespace
}  // namespace uitest
