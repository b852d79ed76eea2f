#pragma once
// Input as a user gives it, delivered to the widgets as real mouse and key events (so that
// control procedures, default buttons and focus behave as they do for a person). For the
// scripted driver and end-to-end tests. Any thread. Each call checks its target at once and
// returns; the input itself arrives through the event loop (so a click that opens a modal
// dialog does not keep the caller waiting for it).

#include "viewer/ui/types.h"

namespace qarvo::ui {

enum class UserKey { Escape, Enter, Tab };

// Returns once the input given so far, and the messages its handlers posted in turn (a few
// generations deep), have been handled: what a person would see a moment after acting.
void WaitForInputHandled();

// A left click at the centre of the control. false when it is not shown.
bool ClickControl(WindowHandle control);
// A left click at a point of a dialog's client area, delivered to whatever is there.
bool ClickAt(WindowHandle dialog, int x, int y);
// The button's click, as a user's press and release of it.
bool PressButton(WindowHandle button);
// A key press and release on the focused control of the dialog (or the dialog itself).
bool PressKey(WindowHandle dialog, UserKey key);
// Ctrl with a letter ('A'..'Z'), the way a window's accelerators are reached.
bool PressControlKey(WindowHandle dialog, char letter);
// The menu command `id` of the dialog's menu bar, chosen as from the menu.
bool ChooseMenuCommand(WindowHandle dialog, int id);
// Selects a tab as a click on it does (the dialog is told with TCN_SELCHANGE).
bool SelectTabAsUser(WindowHandle tabStrip, int index);

}  // namespace qarvo::ui
