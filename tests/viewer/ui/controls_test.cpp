// The common controls: combo box, tab strip, list view, status bar, progress bar, pictures.

#include <QBuffer>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTabBar>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/font.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/qt/list_view_widget.h"
#include "viewer/ui/qt/tab_strip_widget.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

using Controls = UiTest;

TEST_F(Controls, SortedComboBoxWithEditField)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, log.Procedure(), 0);
    const WindowHandle combo = GetDlgItem(main, 1001);
    SetWindowText(combo, C_WString(u"http://www.nicovideo.jp/watch/"));
    EXPECT_EQ(ComboBox_AddString(combo, C_WString(u"sm9 title nine")), 0);
    EXPECT_EQ(ComboBox_AddString(combo, C_WString(u"SM10 ten")), 0) << "case-insensitive order";
    EXPECT_EQ(ComboBox_AddString(combo, C_WString(u"nm5 five")), 0);
    EXPECT_EQ(ComboBox_AddString(combo, C_WString(u"sm9 title nine")), 3) << "after its equal";
    EXPECT_EQ(ComboBox_GetCount(combo), 4);
    EXPECT_EQ(ComboBox_GetLBText(combo, 1), C_WString(u"SM10 ten"));
    EXPECT_EQ(ComboBox_GetLBText(combo, 1, 3), C_WString(u"SM1"));
    EXPECT_EQ(ComboBox_GetLBText(combo, 9), C_WString());
    EXPECT_EQ(GetWindowText(combo), C_WString(u"http://www.nicovideo.jp/watch/")) << "adding keeps the field";
    EXPECT_EQ(ComboBox_GetCurSel(combo), CB_ERR);

    EXPECT_EQ(ComboBox_FindString(combo, -1, C_WString(u"sm")), 1);
    EXPECT_EQ(ComboBox_FindString(combo, 1, C_WString(u"sm")), 2);
    EXPECT_EQ(ComboBox_FindString(combo, 3, C_WString(u"SM")), 1) << "wraps round";
    EXPECT_EQ(ComboBox_FindStringExact(combo, -1, C_WString(u"sm9")), CB_ERR);
    EXPECT_EQ(ComboBox_FindStringExact(combo, -1, C_WString(u"NM5 FIVE")), 0);

    EXPECT_EQ(ComboBox_SetCurSel(combo, 2), 2);
    EXPECT_EQ(ComboBox_GetCurSel(combo), 2);
    EXPECT_EQ(GetWindowText(combo), C_WString(u"sm9 title nine"));
    // Typing over the chosen entry: the field no longer shows an item.
    auto* box = qobject_cast<QComboBox*>(WidgetOf(combo));
    box->lineEdit()->setText(QStringLiteral("sm123"));
    EXPECT_EQ(ComboBox_GetCurSel(combo), CB_ERR);
    EXPECT_EQ(GetWindowText(combo, 3), C_WString(u"sm1"));
    EXPECT_TRUE(log.Commands().empty()) << "changes by program send no notification";

    // The user's choice sends CBN_SELCHANGE.
    box->activated(1);
    ASSERT_EQ(log.Commands(), std::vector<int>{1001});
    EXPECT_EQ(HighWord(log.Of(WM_COMMAND)[0].wParam), CBN_SELCHANGE);

    EXPECT_EQ(ComboBox_SetCurSel(combo, -1), CB_ERR);
    EXPECT_EQ(GetWindowText(combo), C_WString());
    ComboBox_ResetContent(combo);
    EXPECT_EQ(ComboBox_GetCount(combo), 0);
    EXPECT_EQ(ComboBox_InsertString(combo, 5, C_WString(u"x")), CB_ERR);
    EXPECT_EQ(ComboBox_InsertString(combo, -1, C_WString(u"x")), 0);
}

TEST_F(Controls, DropDownListStartsWithoutSelection)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle page = CreateDialogFromTemplate(IDD_VIDEO_PAGE, main, nullptr, 0);
    const WindowHandle domain = GetDlgItem(page, 1019);
    for (const char16_t* text : {u"日本(jp)", u"台湾(tw)", u"ドイツ(de)", u"スペイン(es)", u"＜SELECTE＞"})
        ComboBox_AddString(domain, C_WString(text));
    EXPECT_EQ(ComboBox_GetCurSel(domain), CB_ERR);
    EXPECT_EQ(ComboBox_GetLBText(domain, 4), C_WString(u"＜SELECTE＞")) << "an unsorted list keeps its order";
    ComboBox_SetCurSel(domain, 0);
    EXPECT_EQ(ComboBox_GetCurSel(domain), 0);
    EXPECT_EQ(GetWindowText(domain), C_WString(u"日本(jp)"));
}

