#pragma once
// Dialog and menu templates: tables of controls with their ids, classes, texts, rectangles in
// dialog units and styles. The dialogs of the viewer are built from these tables.

#include <cstdint>
#include <span>

namespace qarvo::ui {

// Template ids.
constexpr int IDD_MAIN = 101;
constexpr int IDD_COMMENT_INFO = 102;
constexpr int IDR_MAIN_MENU = 103;
constexpr int IDD_SETTINGS = 104;
constexpr int IDD_HISTORY_PAGE = 105;
constexpr int IDD_NG_LIST = 106;
constexpr int IDD_VIDEO_PAGE = 107;

// Control classes. Check boxes and group boxes are buttons with a style, picture statics are
// statics with SS_BITMAP, as they always were.
enum class ControlClass { Static, Button, Edit, ComboBox, ListView, ProgressBar, TabStrip, StatusBar };

// The classic window class name of a control class ("Static", "Button", "SysListView32"...).
const char* ControlClassName(ControlClass cls);

struct ControlTemplate {
    int id;  // IDC_STATIC for unnamed captions and frames
    ControlClass cls;
    const char16_t* text;
    int x, y, cx, cy;  // dialog units
    uint32_t style;    // WS_VISIBLE, WS_DISABLED, BS_*, ES_*, SS_*, CBS_*, LVS_*...
};

struct DialogTemplate {
    int id;
    const char16_t* caption;
    int cx, cy;      // client size in dialog units
    uint32_t style;  // WS_CHILD for pages; WS_VISIBLE to show on creation
    int menuId;      // 0 = none
    const char16_t* fontFace;
    int fontPoints;
    std::span<const ControlTemplate> controls;
};

struct MenuItemTemplate {
    int id;  // 0 = separator
    const char16_t* text;
};

struct MenuPopupTemplate {
    const char16_t* text;
    std::span<const MenuItemTemplate> items;
};

struct MenuTemplate {
    int id;
    std::span<const MenuPopupTemplate> popups;
};

// A keyboard accelerator, as the classic accelerator tables had them: the key with its
// modifiers sends WM_COMMAND `id` (notification code 1) to the window, wherever the focus is
// in it.
constexpr unsigned FSHIFT = 0x04;
constexpr unsigned FCONTROL = 0x08;
struct AcceleratorTemplate {
    unsigned modifiers;  // FCONTROL, FSHIFT
    char key;            // 'A'..'Z', '0'..'9'
    int id;
};

// null when there is no template of that id.
const DialogTemplate* FindDialogTemplate(int id);
const MenuTemplate* FindMenuTemplate(int id);
// The accelerators of the dialog template `id`; empty when it has none.
std::span<const AcceleratorTemplate> FindAccelerators(int id);

// Dialog units to pixels. The layouts, and the pixel positions the viewer computes on its pages
// (comment lanes at y 80..220, tag rows wrapping at x 730), were made for the classic dialog
// font, whose base units are 6 x 13 pixels. The fonts found here have other metrics, so the
// base units are those fixed values rather than measured ones: a 484-unit page stays 726
// pixels wide whatever font the system substitutes.
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

}  // namespace qarvo::ui
