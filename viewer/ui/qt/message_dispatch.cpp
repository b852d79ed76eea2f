// Delivery of messages to dialog procedures and control procedure chains, and what the
// default control procedure does.

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPointer>

#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/progress_bar.h"
#include "viewer/ui/qt/window_table.h"
#include "viewer/ui/window.h"

namespace qarvo::ui::detail {
namespace {

// Set by the default procedure while a hook chain runs (GUI thread only).
bool g_defaultReached = false;
// The cursor asked for during WM_SETCURSOR; 0 = none.
int g_cursorRequest = 0;

LResult callProcedure(const WindowProcedure& proc, WindowHandle handle, unsigned message, WParam wParam, LParam lParam)
{
    WindowHandle h = handle;
    unsigned m = message;
    WParam w = wParam;
    LParam l = lParam;
    return proc(h, m, w, l);
}

LResult defaultControlProcedure(WindowHandle handle, unsigned message, WParam wParam, LParam lParam)
{
    g_defaultReached = true;
    WindowRecord* rec = FindRecord(handle);
    if (!rec)
        return 0;
    switch (rec->kind) {
    case WindowKind::ProgressBar:
        return ProgressMessage(*rec, message, wParam, lParam);
    case WindowKind::Static:
    case WindowKind::Picture:
        // A notifying static tells its dialog about a click on the press, as it always did.
        if (message == WM_LBUTTONDOWN && (rec->style & SS_NOTIFY))
            SendCommand(rec->dialog, rec->id, STN_CLICKED, handle);
        return 0;
    default:
        return 0;
    }
}

// Turns mouse events on controls with an installed procedure into WM_SETCURSOR and button
// messages for that procedure.
class ControlHookFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        WindowRecord* rec = FindRecordOfWidget(widget);
        if (!rec || !rec->proc)
            return false;
        const WindowHandle handle = rec->handle;
        switch (event->type()) {
        case QEvent::Enter: {
            DispatchScope scope;
            const int saved = g_cursorRequest;
            g_cursorRequest = 0;
            // lParam: hit test "client" and the mouse message, as the classic message had.
            RunControlHook(handle, WM_SETCURSOR, static_cast<WParam>(handle), MakeLParam(1, WM_MOUSEMOVE));
            const int asked = g_cursorRequest;
            g_cursorRequest = saved;
            QPointer<QWidget> alive = widget;
            if (alive) {
                if (asked == IDC_HAND)
                    alive->setCursor(Qt::PointingHandCursor);
                else if (asked == IDC_ARROW)
                    alive->setCursor(Qt::ArrowCursor);
                else
                    alive->unsetCursor();
            }
            return false;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            const QPoint at = mouse->position().toPoint();
            const unsigned message = event->type() == QEvent::MouseButtonPress ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            DispatchScope scope;
            const bool reached = RunControlHook(handle, message, MK_LBUTTON,
                                                MakeLParam(static_cast<unsigned>(at.x()), static_cast<unsigned>(at.y())));
            // A procedure that keeps the click to itself keeps it from the widget too.
            return !reached;
        }
        default:
            return false;
        }
    }
};

ControlHookFilter* hookFilter()
{
    static QPointer<ControlHookFilter> filter;
    if (!filter)
        filter = new ControlHookFilter(QCoreApplication::instance());
    return filter;
}

}  // namespace

LResult SendToWindow(WindowHandle handle, unsigned message, WParam wParam, LParam lParam)
{
    WindowRecord* rec = FindRecord(handle);
    if (!rec)
        return 0;
    if (rec->kind == WindowKind::Dialog) {
        // A copy: the procedure may destroy its own window.
        const WindowProcedure proc = rec->proc;
        const LResult result = proc ? callProcedure(proc, handle, message, wParam, lParam) : 0;
        if (result == 0 && message == WM_CLOSE) {
            // An unhandled close is a cancel, posted like the dialog manager did.
            PostToGui([handle] {
                WindowRecord* dialog = FindRecord(handle);
                if (!dialog || dialog->destroying)
                    return;
                WindowRecord* cancel = FindControl(handle, IDCANCEL);
                SendCommand(handle, IDCANCEL, BN_CLICKED, cancel ? cancel->handle : 0);
            });
        }
        return result;
    }
    const WindowProcedure proc = rec->proc;
    if (!proc)
        return defaultControlProcedure(handle, message, wParam, lParam);
    return callProcedure(proc, handle, message, wParam, lParam);
}

bool RunControlHook(WindowHandle handle, unsigned message, WParam wParam, LParam lParam)
{
    const bool saved = g_defaultReached;
    g_defaultReached = false;
    SendToWindow(handle, message, wParam, lParam);
    const bool reached = g_defaultReached;
    g_defaultReached = saved;
    return reached;
}

void SendCommand(WindowHandle dialog, int id, unsigned code, WindowHandle control)
{
    SendToWindow(dialog, WM_COMMAND, MakeWParam(static_cast<unsigned>(id), code), control);
}

}  // namespace qarvo::ui::detail

namespace qarvo::ui {

using namespace detail;

LResult SendMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam)
{
    return CallOnGui<LResult>([&] { return SendToWindow(window, message, wParam, lParam); }, 0);
}

bool PostMessage(WindowHandle window, unsigned message, WParam wParam, LParam lParam)
{
    if (message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(wParam));
        return true;
    }
    if (!HandleIsLive(window))
        return false;
    return PostToGui([=] { SendToWindow(window, message, wParam, lParam); });
}

void PostQuitMessage(int exitCode)
{
    // Queued, so that a quit posted before the loop runs still ends it once it does.
    PostToGui([exitCode] { QuitLoops(exitCode); });
}

WindowProcedure SetWindowProcedure(WindowHandle control, WindowProcedure proc)
{
    return CallOnGui<WindowProcedure>(
        [&]() -> WindowProcedure {
            WindowRecord* rec = FindRecord(control);
            if (!rec || rec->kind == WindowKind::Dialog)
                return nullptr;
            WindowProcedure previous = rec->proc;
            if (!previous)
                previous = [](WindowHandle& h, unsigned& m, WParam& w, LParam& l) { return DefWindowProcedure(h, m, w, l); };
            rec->proc = std::move(proc);
            if (rec->widget && !rec->widget->property("qarvo_hooked").toBool()) {
                rec->widget->installEventFilter(hookFilter());
                rec->widget->setProperty("qarvo_hooked", true);
            }
            return previous;
        },
        nullptr);
}

LResult CallWindowProcedure(const WindowProcedure& proc, WindowHandle window, unsigned message, WParam wParam,
                            LParam lParam)
{
    if (!proc)
        return 0;
    return callProcedure(proc, window, message, wParam, lParam);
}

LResult DefWindowProcedure(WindowHandle window, unsigned message, WParam wParam, LParam lParam)
{
    return CallOnGui<LResult>([&] { return defaultControlProcedure(window, message, wParam, lParam); }, 0);
}

void SetCursor(int cursorId)
{
    if (OnGuiThread())
        g_cursorRequest = cursorId;
}

}  // namespace qarvo::ui
