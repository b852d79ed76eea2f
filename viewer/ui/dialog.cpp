#include "viewer/ui/dialog.h"

#include <QEventLoop>
#include <QPointer>

#include "viewer/ui/messages.h"
#include "viewer/ui/window.h"
#include "viewer/ui/qt/dialog_builder.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

// Round half away from zero, as the classic MulDiv does.
int mulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

void centreOnOwner(QWidget* dialog, QWidget* owner)
{
    if (!owner)
        return;
    const QRect outer = owner->window()->frameGeometry();
    const QSize size = dialog->frameGeometry().size();
    dialog->move(outer.x() + (outer.width() - size.width()) / 2, outer.y() + (outer.height() - size.height()) / 2);
}

intptr_t runModal(int templateId, WindowHandle owner, const WindowProcedure& proc, LParam param)
{
    const DialogTemplate* tpl = FindDialogTemplate(templateId);
    if (!tpl)
        return -1;
    QEventLoop loop;
    DialogRequest request;
    request.tpl = tpl;
    request.parent = owner;
    request.proc = proc;
    request.param = param;
    request.modal = true;
    request.modalLoop = &loop;
    const WindowHandle handle = BuildDialog(request);
    if (!handle)
        return -1;
    WindowRecord* rec = FindRecord(handle);
    if (rec && !rec->ended && !rec->destroying) {
        QPointer<QWidget> widget = rec->widget;
        WindowRecord* ownerRec = FindRecord(owner);
        centreOnOwner(widget, ownerRec ? ownerRec->widget.data() : nullptr);
        ShowWindowRecord(handle, SW_SHOW);
        rec = FindRecord(handle);
        if (rec && !rec->ended && !rec->destroying) {
            LoopScope scope(&loop, false);
            loop.exec();
        }
    }
    rec = FindRecord(handle);
    if (!rec)
        return 0;
    const intptr_t result = rec->ended ? rec->result : 0;
    rec->modalLoop = nullptr;
    DestroyWindowNow(handle);
    return result;
}

}  // namespace

const char* ControlClassName(ControlClass cls)
{
    switch (cls) {
    case ControlClass::Static:
        return "Static";
    case ControlClass::Button:
        return "Button";
    case ControlClass::Edit:
        return "Edit";
    case ControlClass::ComboBox:
        return "ComboBox";
    case ControlClass::ListView:
        return "SysListView32";
    case ControlClass::ProgressBar:
        return "msctls_progress32";
    case ControlClass::TabStrip:
        return "SysTabControl32";
    case ControlClass::StatusBar:
        return "msctls_statusbar32";
    }
    return "";
}

int DialogUnitsToPixelsX(int units)
{
    return mulDiv(units, kDialogBaseUnitX, 4);
}

int DialogUnitsToPixelsY(int units)
{
    return mulDiv(units, kDialogBaseUnitY, 8);
}

WindowHandle CreateDialogFromTemplate(int templateId, WindowHandle parent, WindowProcedure proc, LParam param)
{
    return CallOnGui<WindowHandle>(
        [&]() -> WindowHandle {
            DialogRequest request;
            request.tpl = FindDialogTemplate(templateId);
            request.parent = parent;
            request.proc = std::move(proc);
            request.param = param;
            return BuildDialog(request);
        },
        0);
}

intptr_t DialogBoxFromTemplate(int templateId, WindowHandle owner, WindowProcedure proc, LParam param)
{
    return CallOnGui<intptr_t>([&] { return runModal(templateId, owner, proc, param); }, -1);
}

bool EndDialog(WindowHandle dialog, intptr_t result)
{
    if (!HandleIsLive(dialog))
        return false;
    return RunOnGui([dialog, result] {
        WindowRecord* rec = FindRecord(dialog);
        if (!rec || rec->kind != WindowKind::Dialog)
            return;
        if (!rec->modal) {
            ShowWindowRecord(dialog, SW_HIDE);
            return;
        }
        rec->ended = true;
        rec->result = result;
        if (rec->modalLoop)
            rec->modalLoop->exit(0);
    });
}

bool RegisterDialogKeys(WindowHandle dialog)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(dialog);
            if (!rec || rec->kind != WindowKind::Dialog)
                return false;
            rec->keys = true;
            return true;
        },
        false);
}

bool UnregisterDialogKeys(WindowHandle dialog)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(dialog);
            if (!rec || rec->kind != WindowKind::Dialog)
                return false;
            rec->keys = rec->modal;
            return true;
        },
        false);
}

bool MapDialogRect(WindowHandle dialog, Rect* rect)
{
    if (!rect || !IsWindow(dialog))
        return false;
    rect->left = DialogUnitsToPixelsX(rect->left);
    rect->right = DialogUnitsToPixelsX(rect->right);
    rect->top = DialogUnitsToPixelsY(rect->top);
    rect->bottom = DialogUnitsToPixelsY(rect->bottom);
    return true;
}

}  // namespace qarvo::ui
