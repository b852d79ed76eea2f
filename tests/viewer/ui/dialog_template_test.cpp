// Dialogs built from the templates: every control with its id, class, text and place.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <set>

#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/list_view_widget.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

// What the Qt side of a control must be for its class and style.
bool widgetMatches(QWidget* widget, const ControlTemplate& ct)
{
    switch (ct.cls) {
    case ControlClass::Static:
        return dynamic_cast<detail::StaticWidget*>(widget) != nullptr;
    case ControlClass::Button:
        switch (ct.style & BS_TYPEMASK) {
        case BS_GROUPBOX:
            return qobject_cast<QGroupBox*>(widget) != nullptr;
        case BS_AUTOCHECKBOX:
            return qobject_cast<QCheckBox*>(widget) != nullptr;
        default:
            return qobject_cast<QPushButton*>(widget) != nullptr;
        }
    case ControlClass::Edit:
        return (ct.style & ES_MULTILINE) ? qobject_cast<QPlainTextEdit*>(widget) != nullptr
                                         : qobject_cast<QLineEdit*>(widget) != nullptr;
    case ControlClass::ComboBox:
        return qobject_cast<QComboBox*>(widget) != nullptr;
    case ControlClass::ListView:
        return dynamic_cast<detail::ListViewWidget*>(widget) != nullptr;
    case ControlClass::ProgressBar:
        return qobject_cast<QProgressBar*>(widget) != nullptr;
    default:
        return false;
    }
}

class DialogTemplates : public UiTest, public ::testing::WithParamInterface<int> {};

TEST_P(DialogTemplates, EveryNamedControlExistsWithItsClassTextAndPlace)
{
    const DialogTemplate* tpl = FindDialogTemplate(GetParam());
    ASSERT_NE(tpl, nullptr);
    const WindowHandle parentDialog = (tpl->style & WS_CHILD) ? CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0) : 0;
    const WindowHandle dialog = CreateDialogFromTemplate(tpl->id, parentDialog, nullptr, 0);
    ASSERT_NE(dialog, 0);

    Rect client;
    ASSERT_TRUE(GetClientRect(dialog, &client));
    EXPECT_EQ(client.Width(), DialogUnitsToPixelsX(tpl->cx));
    EXPECT_EQ(client.Height(), DialogUnitsToPixelsY(tpl->cy));

    std::set<int> seen;
    for (const ControlTemplate& ct : tpl->controls) {
        if (ct.id == IDC_STATIC)
            continue;
        SCOPED_TRACE(testing::Message() << "control " << ct.id);
        EXPECT_TRUE(seen.insert(ct.id).second) << "ids are unique within a dialog";
        const WindowHandle control = GetDlgItem(dialog, ct.id);
        ASSERT_NE(control, 0);
        EXPECT_EQ(GetDlgCtrlID(control), ct.id);
        EXPECT_EQ(GetParent(control), dialog);
        EXPECT_TRUE(widgetMatches(WidgetOf(control), ct));
        if ((ct.style & SS_TYPEMASK) != SS_BITMAP && ct.cls != ControlClass::ComboBox && ct.cls != ControlClass::ListView &&
            ct.cls != ControlClass::ProgressBar) {
            EXPECT_EQ(GetWindowText(control), C_WString(ct.text));
        }
        Rect place;
        ASSERT_TRUE(GetWindowRect(control, &place));
        Rect dialogPlace;
        ASSERT_TRUE(GetWindowRect(dialog, &dialogPlace));
        const QWidget* widget = WidgetOf(control);
        EXPECT_EQ(widget->x(), DialogUnitsToPixelsX(ct.x));
        EXPECT_EQ(widget->y(), DialogUnitsToPixelsY(ct.y));
        EXPECT_EQ(widget->width(), DialogUnitsToPixelsX(ct.cx));
        EXPECT_EQ(widget->height(), DialogUnitsToPixelsY(ct.cy));
        EXPECT_EQ(widget->isHidden(), (ct.style & WS_VISIBLE) == 0);
        EXPECT_EQ(widget->isEnabled(), (ct.style & WS_DISABLED) == 0);
    }
    DestroyWindow(dialog);
    EXPECT_FALSE(IsWindow(dialog));
}

