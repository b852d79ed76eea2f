#pragma once
// Dialogs built from templates. Each dialog has one procedure that receives WM_INITDIALOG
// (lParam = the creation parameter), WM_COMMAND (low word id, high word notification code,
// lParam the control), WM_NOTIFY, WM_SIZE, WM_SHOWWINDOW, WM_ACTIVATE, WM_CTLCOLORSTATIC,
// WM_CLOSE, WM_DESTROY and whatever is sent or posted to it.
//
// Keyboard: in modal dialogs and in modeless dialogs registered with RegisterDialogKeys (the
// main loop's dialog list), Enter sends WM_COMMAND for the focused push button or else for the
// default button (id 1 unless the template names another), and Escape sends WM_COMMAND IDCANCEL.
// The close box sends WM_CLOSE; a dialog that does not handle it gets WM_COMMAND IDCANCEL.

#include "viewer/ui/dialog_template.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

// Modeless. A WS_CHILD template becomes a child of parent (a dialog or a control such as the
// tab strip); any other template becomes a top-level window owned by parent (0 = none).
// Shown at once only when the template has WS_VISIBLE. 0 on failure.
WindowHandle CreateDialogFromTemplate(int templateId, WindowHandle parent, WindowProcedure proc, LParam param);
// Modal: runs until EndDialog and returns its value; -1 when the dialog cannot be made, 0 when
// the loop is ended by PostQuitMessage or the dialog is destroyed.
intptr_t DialogBoxFromTemplate(int templateId, WindowHandle owner, WindowProcedure proc, LParam param);
// Ends a modal dialog with result (after the current message); hides a modeless one.
bool EndDialog(WindowHandle dialog, intptr_t result);

// Keyboard handling (Enter, Escape) for a modeless dialog.
bool RegisterDialogKeys(WindowHandle dialog);
bool UnregisterDialogKeys(WindowHandle dialog);

// Dialog units to pixels with the dialog font's base units (see dialog_template.h).
bool MapDialogRect(WindowHandle dialog, Rect* rect);

}  // namespace qarvo::ui