TEST_F(Controls, TabStripNotifiesOnlyTheUsersSelection)
{
    MessageLog& log = NewLog();
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, log.Procedure(), 0);
    const WindowHandle placeholder = GetDlgItem(main, 1060);
    const WindowHandle tab = CreateTabStrip(placeholder, 13002);
    ASSERT_NE(tab, 0);
    EXPECT_EQ(GetDlgItem(main, 13002), tab);
    EXPECT_EQ(GetParent(tab), placeholder);
    EXPECT_EQ(CreateTabStrip(main, 1), 0) << "a tab strip lives in a control";
    EXPECT_EQ(TabCtrl_InsertItem(tab, 0, C_WString(u"最近見た動画")), 0);
    EXPECT_EQ(TabCtrl_InsertItem(tab, 1, C_WString(u"sm9")), 1);
    EXPECT_EQ(TabCtrl_InsertItem(tab, 7, C_WString(u"sm10")), 2) << "beyond the end appends";
    EXPECT_EQ(TabCtrl_GetItemCount(tab), 3);
    EXPECT_EQ(TabCtrl_GetItemText(tab, 1), C_WString(u"sm9"));
    EXPECT_EQ(TabCtrl_GetItemText(tab, 0, 2), C_WString(u"最近"));
    EXPECT_EQ(TabCtrl_SetCurSel(tab, 2), 0);
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 2);
    EXPECT_TRUE(TabCtrl_DeleteItem(tab, 1));
    EXPECT_EQ(TabCtrl_GetItemText(tab, 1), C_WString(u"sm10"));
    EXPECT_TRUE(log.Of(WM_NOTIFY).empty()) << "inserts, selections and removals by program are silent";

    auto* strip = dynamic_cast<detail::TabStripWidget*>(WidgetOf(tab));
    strip->bar()->setCurrentIndex(0);  // what a click does
    const auto notes = log.Of(WM_NOTIFY);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].wParam, 13002u);
    EXPECT_EQ(TabCtrl_GetCurSel(tab), 0);

    // The display area: inside the frame, below the tabs; and back again.
    Rect area;
    GetClientRect(placeholder, &area);
    const Rect outer = area;
    ASSERT_TRUE(TabCtrl_AdjustRect(tab, false, &area));
    EXPECT_GT(area.top, outer.top + 10);
    EXPECT_GT(area.left, outer.left);
    EXPECT_LT(area.right, outer.right);
    EXPECT_LT(area.bottom, outer.bottom);
    TabCtrl_AdjustRect(tab, true, &area);
    EXPECT_EQ(area, outer);
}

TEST_F(Controls, TabSelectionNotificationCarriesTheStripAndCode)
{
    int code = 0;
    WindowHandle from = 0;
    const WindowHandle main = CreateDialogFromTemplate(
        IDD_MAIN, 0,
        [&](WindowHandle&, unsigned& message, WParam&, LParam& lParam) -> LResult {
            if (message == WM_NOTIFY) {
                code = NotifyOf(lParam)->code;
                from = NotifyOf(lParam)->hwndFrom;
            }
            return 0;
        },
        0);
    const WindowHandle tab = CreateTabStrip(GetDlgItem(main, 1060), 13002);
    TabCtrl_InsertItem(tab, 0, C_WString(u"a"));
    TabCtrl_InsertItem(tab, 1, C_WString(u"b"));
    dynamic_cast<detail::TabStripWidget*>(WidgetOf(tab))->bar()->setCurrentIndex(1);
    EXPECT_EQ(code, TCN_SELCHANGE);
    EXPECT_EQ(from, tab);
}