INSTANTIATE_TEST_SUITE_P(AllDialogs, DialogTemplates,
                         ::testing::Values(IDD_MAIN, IDD_COMMENT_INFO, IDD_SETTINGS, IDD_HISTORY_PAGE, IDD_VIDEO_PAGE));

using Templates = UiTest;

// The ids and texts that the window code relies on, written out independently of the tables.
TEST_F(Templates, NamedIdsAndTextsOfEachDialog)
{
    struct Expect {
        int dialog;
        int id;
        const char16_t* text;
        ControlClass cls;
    };
    const Expect expected[] = {
        {IDD_MAIN, 1055, u"動画URL", ControlClass::Static},
        {IDD_MAIN, 1001, u"", ControlClass::ComboBox},
        {IDD_MAIN, 1, u"取得", ControlClass::Button},
        {IDD_MAIN, 1077, u"取得(更新)", ControlClass::Button},
        {IDD_MAIN, 1060, u"", ControlClass::Static},
        {IDD_MAIN, 1042, u"", ControlClass::Static},
        {IDD_MAIN, 1048, u"", ControlClass::Static},
        {IDD_COMMENT_INFO, 1047, u"", ControlClass::Edit},
        {IDD_COMMENT_INFO, 1054, u"", ControlClass::ListView},
        {IDD_COMMENT_INFO, 1051, u"報告テンプレート適応", ControlClass::Button},
        {IDD_COMMENT_INFO, 1052, u"通報ページへ飛ぶ", ControlClass::Button},
        {IDD_COMMENT_INFO, 1, u"閉じる", ControlClass::Button},
        {IDD_SETTINGS, 1057, u"起動時にラストURLのコメント取得", ControlClass::Button},
        {IDD_SETTINGS, 1080, u"コメント取得時に URL をリストに保存", ControlClass::Button},
        {IDD_SETTINGS, 1058, u"コメントの保存", ControlClass::Button},
        {IDD_SETTINGS, 1059, u"xmlコメントの保存", ControlClass::Button},
        {IDD_SETTINGS, 1076, u"タグの取得(廃止予定)", ControlClass::Button},
        {IDD_SETTINGS, 1077, u"コメントの自動再取得", ControlClass::Button},
        {IDD_SETTINGS, 1003, u"タグの自動再取得", ControlClass::Button},
        {IDD_SETTINGS, 1078, u"", ControlClass::Edit},
        {IDD_SETTINGS, 1081, u"", ControlClass::Edit},
        {IDD_SETTINGS, 1079, u"", ControlClass::Edit},
        {IDD_SETTINGS, 1091, u"", ControlClass::ComboBox},
        {IDD_SETTINGS, 1092, u"", ControlClass::Edit},
        {IDD_SETTINGS, 1, u"OK", ControlClass::Button},
        {IDD_SETTINGS, 2, u"キャンセル", ControlClass::Button},
        {IDD_HISTORY_PAGE, 1051, u"前へ", ControlClass::Button},
        {IDD_HISTORY_PAGE, 1052, u"次へ", ControlClass::Button},
        {IDD_HISTORY_PAGE, 1063, u"更新", ControlClass::Button},
        {IDD_HISTORY_PAGE, 1075, u"履歴の保存", ControlClass::Button},
        {IDD_HISTORY_PAGE, 1074, u"", ControlClass::ComboBox},
        {IDD_VIDEO_PAGE, 1019, u"", ControlClass::ComboBox},
        {IDD_VIDEO_PAGE, 1051, u"停止", ControlClass::Button},
        {IDD_VIDEO_PAGE, 1052, u"停止", ControlClass::Button},
        {IDD_VIDEO_PAGE, 1075, u"", ControlClass::ProgressBar},
        {IDD_VIDEO_PAGE, 1076, u"", ControlClass::ProgressBar},
    };
    for (const Expect& e : expected) {
        const DialogTemplate* tpl = FindDialogTemplate(e.dialog);
        ASSERT_NE(tpl, nullptr);
        bool found = false;
        for (const ControlTemplate& ct : tpl->controls)
            if (ct.id == e.id) {
                found = true;
                EXPECT_EQ(C_WString(ct.text), C_WString(e.text)) << e.dialog << "/" << e.id;
                EXPECT_EQ(ct.cls, e.cls) << e.dialog << "/" << e.id;
            }
        EXPECT_TRUE(found) << e.dialog << "/" << e.id;
    }
    // Fifteen tag labels and twenty-two comment labels on the video page, hidden at first.
    const DialogTemplate* page = FindDialogTemplate(IDD_VIDEO_PAGE);
    int tags = 0, comments = 0;
    for (const ControlTemplate& ct : page->controls) {
        if (ct.id >= 1003 && ct.id <= 1017)
            ++tags;
        if (ct.id >= 1020 && ct.id <= 1041)
            ++comments;
        if (ct.id >= 1003 && ct.id <= 1041 && ct.id != 1019) {
            EXPECT_EQ(ct.style & WS_VISIBLE, 0u) << ct.id;
        }
    }
    EXPECT_EQ(tags, 15);
    EXPECT_EQ(comments, 22);
    // The settings dialog's interval fields take digits only; the disabled history controls.
    const WindowHandle settings = CreateDialogFromTemplate(IDD_SETTINGS, 0, nullptr, 0);
    auto* interval = qobject_cast<QLineEdit*>(WidgetOf(GetDlgItem(settings, 1078)));
    ASSERT_NE(interval, nullptr);
    interval->setText(QStringLiteral("12"));
    interval->insert(QStringLiteral("x"));
    EXPECT_EQ(interval->text(), QStringLiteral("12"));
    EXPECT_EQ(FindDialogTemplate(999), nullptr);
}

