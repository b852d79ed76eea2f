// The history page (105): two entries with a thumbnail each, paging buttons. The page is
// laid out to fit the tab strip's display area (241 pixels high at the window's size).

#include "viewer/ui/templates/templates.h"

namespace qarvo::ui::templates {
namespace {

constexpr uint32_t kThumbnail = kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY;
constexpr uint32_t kLine = kChild | SS_LEFTNOWORDWRAP;
// Titles wrap onto a second line when the page makes them 400 x 36 pixels.
constexpr uint32_t kTitle = kChild | SS_LEFT | SS_NOTIFY;

constexpr ControlTemplate kControls[] = {
    {1064, ControlClass::Static, u"", 7, 7, 88, 66, kThumbnail},
    {1061, ControlClass::Static, u"", 100, 7, 370, 10, kLine},
    {1062, ControlClass::Static, u"", 100, 19, 370, 10, kLine},
    {1065, ControlClass::Static, u"", 100, 31, 250, 22, kTitle},
    {1066, ControlClass::Static, u"", 100, 55, 370, 10, kLine},
    {1071, ControlClass::Static, u"", 100, 66, 370, 10, kLine},
    {1073, ControlClass::Static, u"", 7, 76, 88, 66, kThumbnail},
    {1067, ControlClass::Static, u"", 100, 76, 370, 10, kLine},
    {1068, ControlClass::Static, u"", 100, 88, 370, 10, kLine},
    {1069, ControlClass::Static, u"", 100, 100, 250, 22, kTitle},
    {1070, ControlClass::Static, u"", 100, 123, 370, 10, kLine},
    {1074, ControlClass::ComboBox, u"", 100, 135, 100, 12, kTab | WS_DISABLED | CBS_DROPDOWNLIST | WS_VSCROLL},
    {1075, ControlClass::Button, u"履歴の保存", 205, 134, 60, 14, kTab | WS_DISABLED | BS_PUSHBUTTON},
    {1051, ControlClass::Button, u"前へ", 296, 134, 40, 14, kTab | BS_PUSHBUTTON},
    {1072, ControlClass::Static, u"", 340, 136, 46, 10, kChild | SS_CENTER},
    {1052, ControlClass::Button, u"次へ", 390, 134, 40, 14, kTab | BS_PUSHBUTTON},
    {1063, ControlClass::Button, u"更新", 437, 134, 40, 14, kTab | BS_PUSHBUTTON},
};

}  // namespace

// A page: a child without caption, hidden until its tab shows it.
const DialogTemplate kHistoryPage = {
    IDD_HISTORY_PAGE, u"", 484, 154, WS_CHILD | DS_CONTROL | DS_SETFONT, 0, kDialogFont, kDialogFontPoints, kControls,
};

}  // namespace qarvo::ui::templates
