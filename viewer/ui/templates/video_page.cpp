// The video page (107): tag links, gauges for the refetch timers and the labels that carry
// the flowing comments. The page moves and sizes the labels itself; here they are hidden
// 8 x 8 placeholders.

#include "viewer/ui/templates/templates.h"

namespace qarvo::ui::templates {
namespace {

constexpr uint32_t kLabel = WS_CHILD | SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX;

constexpr ControlTemplate kControls[] = {
    {1019, ControlClass::ComboBox, u"", 3, 1, 70, 12, kTab | CBS_DROPDOWNLIST | WS_VSCROLL},
    {IDC_STATIC, ControlClass::Static, u"コメント", 96, 3, 34, 10, kChild | SS_RIGHT},
    {1075, ControlClass::ProgressBar, u"", 132, 3, 80, 9, kChild | WS_BORDER},
    {1051, ControlClass::Button, u"停止", 216, 1, 32, 12, kTab | BS_PUSHBUTTON},
    {IDC_STATIC, ControlClass::Static, u"タグ", 262, 3, 20, 10, kChild | SS_RIGHT},
    {1076, ControlClass::ProgressBar, u"", 284, 3, 80, 9, kChild | WS_BORDER},
    {1052, ControlClass::Button, u"停止", 368, 1, 32, 12, kTab | BS_PUSHBUTTON},
    {1003, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1004, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1005, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1006, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1007, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1008, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1009, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1010, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1011, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1012, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1013, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1014, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1015, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1016, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1017, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1020, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1021, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1022, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1023, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1024, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1025, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1026, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1027, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1028, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1029, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1030, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1031, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1032, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1033, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1034, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1035, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1036, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1037, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1038, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1039, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1040, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
    {1041, ControlClass::Static, u"", 0, 0, 8, 8, kLabel},
};

}  // namespace

const DialogTemplate kVideoPage = {
    IDD_VIDEO_PAGE, u"", 484, 154, WS_CHILD | DS_CONTROL | DS_SETFONT, 0, kDialogFont, kDialogFontPoints, kControls,
};

}  // namespace qarvo::ui::templates