// The user comment list of the comment information dialog.
class ListViewTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        dialog = CreateDialogFromTemplate(
            IDD_COMMENT_INFO, 0,
            [this](WindowHandle&, unsigned& message, WParam&, LParam& lParam) -> LResult {
                if (message != WM_NOTIFY)
                    return 0;
                const auto* n = reinterpret_cast<const ListViewNotify*>(lParam);
                notes.push_back(*n);
                if (onNotify)
                    onNotify(*n);
                return 0;
            },
            0);
        list = GetDlgItem(dialog, 1054);
        ListView_SetExtendedListViewStyle(list, ListView_GetExtendedListViewStyle(list) | 0x65);
        ListView_InsertColumn(list, 0, C_WString(u"コメ番号"), LVCFMT_LEFT, 80);
        ListView_InsertColumn(list, 1, C_WString(u"状態"), LVCFMT_CENTER, 50);
        const char16_t* numbers[] = {u"7", u"100", u"99", u"12"};
        const char16_t* states[] = {u"-", u"削除", u"-", u"-"};
        for (int i = 0; i < 4; ++i) {
            ListView_InsertItem(list, i, C_WString(numbers[i]), i);
            ListView_SetItemText(list, i, 1, C_WString(states[i]));
        }
    }

    std::vector<C_WString> column0()
    {
        std::vector<C_WString> out;
        for (int i = 0; i < ListView_GetItemCount(list); ++i)
            out.push_back(ListView_GetItemText(list, i, 0));
        return out;
    }

    WindowHandle dialog = 0;
    WindowHandle list = 0;
    std::vector<ListViewNotify> notes;
    std::function<void(const ListViewNotify&)> onNotify;
};

TEST_F(ListViewTest, StylesColumnsAndRows)
{
    EXPECT_EQ(ListView_GetExtendedListViewStyle(list), 0x65u);
    auto* table = dynamic_cast<detail::ListViewWidget*>(WidgetOf(list));
    EXPECT_TRUE(table->showGrid());
    EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(table->columnWidth(0), 80);
    EXPECT_EQ(table->item(0, 1)->textAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(ListView_GetItemCount(list), 4);
    EXPECT_EQ(ListView_GetItemText(list, 1, 1), C_WString(u"削除"));
    EXPECT_EQ(ListView_GetItemText(list, 1, 5), C_WString());
    EXPECT_FALSE(ListView_SetItemText(list, 9, 0, C_WString(u"x")));
    EXPECT_EQ(ListView_GetItemParam(list, 2), 2);
    EXPECT_EQ(ListView_FindItemByParam(list, -1, 3), 3);
    EXPECT_EQ(ListView_FindItemByParam(list, 3, 3), -1);
    EXPECT_EQ(ListView_InsertItem(list, 50, C_WString(u"end"), 9), 4);
    EXPECT_TRUE(notes.empty()) << "inserting rows reports no check change";
    EXPECT_TRUE(ListView_DeleteItem(list, 4));
    EXPECT_EQ(ListView_GetItemState(list, 0, LVIS_STATEIMAGEMASK), IndexToStateImageMask(1));
}

TEST_F(ListViewTest, CheckChangesAreReportedAndCanBeUndoneByTheHandler)
{
    // Deleted rows may not stay ticked: the handler unticks them, also when ticked by program.
    onNotify = [this](const ListViewNotify& n) {
        if (n.hdr.code != LVN_ITEMCHANGED)
            return;
        if (StateImageMaskToIndex(ListView_GetItemState(list, n.iItem, LVIS_STATEIMAGEMASK)) != 1 &&
            !ListView_GetItemText(list, n.iItem, 1, 260).StartsWith(u"-"))
            ListView_SetCheckState(list, n.iItem, false);
    };
    EXPECT_TRUE(ListView_SetCheckState(list, 0, true));
    EXPECT_TRUE(ListView_GetCheckState(list, 0));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].hdr.code, LVN_ITEMCHANGED);
    EXPECT_EQ(notes[0].hdr.hwndFrom, list);
    EXPECT_EQ(notes[0].hdr.idFrom, 1054u);
    EXPECT_EQ(notes[0].iItem, 0);
    EXPECT_EQ(notes[0].uChanged, LVIF_STATE);
    EXPECT_EQ(notes[0].uOldState, IndexToStateImageMask(1));
    EXPECT_EQ(notes[0].uNewState, IndexToStateImageMask(2));

    notes.clear();
    ListView_SetCheckState(list, 1, true);  // the deleted row
    EXPECT_FALSE(ListView_GetCheckState(list, 1));
    ASSERT_EQ(notes.size(), 2u) << "ticked, then unticked by the handler";
    EXPECT_EQ(notes[1].uNewState, IndexToStateImageMask(1));

    // A click on the box does the same.
    notes.clear();
    auto* table = dynamic_cast<detail::ListViewWidget*>(WidgetOf(list));
    table->item(1, 0)->setCheckState(Qt::Checked);
    EXPECT_FALSE(ListView_GetCheckState(list, 1));
    EXPECT_EQ(notes.size(), 2u);

    // Changing a text is not a check change.
    notes.clear();
    ListView_SetItemText(list, 0, 0, C_WString(u"8"));
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(ListView_SetItemState(list, 2, IndexToStateImageMask(2), LVIS_STATEIMAGEMASK));
    EXPECT_TRUE(ListView_GetCheckState(list, 2));
}

