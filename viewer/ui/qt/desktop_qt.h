#pragma once

#include "viewer/ui/desktop.h"

namespace qarvo::ui::detail {

// The real desktop: message boxes, the default browser or file manager, the clipboard.
I_Desktop& RealDesktop();

}  // namespace qarvo::ui::detail
