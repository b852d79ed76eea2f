#include "viewer/ui/window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "viewer/ui/qt/dialog_builder.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/font_impl.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/tab_strip_widget.h"
#include "viewer/ui/qt/window_table.h"
#include "viewer/ui/qt/window_text.h"

namespace qarvo::ui {

using namespace detail;

namespace {

Rect toRect(const QRect& r)
{
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Position and size in the coordinates MoveWindow takes: the parent's client area for
// children, the screen (frame included) for top-level windows.
QRect placeOf(const WindowRecord& rec)
{
    QWidget* widget = rec.widget;
    if (!widget)
        return QRect();
    return widget->isWindow() ? widget->frameGeometry() : widget->geometry();
}

bool moveRecord(WindowRecord& rec, int x, int y, int width, int height)
{
    QWidget* widget = rec.widget;
    if (!widget)
        return false;
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    if (rec.kind == WindowKind::Dialog) {
        auto* dialog = static_cast<DialogWidget*>(widget);
        if (dialog->isWindow()) {
            const QSize frame = dialog->frameGeometry().size() - dialog->geometry().size();
            dialog->move(x, y);
            dialog->setOuterSize(width - frame.width(), height - frame.height());
        } else {
            dialog->setGeometry(x, y, width, height);
            dialog->layoutClient();
        }
        return true;
    }
    widget->setGeometry(x, y, width, height);
    if (rec.kind == WindowKind::TabStrip)
        static_cast<TabStripWidget*>(widget)->layoutBar();
    return true;
}

bool parseUnsigned(const QString& text, bool isSigned, unsigned* value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    qsizetype i = 0;
    bool negative = false;
    if (isSigned && (t[0] == u'-' || t[0] == u'+')) {
        negative = t[0] == u'-';
        ++i;
    }
    if (i >= t.size())
        return false;
    unsigned long long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9')
            return false;
        v = v * 10 + static_cast<unsigned>(t[i].unicode() - u'0');
        if (v > (isSigned ? 0x80000000ull : 0xFFFFFFFFull))
            return false;
    }
    if (isSigned && !negative && v > 0x7FFFFFFFull)
        return false;
    *value = negative ? static_cast<unsigned>(-static_cast<long long>(v)) : static_cast<unsigned>(v);
    return true;
}

// A rectangle computed on the GUI thread from a live record; false when there is none.
template <class F>
bool readRect(WindowHandle window, Rect* rect, F compute)
{
    if (!rect)
        return false;
    const std::optional<Rect> r = CallOnGui<std::optional<Rect>>(
        [&]() -> std::optional<Rect> {
            WindowRecord* rec = FindRecord(window);
            if (!rec || !rec->widget)
                return std::nullopt;
            return compute(*rec);
        },
        std::nullopt);
    if (!r)
        return false;
    *rect = *r;
    return true;
}

// A state of a top-level window; false for anything else.
template <class F>
bool topLevelState(WindowHandle window, F test)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(window);
            return rec && rec->widget && rec->widget->isWindow() && test(*rec->widget);
        },
        false);
}

}  // namespace

bool IsWindow(WindowHandle window)
{
    return HandleIsLive(window);
}

WindowHandle GetDlgItem(WindowHandle dialog, int id)
{
    return CallOnGui<WindowHandle>(
        [&]() -> WindowHandle {
            WindowRecord* rec = FindControl(dialog, id);
            return rec ? rec->handle : 0;
        },
        0);
}

int GetDlgCtrlID(WindowHandle control)
{
    return CallOnGui<int>(
        [&] {
            WindowRecord* rec = FindRecord(control);
            return rec && rec->kind != WindowKind::Dialog ? rec->id : 0;
        },
        0);
}

WindowHandle GetParent(WindowHandle window)
{
    return CallOnGui<WindowHandle>(
        [&]() -> WindowHandle {
            WindowRecord* rec = FindRecord(window);
            return rec ? rec->parent : 0;
        },
        0);
}

bool SetWindowText(WindowHandle window, const C_WString& text)
{
    if (!HandleIsLive(window))
        return false;
    return RunOnGui([window, text] {
        if (WindowRecord* rec = FindRecord(window))
            SetRecordText(*rec, ToQString(text));
    });
}

C_WString GetWindowText(WindowHandle window, int maxLength)
{
    return CallOnGui<C_WString>(
        [&] {
            WindowRecord* rec = FindRecord(window);
            return rec ? Capped(FromQString(RecordText(*rec)), maxLength) : C_WString();
        },
        C_WString());
}

bool SetDlgItemText(WindowHandle dialog, int id, const C_WString& text)
{
    if (!HandleIsLive(dialog))
        return false;
    return RunOnGui([dialog, id, text] {
        if (WindowRecord* rec = FindControl(dialog, id))
            SetRecordText(*rec, ToQString(text));
    });
}

C_WString GetDlgItemText(WindowHandle dialog, int id, int maxLength)
{
    return CallOnGui<C_WString>(
        [&] {
            WindowRecord* rec = FindControl(dialog, id);
            return rec ? Capped(FromQString(RecordText(*rec)), maxLength) : C_WString();
        },
        C_WString());
}

bool SetDlgItemInt(WindowHandle dialog, int id, unsigned value, bool isSigned)
{
    const QString text = isSigned ? QString::number(static_cast<int>(value)) : QString::number(value);
    return SetDlgItemText(dialog, id, FromQString(text));
}

unsigned GetDlgItemInt(WindowHandle dialog, int id, bool* translated, bool isSigned)
{
    unsigned value = 0;
    const bool ok = parseUnsigned(ToQString(GetDlgItemText(dialog, id)), isSigned, &value);
    if (translated)
        *translated = ok;
    return ok ? value : 0;
}

