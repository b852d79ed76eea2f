#include "viewer/ui/qt/dialog_builder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "viewer/ui/font.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/font_impl.h"
#include "viewer/ui/qt/list_view_widget.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/qt/status_bar_widget.h"
#include "viewer/ui/qt/tab_strip_widget.h"

namespace qarvo::ui::detail {
namespace {

QRect pixelRect(const ControlTemplate& ct)
{
    return QRect(DialogUnitsToPixelsX(ct.x), DialogUnitsToPixelsY(ct.y), DialogUnitsToPixelsX(ct.cx),
                 DialogUnitsToPixelsY(ct.cy));
}

// The dialog font: points at 96 dots per inch, as a character height.
QFont dialogFont(const DialogTemplate& tpl)
{
    if (!tpl.fontFace)
        return QFont();
    const int pixels = (tpl.fontPoints * 96 + 36) / 72;
    C_WFont font;
    font.MakeFontEx(C_WString(tpl.fontFace), -pixels, 400, false, false, false);
    return QFontOf(font);
}

void connectClick(QAbstractButton* button, WindowHandle handle)
{
    QObject::connect(button, &QAbstractButton::clicked, button, [handle] {
        DispatchScope scope;
        if (WindowRecord* rec = FindRecord(handle))
            SendCommand(rec->dialog, rec->id, BN_CLICKED, handle);
    });
}

void connectCombo(QComboBox* combo, WindowHandle handle)
{
    // activated is the user's choice only; a selection made by program sends nothing.
    QObject::connect(combo, &QComboBox::activated, combo, [handle](int) {
        DispatchScope scope;
        if (WindowRecord* rec = FindRecord(handle))
            SendCommand(rec->dialog, rec->id, CBN_SELCHANGE, handle);
    });
    if (QLineEdit* edit = combo->lineEdit())
        QObject::connect(edit, &QLineEdit::textEdited, combo, [handle](const QString&) {
            DispatchScope scope;
            if (WindowRecord* rec = FindRecord(handle))
                SendCommand(rec->dialog, rec->id, CBN_EDITCHANGE, handle);
        });
}

struct MadeWidget {
    QWidget* widget = nullptr;
    WindowKind kind = WindowKind::Static;
};

MadeWidget makeWidget(QWidget* container, const ControlTemplate& ct)
{
    const QString text = ToQString(ct.text);
    switch (ct.cls) {
    case ControlClass::Static: {
        const bool picture = (ct.style & SS_TYPEMASK) == SS_BITMAP;
        auto* label = new StaticWidget(container, ct.style);
        if (!picture)
            label->setText(text);
        return {label, picture ? WindowKind::Picture : WindowKind::Static};
    }
    case ControlClass::Button:
        switch (ct.style & BS_TYPEMASK) {
        case BS_GROUPBOX: {
            auto* group = new QGroupBox(text, container);
            // A frame drawn around other controls must not take their clicks.
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            return {group, WindowKind::GroupBox};
        }
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            return {new QCheckBox(text, container), WindowKind::CheckBox};
        default: {
            auto* button = new QPushButton(text, container);
            button->setAutoDefault(false);
            button->setDefault((ct.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
            return {button, WindowKind::Button};
        }
        }
    case ControlClass::Edit: {
        if (ct.style & ES_MULTILINE) {
            auto* edit = new QPlainTextEdit(text, container);
            edit->setReadOnly((ct.style & ES_READONLY) != 0);
            edit->setVerticalScrollBarPolicy((ct.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
            // Without a horizontal scroll style, lines wrap at the edge as they always did.
            edit->setHorizontalScrollBarPolicy((ct.style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode((ct.style & (WS_HSCROLL | ES_AUTOHSCROLL)) ? QPlainTextEdit::NoWrap
                                                                              : QPlainTextEdit::WidgetWidth);
            return {edit, WindowKind::Edit};
        }
        auto* edit = new QLineEdit(text, container);
        edit->setReadOnly((ct.style & ES_READONLY) != 0);
        if (ct.style & ES_NUMBER)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        return {edit, WindowKind::Edit};
    }
    case ControlClass::ComboBox: {
        auto* combo = new QComboBox(container);
        const uint32_t type = ct.style & 3;
        combo->setEditable(type == CBS_DROPDOWN || type == CBS_SIMPLE);
        combo->setInsertPolicy(QComboBox::NoInsert);
        if (QLineEdit* edit = combo->lineEdit())
            edit->setText(text);
        return {combo, WindowKind::ComboBox};
    }
    case ControlClass::ListView:
        return {new ListViewWidget(container, ct.style), WindowKind::ListView};
    case ControlClass::ProgressBar: {
        auto* bar = new QProgressBar(container);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return {bar, WindowKind::ProgressBar};
    }
    case ControlClass::TabStrip:
        return {new TabStripWidget(container), WindowKind::TabStrip};
    case ControlClass::StatusBar:
        return {new StatusBarWidget(container), WindowKind::StatusBar};
    }
    return {};
}

// "Ctrl+Q" for the accelerator of a menu command, shown beside its item; empty when none.
QString acceleratorText(std::span<const AcceleratorTemplate> accelerators, int id)
{
    for (const AcceleratorTemplate& a : accelerators) {
        if (a.id != id)
            continue;
        QString text;
        if (a.modifiers & FCONTROL)
            text += QStringLiteral("Ctrl+");
        if (a.modifiers & FSHIFT)
            text += QStringLiteral("Shift+");
        return text + QChar(a.key);
    }
    return QString();
}

QMenuBar* buildMenuBar(const MenuTemplate& menu, std::span<const AcceleratorTemplate> accelerators, WindowHandle dialog,
                       QWidget* parent)
{
    auto* bar = new QMenuBar(parent);
    bar->setNativeMenuBar(false);
    for (const MenuPopupTemplate& popup : menu.popups) {
        QMenu* sub = bar->addMenu(ToQString(popup.text));
        for (const MenuItemTemplate& item : popup.items) {
            if (item.id == 0) {
                sub->addSeparator();
                continue;
            }
            QAction* action = sub->addAction(ToQString(item.text));
            // Shown beside the item; the key itself goes through the accelerator table (the
            // window's key filter), so the action's own shortcut only counts while its menu
            // is open.
            if (const QString key = acceleratorText(accelerators, item.id); !key.isEmpty()) {
                action->setShortcut(QKeySequence(key));
                action->setShortcutContext(Qt::WidgetShortcut);
            }
            action->setData(item.id);
            const int id = item.id;
            // A menu command: notification code 0 and no control.
            QObject::connect(action, &QAction::triggered, action, [dialog, id] {
                DispatchScope scope;
                SendCommand(dialog, id, 0, 0);
            });
        }
    }
    return bar;
}

}  // namespace

WindowRecord* CreateControlIn(WindowHandle dialog, QWidget* container, const ControlTemplate& ct)
{
    MadeWidget made = makeWidget(container, ct);
    if (!made.widget)
        return nullptr;
    WindowRecord& rec = AddRecord(made.kind, made.widget);
    rec.cls = ct.cls;
    rec.id = ct.id;
    rec.style = ct.style;
    rec.parent = dialog;
    rec.dialog = dialog;
    switch (made.kind) {
    case WindowKind::Button:
    case WindowKind::CheckBox:
        connectClick(static_cast<QAbstractButton*>(made.widget), rec.handle);
        break;
    case WindowKind::ComboBox:
        connectCombo(static_cast<QComboBox*>(made.widget), rec.handle);
        break;
    default:
        break;
    }
    made.widget->setGeometry(pixelRect(ct));
    made.widget->setEnabled((ct.style & WS_DISABLED) == 0);
    made.widget->setVisible((ct.style & WS_VISIBLE) != 0);
    if (made.kind == WindowKind::GroupBox)
        made.widget->lower();
    return &rec;
}

WindowHandle BuildDialog(const DialogRequest& request)
{
    const DialogTemplate* tpl = request.tpl;
    if (!tpl)
        return 0;
    WindowRecord* parentRec = request.parent ? FindRecord(request.parent) : nullptr;
    if (request.parent && (!parentRec || !parentRec->widget || parentRec->destroying))
        return 0;
    const bool child = (tpl->style & WS_CHILD) != 0;
    if (child && !parentRec)
        return 0;

    QWidget* parentWidget = nullptr;
    Qt::WindowFlags flags = Qt::Widget;
    if (child) {
        // A page inside a dialog sits in its client area; inside a control (the tab strip),
        // in the control itself.
        DialogWidget* parentDialog = DialogWidgetOf(request.parent);
        parentWidget = parentDialog ? parentDialog->client() : parentRec->widget.data();
    } else {
        parentWidget = parentRec ? parentRec->widget->window() : nullptr;
        flags = (parentWidget ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (tpl->style & WS_SYSMENU)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (tpl->style & WS_MINIMIZEBOX)
            flags |= Qt::WindowMinimizeButtonHint;
        if (tpl->style & WS_MAXIMIZEBOX)
            flags |= Qt::WindowMaximizeButtonHint;
    }

    auto* widget = new DialogWidget(parentWidget, flags);
    WindowRecord& rec = AddRecord(WindowKind::Dialog, widget);
    const WindowHandle handle = rec.handle;
    widget->handle = handle;
    widget->client()->dialog = handle;
    widget->resizable = (tpl->style & WS_THICKFRAME) != 0;
    rec.tpl = tpl;
    rec.proc = request.proc;
    rec.parent = request.parent;
    rec.dialog = handle;
    rec.style = tpl->style;
    rec.modal = request.modal;
    rec.keys = request.modal;
    rec.modalLoop = request.modalLoop;
    rec.text = C_WString(tpl->caption ? tpl->caption : u"");
    widget->setWindowTitle(ToQString(tpl->caption));
    widget->setFont(dialogFont(*tpl));
    if (tpl->menuId)
        if (const MenuTemplate* menu = FindMenuTemplate(tpl->menuId))
            widget->setMenuBar(buildMenuBar(*menu, FindAccelerators(tpl->id), handle, widget));
    widget->setClientSize(DialogUnitsToPixelsX(tpl->cx), DialogUnitsToPixelsY(tpl->cy));
    // A window that may be resized never gets smaller than its template: the layout is made
    // for that size and only grows from it.
    if (widget->resizable && widget->isWindow())
        widget->setMinimumSize(widget->size());
    for (const ControlTemplate& ct : tpl->controls)
        CreateControlIn(handle, widget->client(), ct);
    if (request.modal)
        widget->setWindowModality(Qt::ApplicationModal);
    if (child)
        widget->setVisible(false);
    EnsureKeyboardFilter();

    SendToWindow(handle, WM_INITDIALOG, 0, request.param);
    WindowRecord* after = FindRecord(handle);
    if (!after || after->destroying)
        return 0;
    after->initialized = true;
    after->sentWidth = widget->client()->width();
    after->sentHeight = widget->client()->height();
    if (!request.modal && (tpl->style & WS_VISIBLE) && widget->isHidden())
        ShowWindowRecord(handle, SW_SHOW);
    return handle;
}

bool ShowWindowRecord(WindowHandle handle, int command)
{
    WindowRecord* rec = FindRecord(handle);
    if (!rec || !rec->widget)
        return false;
    const bool wasVisible = !rec->widget->isHidden();
    const bool show = command != SW_HIDE;
    if (rec->kind == WindowKind::Dialog && show != wasVisible) {
        SendToWindow(handle, WM_SHOWWINDOW, show ? 1 : 0, 0);
        rec = FindRecord(handle);
        if (!rec || !rec->widget)
            return wasVisible;
    }
    QWidget* widget = rec->widget;
    if (widget->isWindow() && (command == SW_MINIMIZE || command == SW_MAXIMIZE || command == SW_RESTORE)) {
        // Restoring a window minimized from maximized gives it back maximized, as it was.
        Qt::WindowStates state = widget->windowState();
        if (command == SW_MINIMIZE)
            state |= Qt::WindowMinimized;
        else if (command == SW_MAXIMIZE)
            state = (state & ~Qt::WindowMinimized) | Qt::WindowMaximized;
        else
            state &= (state & Qt::WindowMinimized) ? ~Qt::WindowMinimized : ~Qt::WindowMaximized;
        widget->setWindowState(state);
    }
    widget->setVisible(show);
    if (show && widget->isWindow() && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE && command != SW_MINIMIZE) {
        // The headless platform has no stacking order and says so on every raise.
        if (QGuiApplication::platformName() != QStringLiteral("offscreen"))
            widget->raise();
        widget->activateWindow();
    }
    return wasVisible;
}

}  // namespace qarvo::ui::detail
