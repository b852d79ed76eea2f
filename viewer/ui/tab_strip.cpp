#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/tab_strip_widget.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

TabStripWidget* tabOf(WindowHandle handle)
{
    WindowRecord* rec = FindRecord(handle);
    return rec && rec->kind == WindowKind::TabStrip ? dynamic_cast<TabStripWidget*>(rec->widget.data()) : nullptr;
}

template <class R, class F>
R onTab(WindowHandle handle, R fallback, F&& work)
{
    return CallOnGui<R>(
        [&]() -> R {
            TabStripWidget* tab = tabOf(handle);
            return tab ? work(*tab) : fallback;
        },
        fallback);
}

}  // namespace

WindowHandle CreateTabStrip(WindowHandle placeholder, int id)
{
    return CallOnGui<WindowHandle>(
        [&]() -> WindowHandle {
            WindowRecord* host = FindRecord(placeholder);
            if (!host || !host->widget || host->kind == WindowKind::Dialog || host->destroying)
                return 0;
            auto* tab = new TabStripWidget(host->widget);
            WindowRecord& rec = AddRecord(WindowKind::TabStrip, tab);
            rec.cls = ControlClass::TabStrip;
            rec.id = id;
            rec.style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
            rec.parent = placeholder;
            // The placeholder passes the strip's notifications on to its dialog.
            rec.dialog = host->dialog;
            tab->setGeometry(0, 0, host->widget->width(), host->widget->height());
            tab->layoutBar();
            tab->show();
            return rec.handle;
        },
        0);
}

int TabCtrl_InsertItem(WindowHandle tab, int index, const C_WString& text)
{
    return onTab<int>(tab, -1, [&](TabStripWidget& t) { return t.insertTab(index, ToQString(text)); });
}

bool TabCtrl_DeleteItem(WindowHandle tab, int index)
{
    return onTab<bool>(tab, false, [&](TabStripWidget& t) { return t.removeTab(index); });
}

int TabCtrl_GetItemCount(WindowHandle tab)
{
    return onTab<int>(tab, 0, [](TabStripWidget& t) { return t.bar()->count(); });
}

int TabCtrl_GetCurSel(WindowHandle tab)
{
    return onTab<int>(tab, -1, [](TabStripWidget& t) { return t.bar()->currentIndex(); });
}

int TabCtrl_SetCurSel(WindowHandle tab, int index)
{
    return onTab<int>(tab, -1, [&](TabStripWidget& t) { return t.setCurrent(index); });
}

C_WString TabCtrl_GetItemText(WindowHandle tab, int index, int maxLength)
{
    return onTab<C_WString>(tab, C_WString(), [&](TabStripWidget& t) {
        if (index < 0 || index >= t.bar()->count())
            return C_WString();
        return Capped(FromQString(t.bar()->tabText(index)), maxLength);
    });
}

bool TabCtrl_AdjustRect(WindowHandle tab, bool larger, Rect* rect)
{
    if (!rect)
        return false;
    return onTab<bool>(tab, false, [&](TabStripWidget& t) {
        const QRect in(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
        const QRect out = t.adjust(in, larger);
        *rect = Rect{out.left(), out.top(), out.left() + out.width(), out.top() + out.height()};
        return true;
    });
}

bool TabCtrl_SetMinTabWidth(WindowHandle tab, int width)
{
    return onTab<bool>(tab, false, [&](TabStripWidget& t) {
        // Kept for the record only: Qt sizes tabs by their text, which is never narrower than
        // the small minimum the viewer asks for.
        t.minTabWidth = width;
        return true;
    });
}

}  // namespace qarvo::ui
