#pragma once
// The records that WM_NOTIFY carries. lParam of WM_NOTIFY points at one of them; it is valid
// only during the call.

#include "viewer/ui/types.h"

namespace qarvo::ui {

struct NotifyHeader {
    WindowHandle hwndFrom = 0;
    uintptr_t idFrom = 0;
    int code = 0;
};

// LVN_ITEMCHANGED, LVN_COLUMNCLICK and LVN_ITEMACTIVATE share this layout, as they always did.
struct ListViewNotify {
    NotifyHeader hdr;
    int iItem = -1;
    int iSubItem = 0;
    unsigned uNewState = 0;
    unsigned uOldState = 0;
    unsigned uChanged = 0;
    Point ptAction;
    LParam lParam = 0;
};

// The header of a WM_NOTIFY lParam; null for a null lParam.
inline const NotifyHeader* NotifyOf(LParam lParam) { return reinterpret_cast<const NotifyHeader*>(lParam); }

}  // namespace qarvo::ui