bool ShowWindow(WindowHandle window, int command)
{
    if (OnGuiThread())
        return ShowWindowRecord(window, command);
    RunOnGui([window, command] { ShowWindowRecord(window, command); });
    return false;
}

bool IsIconic(WindowHandle window)
{
    return topLevelState(window, [](const QWidget& w) { return w.isMinimized(); });
}

bool IsZoomed(WindowHandle window)
{
    return topLevelState(window, [](const QWidget& w) { return w.isMaximized(); });
}

bool SetForegroundWindow(WindowHandle window)
{
    if (!HandleIsLive(window))
        return false;
    return RunOnGui([window] {
        WindowRecord* rec = FindRecord(window);
        if (!rec || !rec->widget || !rec->widget->isWindow())
            return;
        if (rec->widget->isMinimized())
            ShowWindowRecord(window, SW_RESTORE);
        ShowWindowRecord(window, SW_SHOW);
    });
}

bool SetFocus(WindowHandle window)
{
    if (!HandleIsLive(window))
        return false;
    return RunOnGui([window] {
        WindowRecord* rec = FindRecord(window);
        if (rec && rec->widget)
            rec->widget->setFocus(Qt::ShortcutFocusReason);
    });
}

WindowHandle GetFocus()
{
    return CallOnGui<WindowHandle>(
        [] {
            const QWidget* focused = QApplication::focusWidget();
            WindowRecord* rec = focused ? FindRecordAbove(focused) : nullptr;
            return rec ? rec->handle : WindowHandle(0);
        },
        WindowHandle(0));
}

bool IsWindowVisible(WindowHandle window)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(window);
            return rec && rec->widget && rec->widget->isVisible();
        },
        false);
}

bool EnableWindow(WindowHandle window, bool enable)
{
    auto apply = [window, enable] {
        WindowRecord* rec = FindRecord(window);
        if (!rec || !rec->widget)
            return false;
        const bool wasDisabled = !rec->widget->isEnabled();
        rec->widget->setEnabled(enable);
        return wasDisabled;
    };
    if (OnGuiThread())
        return apply();
    RunOnGui([apply] { apply(); });
    return false;
}

bool IsWindowEnabled(WindowHandle window)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(window);
            return rec && rec->widget && rec->widget->isEnabled();
        },
        false);
}

bool MoveWindow(WindowHandle window, int x, int y, int width, int height, bool)
{
    if (!HandleIsLive(window))
        return false;
    return RunOnGui([=] {
        if (WindowRecord* rec = FindRecord(window))
            moveRecord(*rec, x, y, width, height);
    });
}

bool SetWindowPos(WindowHandle window, WindowHandle, int x, int y, int cx, int cy, unsigned flags)
{
    if (!HandleIsLive(window))
        return false;
    return RunOnGui([=] {
        WindowRecord* rec = FindRecord(window);
        if (!rec || !rec->widget)
            return;
        const QRect now = placeOf(*rec);
        if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE))
            moveRecord(*rec, (flags & SWP_NOMOVE) ? now.x() : x, (flags & SWP_NOMOVE) ? now.y() : y,
                       (flags & SWP_NOSIZE) ? now.width() : cx, (flags & SWP_NOSIZE) ? now.height() : cy);
        if (flags & SWP_SHOWWINDOW)
            ShowWindowRecord(window, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
        else if (flags & SWP_HIDEWINDOW)
            ShowWindowRecord(window, SW_HIDE);
    });
}

bool GetClientRect(WindowHandle window, Rect* rect)
{
    return readRect(window, rect, [window](const WindowRecord& rec) {
        if (DialogWidget* dialog = DialogWidgetOf(window))
            return toRect(QRect(QPoint(0, 0), dialog->client()->size()));
        return toRect(QRect(QPoint(0, 0), rec.widget->size()));
    });
}

bool GetChildRect(WindowHandle window, Rect* rect)
{
    return readRect(window, rect, [](const WindowRecord& rec) { return toRect(placeOf(rec)); });
}

bool GetWindowRect(WindowHandle window, Rect* rect)
{
    return readRect(window, rect, [](const WindowRecord& rec) {
        QWidget* widget = rec.widget;
        if (widget->isWindow())
            return toRect(widget->frameGeometry());
        return toRect(QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
    });
}

Rect GetDesktopRect()
{
    return CallOnGui<Rect>(
        [] {
            const QScreen* screen = QGuiApplication::primaryScreen();
            return screen ? toRect(screen->geometry()) : Rect{};
        },
        Rect{});
}

bool InvalidateRect(WindowHandle window, const Rect*, bool)
{
    if (!HandleIsLive(window))
        return false;
    return RunOnGui([window] {
        WindowRecord* rec = FindRecord(window);
        if (rec && rec->widget)
            rec->widget->update();
    });
}

bool DestroyWindow(WindowHandle window)
{
    if (!HandleIsLive(window))
        return false;
    if (OnGuiThread())
        return DestroyWindowNow(window);
    return RunOnGui([window] { DestroyWindowNow(window); });
}

bool SetWindowFont(WindowHandle window, const C_WFont& font, bool)
{
    if (font.IsNull() || !HandleIsLive(window))
        return false;
    const QFont qfont = QFontOf(font);
    return RunOnGui([window, qfont] {
        WindowRecord* rec = FindRecord(window);
        if (!rec || !rec->widget)
            return;
        rec->widget->setFont(qfont);
        // Bars whose height follows the font take their new place at once.
        if (rec->kind == WindowKind::TabStrip)
            static_cast<TabStripWidget*>(rec->widget.data())->layoutBar();
        if (rec->kind == WindowKind::StatusBar)
            if (auto* client = dynamic_cast<ClientWidget*>(rec->widget->parentWidget()))
                client->layoutBottomBars();
    });
}

}  // namespace qarvo::ui
