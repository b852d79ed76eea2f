// The settings dialog (104).

#include "viewer/ui/templates/templates.h"

namespace qarvo::ui::templates {
namespace {

constexpr uint32_t kCheck = kTab | BS_AUTOCHECKBOX;
constexpr uint32_t kNumber = kTab | WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL;

constexpr ControlTemplate kControls[] = {
    {1057, ControlClass::Button, u"起動時にラストURLのコメント取得", 14, 10, 200, 12, kCheck},
    {1080, ControlClass::Button, u"コメント取得時に URL をリストに保存", 14, 25, 200, 12, kCheck},
    {1058, ControlClass::Button, u"コメントの保存", 14, 40, 120, 12, kCheck},
    {1059, ControlClass::Button, u"xmlコメントの保存", 14, 55, 120, 12, kCheck},
    {IDC_STATIC, ControlClass::Static, u"xml が常時生成されます。", 26, 68, 160, 10, kChild},
    {IDC_STATIC, ControlClass::Button, u"コメント設定", 7, 84, 246, 156, kChild | BS_GROUPBOX},
    {1077, ControlClass::Button, u"コメントの自動再取得", 14, 98, 150, 12, kCheck},
    {IDC_STATIC, ControlClass::Static, u"一般", 24, 116, 30, 10, kChild},
    {1078, ControlClass::Edit, u"", 56, 114, 40, 12, kNumber},
    {IDC_STATIC, ControlClass::Static, u"秒に１回", 100, 116, 40, 10, kChild},
    {IDC_STATIC, ControlClass::Static, u"8 秒～1日まで", 144, 116, 90, 10, kChild},
    {IDC_STATIC, ControlClass::Static, u"生放送", 24, 134, 30, 10, kChild},
    {1081, ControlClass::Edit, u"", 56, 132, 40, 12, kNumber},
    {IDC_STATIC, ControlClass::Static, u"秒に１回", 100, 134, 40, 10, kChild},
    {IDC_STATIC, ControlClass::Static, u"1秒～10秒まで", 144, 134, 90, 10, kChild},
    {1076, ControlClass::Button, u"タグの取得(廃止予定)", 14, 156, 150, 12, kCheck},
    {1003, ControlClass::Button, u"タグの自動再取得", 14, 176, 150, 12, kCheck},
    {1079, ControlClass::Edit, u"", 56, 194, 40, 12, kNumber},
    {IDC_STATIC, ControlClass::Static, u"秒に１回", 100, 196, 40, 10, kChild},
    {IDC_STATIC, ControlClass::Static, u"5 秒～1日まで", 144, 196, 90, 10, kChild},
    {1093, ControlClass::Button, u"184 (匿名) コメントを流さない", 14, 218, 200, 12, kCheck},
    // The login's source: 自動, the browsers found, or a cookies.txt file (its path below).
    {IDC_STATIC, ControlClass::Static, u"ログインに使うブラウザ", 14, 248, 90, 10, kChild},
    {1091, ControlClass::ComboBox, u"", 106, 246, 147, 12, kTab | CBS_DROPDOWNLIST | WS_VSCROLL},
    {1092, ControlClass::Edit, u"", 106, 262, 147, 12, kTab | WS_BORDER | ES_AUTOHSCROLL},
    {1094, ControlClass::Button, u"NG 設定", 7, 282, 60, 14, kTab | BS_PUSHBUTTON},
    {1, ControlClass::Button, u"OK", 146, 282, 50, 14, kTab | BS_DEFPUSHBUTTON},
    {2, ControlClass::Button, u"キャンセル", 203, 282, 50, 14, kTab | BS_PUSHBUTTON},
};

}  // namespace

const DialogTemplate kSettings = {
    IDD_SETTINGS, u"環境設定", 260, 305, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0, kDialogFont, kDialogFontPoints, kControls,
};

}  // namespace qarvo::ui::templates
