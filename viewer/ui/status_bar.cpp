#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/dialog_builder.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

WindowHandle CreateStatusBar(WindowHandle dialog, int id)
{
    return CallOnGui<WindowHandle>(
        [&]() -> WindowHandle {
            DialogWidget* owner = DialogWidgetOf(dialog);
            WindowRecord* ownerRec = FindRecord(dialog);
            if (!owner || !ownerRec || ownerRec->destroying)
                return 0;
            const ControlTemplate ct{id, ControlClass::StatusBar, u"", 0, 0, 0, 0, WS_CHILD | WS_VISIBLE};
            WindowRecord* rec = CreateControlIn(dialog, owner->client(), ct);
            if (!rec)
                return 0;
            // On top of the controls it overlaps, and along the bottom edge from now on.
            rec->widget->raise();
            owner->client()->addBottomBar(rec->widget);
            return rec->handle;
        },
        0);
}

}  // namespace qarvo::ui