TEST_F(ListViewTest, SortUsesItemDataAndMayReadTheListWhileComparing)
{
    // Compares column texts found through the item data, as the comment dialog does.
    auto byText = [this](LParam a, LParam b, LParam descending) {
        const C_WString ta = ListView_GetItemText(list, ListView_FindItemByParam(list, -1, a), 0, 59);
        const C_WString tb = ListView_GetItemText(list, ListView_FindItemByParam(list, -1, b), 0, 59);
        const int c = ta.CompareTo(tb);
        return descending ? -c : c;
    };
    ListView_SetCheckState(list, 2, true);
    notes.clear();
    ASSERT_TRUE(ListView_SortItems(list, byText, 0));
    EXPECT_EQ(column0(), (std::vector<C_WString>{C_WString(u"100"), C_WString(u"12"), C_WString(u"7"), C_WString(u"99")}));
    ASSERT_TRUE(ListView_SortItems(list, byText, 1));
    EXPECT_EQ(column0(), (std::vector<C_WString>{C_WString(u"99"), C_WString(u"7"), C_WString(u"12"), C_WString(u"100")}));
    // Cells, item data and checks move with their rows, silently.
    EXPECT_EQ(ListView_GetItemText(list, 3, 1), C_WString(u"削除"));
    EXPECT_EQ(ListView_GetItemParam(list, 0), 2);
    EXPECT_TRUE(ListView_GetCheckState(list, 0));
    EXPECT_FALSE(ListView_GetCheckState(list, 1));
    EXPECT_TRUE(notes.empty());
    // An inconsistent comparison leaves a permutation, never a broken list.
    int flip = 0;
    ASSERT_TRUE(ListView_SortItems(list, [&](LParam, LParam, LParam) { return (flip++ % 3) - 1; }, 0));
    std::vector<C_WString> after = column0();
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, (std::vector<C_WString>{C_WString(u"100"), C_WString(u"12"), C_WString(u"7"), C_WString(u"99")}));
}

TEST_F(ListViewTest, HeaderClicksAndRowClicksAreNotified)
{
    auto* table = dynamic_cast<detail::ListViewWidget*>(WidgetOf(list));
    table->horizontalHeader()->sectionClicked(1);
    table->cellClicked(2, 0);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].hdr.code, LVN_COLUMNCLICK);
    EXPECT_EQ(notes[0].iSubItem, 1);
    EXPECT_EQ(notes[1].hdr.code, LVN_ITEMACTIVATE) << "one click activates";
    EXPECT_EQ(notes[1].iItem, 2);
    EXPECT_EQ(notes[1].lParam, 2);
    ListView_DeleteAllItems(list);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

TEST_F(Controls, StatusBarFollowsTheBottomEdge)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle status = CreateStatusBar(main, 13001);
    ASSERT_NE(status, 0);
    EXPECT_EQ(GetDlgItem(main, 13001), status);
    SetWindowText(status, C_WString(u"コメントを取得中です。"));
    EXPECT_EQ(GetWindowText(status), C_WString(u"コメントを取得中です。"));
    Rect client;
    GetClientRect(main, &client);
    QWidget* bar = WidgetOf(status);
    EXPECT_EQ(bar->geometry().bottom() + 1, client.bottom);
    EXPECT_EQ(bar->width(), client.Width());
    EXPECT_EQ(CreateStatusBar(GetDlgItem(main, 1), 1), 0) << "only dialogs get a status bar";
    // A bigger font makes a taller bar, still on the bottom edge.
    const int before = bar->height();
    SetWindowFont(status, C_WFont(C_WString(u"Noto Sans CJK JP"), 30));
    EXPECT_GT(bar->height(), before);
    EXPECT_EQ(bar->geometry().bottom() + 1, client.bottom);
}

