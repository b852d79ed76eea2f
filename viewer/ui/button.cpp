#include <QCheckBox>

#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

int Button_GetCheck(WindowHandle button)
{
    return CallOnGui<int>(
        [&] {
            WindowRecord* rec = FindRecord(button);
            auto* box = rec ? qobject_cast<QCheckBox*>(rec->widget.data()) : nullptr;
            return box && box->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        },
        BST_UNCHECKED);
}

bool Button_SetCheck(WindowHandle button, int state)
{
    if (!HandleIsLive(button))
        return false;
    return RunOnGui([button, state] {
        WindowRecord* rec = FindRecord(button);
        if (auto* box = rec ? qobject_cast<QCheckBox*>(rec->widget.data()) : nullptr)
            box->setChecked(state == BST_CHECKED);
    });
}

}  // namespace qarvo::ui
