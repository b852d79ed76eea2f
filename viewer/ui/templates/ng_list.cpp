// The NG list editor (106): the rules of list/ng.txt, one a line.

#include "viewer/ui/templates/templates.h"

namespace qarvo::ui::templates {
namespace {

constexpr ControlTemplate kControls[] = {
    {IDC_STATIC, ControlClass::Static, u"1 行に 1 つ:  user:ユーザーID  /  word:語  /  regex:正規表現", 7, 6, 286, 10, kChild},
    {1101, ControlClass::Edit, u"", 7, 20, 286, 150,
     kTab | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL},
    {1, ControlClass::Button, u"OK", 186, 178, 50, 14, kTab | BS_DEFPUSHBUTTON},
    {2, ControlClass::Button, u"キャンセル", 243, 178, 50, 14, kTab | BS_PUSHBUTTON},
};

}  // namespace

const DialogTemplate kNgList = {
    IDD_NG_LIST, u"NG 設定", 300, 199, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0, kDialogFont, kDialogFontPoints, kControls,
};

}  // namespace qarvo::ui::templates
