#pragma once
// The common controls: buttons, combo boxes, progress bars, the status bar, the tab strip,
// the list view and picture statics. Same thread rules as window.h: from other threads,
// changes are queued in order and calls that return something wait for the GUI thread.
// Indexes are 0-based; -1 is "none" or failure, as the classic controls answer.

#include <functional>

#include "qarvo/text/string.h"
#include "viewer/ui/bitmap.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

// --- buttons and check boxes ---
int Button_GetCheck(WindowHandle button);
bool Button_SetCheck(WindowHandle button, int state);

// --- combo boxes (drop-down with edit field, or drop-down list) ---
// A sorted combo box inserts at the item's place in the case-insensitive order.
int ComboBox_AddString(WindowHandle combo, const C_WString& text);
// index -1 appends.
int ComboBox_InsertString(WindowHandle combo, int index, const C_WString& text);
int ComboBox_DeleteString(WindowHandle combo, int index);
// Case-insensitive; the search starts after startAfter (-1 = from the top) and wraps.
// FindString matches a prefix, FindStringExact the whole text.
int ComboBox_FindString(WindowHandle combo, int startAfter, const C_WString& text);
int ComboBox_FindStringExact(WindowHandle combo, int startAfter, const C_WString& text);
// -1 clears the selection and the edit field. No CBN_SELCHANGE is sent.
int ComboBox_SetCurSel(WindowHandle combo, int index);
// With an edit field, an item counts as selected only while the field shows its text.
int ComboBox_GetCurSel(WindowHandle combo);
int ComboBox_GetCount(WindowHandle combo);
C_WString ComboBox_GetLBText(WindowHandle combo, int index, int maxLength = -1);
bool ComboBox_ResetContent(WindowHandle combo);
// Selects characters start..end of the edit field (end -1: to its end; start -1: none, the
// caret at the end).
bool ComboBox_SetEditSel(WindowHandle combo, int start, int end);
// The edit field is the window text: SetWindowText / GetWindowText.

// --- progress bars (range 0..100, step 10 at creation) ---
bool Progress_SetRange(WindowHandle bar, int minimum, int maximum);
// Clamped to the range.
bool Progress_SetPos(WindowHandle bar, int position);
bool Progress_SetStep(WindowHandle bar, int step);
// Advances by the step; past the maximum it wraps round to the start, as the classic bar did.
bool Progress_StepIt(WindowHandle bar);
int Progress_GetPos(WindowHandle bar);

// --- status bar ---
// Along the bottom of the dialog's client area, following its size; one text part. Its text
// is the window text.
WindowHandle CreateStatusBar(WindowHandle dialog, int id);

// --- tab strip ---
// Fills the placeholder control; notifications (WM_NOTIFY TCN_SELCHANGE, only on the user's
// change) go to the placeholder's dialog. Pages are dialogs created with the tab strip as
// parent and placed by the caller at TabCtrl_AdjustRect of the strip's rectangle.
WindowHandle CreateTabStrip(WindowHandle placeholder, int id);
int TabCtrl_InsertItem(WindowHandle tab, int index, const C_WString& text);
bool TabCtrl_DeleteItem(WindowHandle tab, int index);
int TabCtrl_GetItemCount(WindowHandle tab);
int TabCtrl_GetCurSel(WindowHandle tab);
// Returns the previous selection; no notification.
int TabCtrl_SetCurSel(WindowHandle tab, int index);
C_WString TabCtrl_GetItemText(WindowHandle tab, int index, int maxLength = -1);
// larger = false: a window rectangle to its display area; true: the other way.
bool TabCtrl_AdjustRect(WindowHandle tab, bool larger, Rect* rect);
bool TabCtrl_SetMinTabWidth(WindowHandle tab, int width);

// --- list view (report mode) ---
unsigned ListView_GetExtendedListViewStyle(WindowHandle list);
bool ListView_SetExtendedListViewStyle(WindowHandle list, unsigned style);
// format LVCFMT_LEFT / _CENTER / _RIGHT; width in pixels. Returns the column index.
int ListView_InsertColumn(WindowHandle list, int index, const C_WString& title, int format, int width);
// Returns the row index (index beyond the end appends). param is the row's item data.
int ListView_InsertItem(WindowHandle list, int index, const C_WString& text, LParam param);
bool ListView_SetItemText(WindowHandle list, int item, int subItem, const C_WString& text);
C_WString ListView_GetItemText(WindowHandle list, int item, int subItem, int maxLength = -1);
int ListView_GetItemCount(WindowHandle list);
bool ListView_DeleteItem(WindowHandle list, int item);
bool ListView_DeleteAllItems(WindowHandle list);
LParam ListView_GetItemParam(WindowHandle list, int item);
// First row after startAfter (-1 = from the top) whose item data is param; -1 when none.
int ListView_FindItemByParam(WindowHandle list, int startAfter, LParam param);
// Check boxes: changing a check, by the user or by these calls, sends LVN_ITEMCHANGED with
// the state image masks (1 = empty, 2 = ticked) in uOldState / uNewState.
bool ListView_GetCheckState(WindowHandle list, int item);
bool ListView_SetCheckState(WindowHandle list, int item, bool checked);
// LVIS_STATEIMAGEMASK, LVIS_SELECTED, LVIS_FOCUSED.
unsigned ListView_GetItemState(WindowHandle list, int item, unsigned mask);
bool ListView_SetItemState(WindowHandle list, int item, unsigned state, unsigned mask);
// compare(param1, param2, sortParam) < 0 puts the first row first. The list is not changed
// while compare runs, so compare may read it (find rows, read their texts). Stable.
using ListViewCompare = std::function<int(LParam, LParam, LParam)>;
bool ListView_SortItems(WindowHandle list, const ListViewCompare& compare, LParam sortParam);

// --- picture statics ---
// The control keeps its own copy; an empty bitmap removes the picture.
bool Static_SetBitmap(WindowHandle picture, const C_Bitmap& bitmap);
bool Static_HasBitmap(WindowHandle picture);

}  // namespace qarvo::ui