TEST_F(Templates, DialogUnitsUseFixedBaseUnitsOfTheClassicDialogFont)
{
    // 6 x 13 base units: x * 6 / 4 and y * 13 / 8, rounded half away from zero.
    EXPECT_EQ(DialogUnitsToPixelsX(484), 726);
    EXPECT_EQ(DialogUnitsToPixelsY(154), 250);
    EXPECT_EQ(DialogUnitsToPixelsX(500), 750);
    EXPECT_EQ(DialogUnitsToPixelsY(278), 452);
    EXPECT_EQ(DialogUnitsToPixelsX(7), 11);  // 10.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsY(1), 2);   // 1.625
    EXPECT_EQ(DialogUnitsToPixelsY(4), 7);   // 6.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsX(-7), -11);
    const WindowHandle dialog = CreateDialogFromTemplate(IDD_COMMENT_INFO, 0, nullptr, 0);
    Rect r{7, 36, 493, 204};
    ASSERT_TRUE(MapDialogRect(dialog, &r));
    EXPECT_EQ(r, (Rect{11, 59, 740, 332}));
    // The page's comment lanes (80..220 px plus a 20 px label) fit in a 154-unit page.
    EXPECT_GE(DialogUnitsToPixelsY(154), 220 + 20);
}

TEST_F(Templates, MainWindowHasItsCaptionMenuAndHiddenRefreshButton)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    ASSERT_NE(main, 0);
    EXPECT_EQ(GetWindowText(main), C_WString(u"PelmoraVista 0.19"));
    EXPECT_FALSE(IsWindowVisible(main)) << "shown by the application once it is set up";
    EXPECT_FALSE(WidgetOf(GetDlgItem(main, 1077))->isVisibleTo(WidgetOf(main)));

    auto* dialog = dynamic_cast<detail::DialogWidget*>(WidgetOf(main));
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->menuBar(), nullptr);
    QStringList popups;
    for (QAction* action : dialog->menuBar()->actions())
        popups << action->text();
    EXPECT_EQ(popups, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("ツール(&F)"), QStringLiteral("ヘルプ(&H)")}));
    const std::pair<int, const char16_t*> items[] = {{40012, u"ASS で保存(&A)…"},
                                                     {40002, u"終了(&D)"},
                                                     {40010, u"動画URLをブラウザで開く(&O)"},
                                                     {40006, u"環境設定(&S)"},
                                                     {40004, u"ディレクトリを開く(&F)"},
                                                     {40008, u"更新履歴(&H)"}};
    for (const auto& [id, text] : items) {
        QAction* action = dialog->findMenuAction(id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->text(), detail::ToQString(text));
    }
    // The menu sits above the client area, which keeps the template's size.
    Rect client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.Height(), 452);
    EXPECT_EQ(dialog->height(), 452 + dialog->menuHeight());
}

}  // namespace
}  // namespace uitest
