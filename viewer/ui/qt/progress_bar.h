#pragma once
// Progress bar messages, shared by the message path and the Progress_ functions.

#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {

LResult ProgressMessage(WindowRecord& rec, unsigned message, WParam wParam, LParam lParam);

}  // namespace qarvo::ui::detail
