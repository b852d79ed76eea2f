#include "viewer/ui/screenshot.h"

#include <QPixmap>

#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

bool SaveWindowImage(WindowHandle window, const C_WString& path)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(window);
            if (!rec || !rec->widget || path.IsEmpty())
                return false;
            // A dialog is saved with its menu bar: the whole widget, not only the client area.
            const QPixmap image = rec->widget->grab();
            return !image.isNull() && image.save(ToQString(path), "PNG");
        },
        false);
}

}  // namespace qarvo::ui
