#pragma once
// Installing a procedure in front of a control's own ("subclassing"): the hook sees every
// message first and answers it, or returns kChainOn to pass it to the previous procedure.

#include <functional>
#include <memory>

#include "viewer/ui/window.h"

namespace pelmora::viewer {

inline constexpr qarvo::ui::LResult kChainOn = -1;

inline void SubclassControl(qarvo::ui::WindowHandle control,
                            std::function<qarvo::ui::LResult(qarvo::ui::WindowHandle, unsigned)> hook)
{
    namespace ui = qarvo::ui;
    auto previous = std::make_shared<ui::WindowProcedure>();
    *previous = ui::SetWindowProcedure(
        control, [previous, hook](ui::WindowHandle& window, unsigned& message, ui::WParam& wParam,
                                  ui::LParam& lParam) -> ui::LResult {
            const ui::LResult handled = hook(window, message);
            if (handled != kChainOn)
                return handled;
            return ui::CallWindowProcedure(*previous, window, message, wParam, lParam);
        });
}

}  // namespace pelmora::viewer
