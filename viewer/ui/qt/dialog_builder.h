#pragma once
// Makes dialogs and their controls from templates.

#include <QEventLoop>

#include "viewer/ui/dialog_template.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {

struct DialogRequest {
    const DialogTemplate* tpl = nullptr;
    WindowHandle parent = 0;
    WindowProcedure proc;
    LParam param = 0;
    bool modal = false;
    QEventLoop* modalLoop = nullptr;
};

// Builds the dialog, sends WM_INITDIALOG and, for a modeless WS_VISIBLE template, shows it.
// 0 when the template or the parent is unusable, or the procedure destroyed the dialog.
WindowHandle BuildDialog(const DialogRequest& request);
// A control of a class made at run time in a dialog's client area (or in a placeholder).
WindowRecord* CreateControlIn(WindowHandle dialog, QWidget* container, const ControlTemplate& ct);
// Shows or hides; WM_SHOWWINDOW to dialogs whose visibility changes. Returns the old state.
bool ShowWindowRecord(WindowHandle handle, int command);
// Enter and Escape for dialogs that want them.
void EnsureKeyboardFilter();

}  // namespace qarvo::ui::detail
