#pragma once
// The settings dialog (template 104): shows the settings file's switches and intervals and
// writes them back on OK, replacing out-of-bounds intervals by their fallbacks. The two
// comment refetch intervals are also handed to the running pages as pending values. The
// "ログインに使うブラウザ" box (login_choice.h) is written as cookie_browser and cookie_file and
// handed to the engine at once.

#include <atomic>
#include <functional>

#include "qarvo/text/string.h"
#include "viewer/ui/types.h"

namespace pelmora::viewer {

// Seconds; 0 = nothing pending. Written by the dialog on the GUI thread, taken (and reset) by
// the refetch timer on the worker thread at a page's next comment refetch.
struct PendingIntervals {
    std::atomic<int> comment{0};
    std::atomic<int> live{0};
};

// Modal; returns 1 whichever button closes it. "NG 設定" calls `openNgEditor` with the dialog
// as the owner.
intptr_t RunSettingsDialog(qarvo::ui::WindowHandle owner, PendingIntervals& pending,
                           std::function<void(qarvo::ui::WindowHandle)> openNgEditor = nullptr);

// The settings dialog while it is open, else 0.
qarvo::ui::WindowHandle CurrentSettingsDialog();

}  // namespace pelmora::viewer
