#pragma once
// Saves what a window shows as a PNG file, also headless (offscreen platform).

#include "qarvo/text/string.h"
#include "viewer/ui/types.h"

namespace qarvo::ui {

// false when the window is unknown or the file cannot be written.
bool SaveWindowImage(WindowHandle window, const C_WString& path);

}  // namespace qarvo::ui
