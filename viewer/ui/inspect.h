#pragma once
// What the windows show, read the way a user sees them: every dialog the layer made (main
// window, pages, dialogs) with its controls' kinds, texts, states and places. The scripted
// driver dumps it; tests read it.

#include <optional>
#include <vector>

#include "qarvo/text/string.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

struct ControlState {
    WindowHandle handle = 0;
    int id = 0;
    // "static", "picture", "button", "checkbox", "edit", "combobox", "tabs", "listview",
    // "progress", "statusbar".
    const char* kind = "static";
    C_WString text;
    bool visible = false;  // the control's own flag: shown whenever its window is
    bool enabled = false;
    Rect rect;             // in its dialog's client area
    bool focused = false;  // its window's keys go to it
    std::optional<bool> checked;      // check boxes
    std::vector<C_WString> items;     // combo box entries, tab titles
    std::optional<int> selected;      // combo boxes, tabs (-1 = none)
    std::optional<int> value;         // progress bars
    std::optional<Point> bitmap;      // pictures: width and height of the picture shown
    std::vector<C_WString> columns;   // list views
    std::vector<std::vector<C_WString>> rows;
    std::vector<bool> rowChecked;
};

struct WindowState {
    WindowHandle handle = 0;
    WindowHandle parent = 0;  // 0 for a top-level window
    int templateId = 0;
    C_WString title;
    bool visible = false;  // shown on the screen (itself and its parents)
    // Top-level windows: on the screen; pages: in their top-level window's client area.
    Rect rect;
    // Top-level windows: "normal", "minimized" or "maximized"; empty for pages.
    const char* state = "";
    std::vector<ControlState> controls;
};

// Every dialog, top-level windows in the order they were made, each followed by the pages
// inside it. Empty when there is no application.
std::vector<WindowState> InspectWindows();

}  // namespace qarvo::ui
