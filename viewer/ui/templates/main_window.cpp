// The main window (101) and its menu (103).

#include "viewer/ui/templates/templates.h"

namespace qarvo::ui::templates {
namespace {

constexpr ControlTemplate kControls[] = {
    {1055, ControlClass::Static, u"動画URL", 7, 17, 32, 10, kChild | SS_LEFTNOWORDWRAP},
    // The list height of the classic template does not matter here: only the field shows.
    {1001, ControlClass::ComboBox, u"", 41, 16, 269, 12, kTab | CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL},
    {1, ControlClass::Button, u"取得", 322, 15, 50, 14, kTab | BS_DEFPUSHBUTTON},
    // Created hidden; nothing shows it.
    {1077, ControlClass::Button, u"取得(更新)", 443, 7, 50, 14, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON},
    {1060, ControlClass::Static, u"", 7, 36, 486, 168, kChild},
    {1042, ControlClass::Static, u"", 7, 209, 64, 48, kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY},
    {1043, ControlClass::Static, u"", 172, 209, 64, 48, kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY},
    {1044, ControlClass::Static, u"", 343, 209, 64, 48, kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY},
    {1046, ControlClass::Static, u"", 73, 210, 74, 48, kChild},
    {1047, ControlClass::Static, u"", 238, 210, 74, 48, kChild},
    {1048, ControlClass::Static, u"", 409, 210, 74, 48, kChild},
};

constexpr MenuItemTemplate kFile[] = {{40012, u"ASS で保存(&A)…"}, {0, nullptr}, {40002, u"終了(&D)"}};
constexpr MenuItemTemplate kTools[] = {{40010, u"動画URLをブラウザで開く(&O)"}, {0, nullptr}, {40006, u"環境設定(&S)"}};
constexpr MenuItemTemplate kHelp[] = {{40004, u"ディレクトリを開く(&F)"}, {0, nullptr}, {40008, u"更新履歴(&H)"},
                                      {0, nullptr}, {40020, u"モニタを表示(&M)"}};
constexpr MenuPopupTemplate kPopups[] = {
    {u"ファイル(&F)", kFile},
    {u"ツール(&F)", kTools},
    {u"ヘルプ(&H)", kHelp},
};

// Ctrl+L goes to the address box (40014, no menu item), Ctrl+Q quits.
constexpr AcceleratorTemplate kKeys[] = {{FCONTROL, 'L', 40014}, {FCONTROL, 'Q', 40002}};

}  // namespace

// It may be resized and maximised; it never gets smaller than the template.
const DialogTemplate kMainWindow = {
    IDD_MAIN, u"PelmoraVista 0.19", 500, 278,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT,
    IDR_MAIN_MENU, kDialogFont, kDialogFontPoints, kControls,
};

const MenuTemplate kMainMenu = {IDR_MAIN_MENU, kPopups};

const std::span<const AcceleratorTemplate> kMainAccelerators = kKeys;

}  // namespace qarvo::ui::templates
