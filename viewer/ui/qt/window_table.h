#pragma once
// The GUI thread's table of windows: every dialog and control made by the layer, by handle.
// Only the GUI thread reads or changes it; other threads ask through gui_thread.h. A small
// locked set of live handles answers IsWindow-style questions from any thread.

#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "qarvo/text/string.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/types.h"

namespace qarvo::ui::detail {

enum class WindowKind {
    Dialog,
    Static,
    Picture,
    Button,
    CheckBox,
    GroupBox,
    Edit,
    ComboBox,
    ListView,
    ProgressBar,
    TabStrip,
    StatusBar
};

struct WindowRecord {
    WindowHandle handle = 0;
    WindowKind kind = WindowKind::Static;
    ControlClass cls = ControlClass::Static;
    int id = 0;
    uint32_t style = 0;
    // GetParent: a control's dialog (or the control it sits in), a dialog's parent or owner.
    WindowHandle parent = 0;
    // The dialog that receives the window's notifications (for a dialog: itself).
    WindowHandle dialog = 0;
    QPointer<QWidget> widget;
    // A dialog's procedure, or a control's installed procedure (empty: the default).
    WindowProcedure proc;
    C_WString text;  // the window text of windows that show none
    std::optional<ColorRef> textColor;
    std::optional<ColorRef> outlineColor;
    bool destroying = false;

    // Dialogs only.
    const DialogTemplate* tpl = nullptr;
    bool initialized = false;  // WM_INITDIALOG has been delivered
    bool keys = false;         // Enter and Escape are handled
    bool modal = false;
    QEventLoop* modalLoop = nullptr;
    bool ended = false;
    intptr_t result = 0;
    int sentWidth = -1, sentHeight = -1;  // the last WM_SIZE

    // Progress bars.
    int progressStep = 10;
};

WindowRecord* FindRecord(WindowHandle handle);
WindowRecord* FindRecordOfWidget(const QWidget* widget);
// The nearest layer window at or above widget.
WindowRecord* FindRecordAbove(const QWidget* widget);
WindowRecord* FindControl(WindowHandle dialog, int id);
// Registers widget under a new handle.
WindowRecord& AddRecord(WindowKind kind, QWidget* widget);
// Every record whose parent chain leads to handle, parents before children.
std::vector<WindowHandle> Descendants(WindowHandle handle);
std::vector<WindowHandle> AllTopLevelHandles();
// Every handle, in the order the windows were made.
std::vector<WindowHandle> AllHandles();
void RemoveRecord(WindowHandle handle);
// Thread-safe.
bool HandleIsLive(WindowHandle handle);

// Qt events that reach window procedures are dispatched inside this scope; windows destroyed
// inside it are deleted later, when no widget of theirs is on the stack any more.
class DispatchScope {
public:
    DispatchScope();
    ~DispatchScope();
    static int Depth();
};

// Delivers a message on the GUI thread: a dialog's procedure (WM_CLOSE unhandled becomes
// WM_COMMAND IDCANCEL), or a control's procedure chain.
LResult SendToWindow(WindowHandle handle, unsigned message, WParam wParam, LParam lParam);
// A control procedure chain for a Qt mouse event; true when the chain reached the default
// procedure (the event then goes on to the widget).
bool RunControlHook(WindowHandle handle, unsigned message, WParam wParam, LParam lParam);
void SendCommand(WindowHandle dialog, int id, unsigned code, WindowHandle control);

// Destroys a window and everything under it (WM_DESTROY to dialogs, parents first).
bool DestroyWindowNow(WindowHandle handle);
void DestroyAllWindows();
// Deletes widgets whose deletion was put off.
void FlushDeferredDeletes();

}  // namespace qarvo::ui::detail
