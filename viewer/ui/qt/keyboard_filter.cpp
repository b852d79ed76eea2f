// Enter and Escape in dialogs, as the dialog manager handled them: Enter presses the focused
// push button or else the default button, Escape is IDCANCEL. And the window's accelerators
// (Ctrl with a letter), wherever the focus is in it.

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include "viewer/ui/dialog_template.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/dialog_builder.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {
namespace {

WindowRecord* defaultButton(WindowHandle dialog)
{
    WindowRecord* found = FindControl(dialog, IDOK);
    for (WindowHandle h : Descendants(dialog)) {
        WindowRecord* rec = FindRecord(h);
        if (rec && rec->dialog == dialog && rec->kind == WindowKind::Button &&
            (rec->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return rec;
    }
    return found;
}

// The accelerator of the dialog's template for this key press; 0 when none.
int acceleratorOf(const WindowRecord& dialog, const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    if (!dialog.tpl || !(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
        return 0;
    const int key = event.key();
    const bool letter = key >= Qt::Key_A && key <= Qt::Key_Z;
    if (!letter && !(key >= Qt::Key_0 && key <= Qt::Key_9))
        return 0;
    const char wanted = static_cast<char>(letter ? 'A' + (key - Qt::Key_A) : '0' + (key - Qt::Key_0));
    const unsigned modifiers = FCONTROL | ((mods & Qt::ShiftModifier) ? FSHIFT : 0u);
    for (const AcceleratorTemplate& a : FindAccelerators(dialog.tpl->id))
        if (a.key == wanted && a.modifiers == modifiers)
            return a.id;
    return 0;
}

class DialogKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        const bool accelerator = (keyEvent->modifiers() & Qt::ControlModifier) != 0;
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape && !accelerator)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        QWidget* window = widget->window();
        // An open drop-down list keeps its own keys.
        if ((window->windowFlags() & Qt::Popup) == Qt::Popup)
            return false;
        WindowRecord* top = FindRecordOfWidget(window);
        if (!top || top->kind != WindowKind::Dialog || !top->keys || top->destroying)
            return false;
        const WindowHandle dialog = top->handle;
        if (const int id = accelerator ? acceleratorOf(*top, *keyEvent) : 0) {
            DispatchScope scope;
            SendCommand(dialog, id, 1, 0);
            return true;
        }
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
            return false;
        DispatchScope scope;
        if (key == Qt::Key_Escape) {
            WindowRecord* cancel = FindControl(dialog, IDCANCEL);
            if (cancel && cancel->widget && !cancel->widget->isEnabled())
                return true;
            SendCommand(dialog, IDCANCEL, BN_CLICKED, cancel ? cancel->handle : 0);
            return true;
        }
        WindowRecord* focused = FindRecordAbove(widget);
        if (focused && focused->kind == WindowKind::Button) {
            SendCommand(focused->dialog, focused->id, BN_CLICKED, focused->handle);
            return true;
        }
        // A multi-line edit that can be written takes Enter as a line break.
        if (focused && focused->kind == WindowKind::Edit && (focused->style & ES_MULTILINE) &&
            !(focused->style & ES_READONLY))
            return false;
        WindowRecord* button = defaultButton(dialog);
        if (button && button->widget && !button->widget->isEnabled())
            return true;
        SendCommand(dialog, button ? button->id : IDOK, BN_CLICKED, button ? button->handle : 0);
        return true;
    }
};

}  // namespace

void EnsureKeyboardFilter()
{
    static QPointer<DialogKeyFilter> filter;
    if (filter || !QCoreApplication::instance())
        return;
    filter = new DialogKeyFilter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
}

}  // namespace qarvo::ui::detail