TEST_F(Controls, EditsKeepLineBreaksAsCrLfAndReadNumbersStrictly)
{
    const WindowHandle info = CreateDialogFromTemplate(IDD_COMMENT_INFO, 0, nullptr, 0);
    SetDlgItemText(info, 1047, C_WString(u"[2024/01/01 10:00:00] 00:12\r\nline one\nline two"));
    auto* edit = qobject_cast<QPlainTextEdit*>(WidgetOf(GetDlgItem(info, 1047)));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->document()->blockCount(), 3);
    EXPECT_EQ(GetDlgItemText(info, 1047), C_WString(u"[2024/01/01 10:00:00] 00:12\r\nline one\r\nline two"));

    const WindowHandle settings = CreateDialogFromTemplate(IDD_SETTINGS, 0, nullptr, 0);
    bool ok = false;
    SetDlgItemInt(settings, 1078, 86400, false);
    EXPECT_EQ(GetDlgItemInt(settings, 1078, &ok, false), 86400u);
    EXPECT_TRUE(ok);
    // The classic reading: blanks around digits are fine, anything else is no number at all.
    const std::pair<const char16_t*, unsigned> cases[] = {
        {u" 7 ", 7}, {u"", 0}, {u"12a", 0}, {u"-3", 0}, {u"4294967295", 4294967295u}, {u"4294967296", 0}};
    for (const auto& [text, value] : cases) {
        SetDlgItemText(settings, 1081, C_WString(text));
        EXPECT_EQ(GetDlgItemInt(settings, 1081, &ok, false), value) << C_WString(text).ToString().c_str();
        EXPECT_EQ(ok, value != 0 || C_WString(text).Trim() == C_WString(u"0"));
    }
    SetDlgItemText(settings, 1081, C_WString(u"-3"));
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(settings, 1081, &ok, true)), -3);
    EXPECT_TRUE(ok);
}

TEST_F(Controls, ProgressBarRangePositionAndStep)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle page = CreateDialogFromTemplate(IDD_VIDEO_PAGE, main, nullptr, 0);
    const WindowHandle gauge = GetDlgItem(page, 1076);
    EXPECT_EQ(Progress_GetPos(gauge), 0);
    EXPECT_EQ(SendMessage(gauge, PBM_SETPOS, 150, 0), 0);
    EXPECT_EQ(Progress_GetPos(gauge), 100) << "clamped to the range";
    SendMessage(gauge, PBM_SETRANGE, 0, MakeLParam(10, 40));
    EXPECT_EQ(Progress_GetPos(gauge), 40);
    Progress_SetPos(gauge, 5);
    EXPECT_EQ(Progress_GetPos(gauge), 10);
    EXPECT_EQ(SendMessage(gauge, PBM_SETSTEP, 25, 0), 10) << "step 10 at creation";
    Progress_StepIt(gauge);
    EXPECT_EQ(Progress_GetPos(gauge), 35);
    Progress_StepIt(gauge);  // 60 is past 40: wraps round
    EXPECT_EQ(Progress_GetPos(gauge), 30);
    EXPECT_EQ(SendMessage(page, PBM_GETPOS, 0, 0), 0) << "a dialog is not a progress bar";
}

TEST_F(Controls, PicturesTakeDecodedBitmaps)
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));

    C_Bitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromMemory(png.constData(), static_cast<size_t>(png.size())));
    EXPECT_EQ(bitmap.GetWidth(), 20);
    EXPECT_EQ(bitmap.GetHeight(), 10);
    C_Bitmap broken;
    EXPECT_FALSE(broken.LoadFromMemory("GIF89a garbage", 14));
    EXPECT_TRUE(broken.IsNull());
    EXPECT_FALSE(broken.LoadFromMemory(nullptr, 0));

    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    const WindowHandle slot = GetDlgItem(main, 1042);
    EXPECT_FALSE(Static_HasBitmap(slot));
    Static_SetBitmap(slot, bitmap);
    bitmap.Clear();  // the control keeps its own
    EXPECT_TRUE(Static_HasBitmap(slot));
    Static_SetBitmap(slot, C_Bitmap());
    EXPECT_FALSE(Static_HasBitmap(slot));
}

}  // namespace
}  // namespace uitest
