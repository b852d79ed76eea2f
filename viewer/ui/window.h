#pragma once
// Windows addressed by handle: messages, text, visibility, geometry, fonts, control
// procedures and static colours.
//
// Threads: widgets live on the GUI thread (the thread that made the application object).
// Every function here may be called from any thread. On the GUI thread it acts at once.
// From another thread, calls that only change something are queued to the GUI thread and run
// there in the order they were made; calls that return something wait for the GUI thread's
// answer. While the GUI thread itself waits for other threads (GuiWaitScope) or after its
// loop has ended, such waiting calls give up at once and return their failure value, so that
// a join on the GUI thread cannot deadlock with a thread that asks it something.

#include "qarvo/text/string.h"
#include "viewer/ui/font.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

// --- threads ---
bool IsGuiThread();

// Marks a stretch in which the GUI thread waits for other threads (a join without limit).
// Waiting calls from other threads fail fast while one is alive; queued changes still run
// later, in order.
class GuiWaitScope {
public:
    GuiWaitScope();
    ~GuiWaitScope();
    GuiWaitScope(const GuiWaitScope&) = delete;
    GuiWaitScope& operator=(const GuiWaitScope&) = delete;
};

// --- messages ---
// To a dialog: its procedure's result. To a control: its procedure chain (the default
// handles the progress bar messages). Waits for the answer when called from another thread.
LResult SendMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam);
// Queued; delivered later on the GUI thread in the order posted. false for an unknown window.
// WM_QUIT is turned into PostQuitMessage(wParam).
bool PostMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam);
// Ends the running loop with this result once the queue reaches it.
void PostQuitMessage(int exitCode);

// --- handles ---
bool IsWindow(WindowHandle window);
WindowHandle GetDlgItem(WindowHandle dialog, int id);
int GetDlgCtrlID(WindowHandle control);
// A control's dialog, a child dialog's parent window, an owned dialog's owner; 0 otherwise.
WindowHandle GetParent(WindowHandle window);

// --- text ---
// maxLength caps the result in UTF-16 units (the classic fixed buffers, e.g. 260); -1 = all.
// A multi-line edit gives its line breaks as CR LF and takes CR LF or LF.
bool SetWindowText(WindowHandle window, const C_WString& text);
C_WString GetWindowText(WindowHandle window, int maxLength = -1);
bool SetDlgItemText(WindowHandle dialog, int id, const C_WString& text);
C_WString GetDlgItemText(WindowHandle dialog, int id, int maxLength = -1);
bool SetDlgItemInt(WindowHandle dialog, int id, unsigned value, bool isSigned);
// Digits (with a leading '-' when isSigned), blanks around them allowed; anything else, an
// empty text or a value out of range gives 0 and *translated = false.
unsigned GetDlgItemInt(WindowHandle dialog, int id, bool* translated, bool isSigned);

// --- visibility and state ---
// Returns whether the window was visible before (GUI thread; false when queued). Dialogs get
// WM_SHOWWINDOW when their visibility changes.
bool ShowWindow(WindowHandle window, int command);
// Visible itself and all its parents.
bool IsWindowVisible(WindowHandle window);
// Returns whether the window was disabled before (GUI thread; false when queued).
bool EnableWindow(WindowHandle window, bool enable);
bool IsWindowEnabled(WindowHandle window);
// Top-level windows: minimised, maximised (ShowWindow SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE
// change them).
bool IsIconic(WindowHandle window);
bool IsZoomed(WindowHandle window);
// Brings a top-level window to the user: shown, out of the minimised state, raised and
// activated (as far as the window system lets a program take the focus).
bool SetForegroundWindow(WindowHandle window);

// --- keyboard focus ---
// Gives the control (or dialog) the keyboard focus within its window.
bool SetFocus(WindowHandle window);
// The control that has the focus, 0 when no window of the layer has it.
WindowHandle GetFocus();

// --- geometry (pixels; a control's position is in its dialog's client area) ---
bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool repaint = true);
bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy, unsigned flags);
bool GetClientRect(WindowHandle window, Rect* rect);
// Where the window is in the coordinates MoveWindow takes: a control's in its dialog's client
// area, a top-level window's on the screen.
bool GetChildRect(WindowHandle window, Rect* rect);
// Screen coordinates.
bool GetWindowRect(WindowHandle window, Rect* rect);
Rect GetDesktopRect();
bool InvalidateRect(WindowHandle window, const Rect* rect = nullptr, bool erase = true);
// Dialogs get WM_DESTROY (children after parents) before they go; the handles die at once.
bool DestroyWindow(WindowHandle window);

// --- fonts ---
bool SetWindowFont(WindowHandle window, const C_WFont& font, bool redraw = true);

// --- control procedures ("subclassing") ---
// Installs proc on a control and returns the previous one, which proc chains to with
// CallWindowProcedure. A control procedure sees WM_SETCURSOR (mouse over the control),
// WM_LBUTTONDOWN and WM_LBUTTONUP (lParam x, y), and whatever SendMessage brings. When the
// chain does not reach the default procedure, the mouse press does not reach the widget.
WindowProcedure SetWindowProcedure(WindowHandle control, WindowProcedure proc);
LResult CallWindowProcedure(const WindowProcedure& proc, WindowHandle window, unsigned message, WParam wParam,
                            LParam lParam);
// The layer's own handling, what a chain ends in.
LResult DefWindowProcedure(WindowHandle window, unsigned message, WParam wParam, LParam lParam);
// Inside WM_SETCURSOR: the cursor for the control under the mouse (IDC_HAND, IDC_ARROW).
void SetCursor(int cursorId);

// --- static colours ---
// A dialog gets WM_CTLCOLORSTATIC (wParam = a drawing context, lParam = the static) before a
// static of it is drawn; it may call these on the context and answer with a nonzero brush
// (GetStockObject(NULL_BRUSH)) to have them used.
ColorRef SetTextColor(WParam drawingContext, ColorRef color);
int SetBkMode(WParam drawingContext, int mode);
LResult GetStockObject(int object);
// A fixed text colour for a static, used when its dialog does not answer WM_CTLCOLORSTATIC.
bool SetControlTextColor(WindowHandle control, ColorRef color);
bool ClearControlTextColor(WindowHandle control);
// A one-pixel edge of another colour around a static's text, so that a coloured text stays
// readable whatever lies behind it.
bool SetControlTextOutline(WindowHandle control, ColorRef color);
bool ClearControlTextOutline(WindowHandle control);

}  // namespace qarvo::ui
