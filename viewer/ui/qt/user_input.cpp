// User input delivered as the toolkit's own mouse and key events.

#include "viewer/ui/user_input.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTabBar>

#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/tab_strip_widget.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

QWidget* widgetOf(WindowHandle handle)
{
    WindowRecord* rec = FindRecord(handle);
    return rec && !rec->destroying ? rec->widget.data() : nullptr;
}

QWidget* clientOf(WindowHandle dialog)
{
    WindowRecord* rec = FindRecord(dialog);
    if (!rec || rec->kind != WindowKind::Dialog || !rec->widget)
        return nullptr;
    auto* widget = dynamic_cast<DialogWidget*>(rec->widget.data());
    return widget ? widget->client() : rec->widget.data();
}

// Press and release at `local` in `widget`, as the pointer would deliver them. A handler may
// destroy the widget on the press.
void clickWidget(QWidget* widget, QPoint local)
{
    QPointer<QWidget> target = widget;
    const QPointF global = widget->mapToGlobal(QPointF(local));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    if (!target)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(local), global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// The deepest shown widget at `point` of `area`.
void clickInside(QWidget* area, QPoint point)
{
    QWidget* target = area->childAt(point);
    if (!target)
        target = area;
    clickWidget(target, target->mapFrom(area, point));
}

// Input is checked at once but delivered later, from the event loop, as a person's input is:
// a click that opens a modal dialog then runs that dialog's loop without keeping the caller
// waiting for it to close.
template <class Find, class Act>
bool postInput(Find find, Act act)
{
    if (!CallOnGui<bool>([&] { return find() != nullptr; }, false))
        return false;
    return PostToGui([find, act] {
        if (auto* target = find())
            act(target);
    });
}

}  // namespace

void WaitForInputHandled()
{
    // Each round trip runs after everything queued before it, including what the previous
    // generation posted while it was handled.
    constexpr int kGenerations = 4;
    for (int i = 0; i < kGenerations; ++i)
        CallOnGui<bool>([] { return true; }, false);
}

bool ClickControl(WindowHandle control)
{
    return postInput(
        [control]() -> QWidget* {
            QWidget* widget = widgetOf(control);
            return widget && widget->isVisible() ? widget : nullptr;
        },
        [](QWidget* widget) { clickInside(widget, widget->rect().center()); });
}

bool ClickAt(WindowHandle dialog, int x, int y)
{
    return postInput(
        [dialog, x, y]() -> QWidget* {
            QWidget* client = clientOf(dialog);
            return client && client->isVisible() && client->rect().contains(x, y) ? client : nullptr;
        },
        [x, y](QWidget* client) { clickInside(client, QPoint(x, y)); });
}

bool PressButton(WindowHandle button)
{
    return postInput(
        [button]() -> QAbstractButton* {
            auto* widget = qobject_cast<QAbstractButton*>(widgetOf(button));
            return widget && widget->isVisible() && widget->isEnabled() ? widget : nullptr;
        },
        [](QAbstractButton* widget) { widget->click(); });
}

namespace {

// A key press and release on the focused widget of the dialog (or the dialog itself).
bool pressOn(WindowHandle dialog, int code, Qt::KeyboardModifiers modifiers, const QString& text)
{
    return postInput([dialog]() -> QWidget* { return widgetOf(dialog); },
                     [code, modifiers, text](QWidget* widget) {
                         QPointer<QWidget> target = widget->focusWidget() ? widget->focusWidget() : widget;
                         QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
                         QCoreApplication::sendEvent(target, &press);
                         if (target) {
                             QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
                             QCoreApplication::sendEvent(target, &release);
                         }
                     });
}

}  // namespace

bool PressKey(WindowHandle dialog, UserKey key)
{
    const int code = key == UserKey::Escape ? Qt::Key_Escape : key == UserKey::Enter ? Qt::Key_Return : Qt::Key_Tab;
    return pressOn(dialog, code, Qt::NoModifier, QString());
}

bool PressControlKey(WindowHandle dialog, char letter)
{
    if (letter < 'A' || letter > 'Z')
        return false;
    return pressOn(dialog, Qt::Key_A + (letter - 'A'), Qt::ControlModifier, QString(QChar(letter - 'A' + 1)));
}

bool ChooseMenuCommand(WindowHandle dialog, int id)
{
    return postInput(
        [dialog, id]() -> QAction* {
            auto* widget = dynamic_cast<DialogWidget*>(widgetOf(dialog));
            QAction* action = widget ? widget->findMenuAction(id) : nullptr;
            return action && action->isEnabled() ? action : nullptr;
        },
        [](QAction* action) { action->trigger(); });
}

bool SelectTabAsUser(WindowHandle tabStrip, int index)
{
    return postInput(
        [tabStrip, index]() -> QTabBar* {
            WindowRecord* rec = FindRecord(tabStrip);
            if (!rec || rec->kind != WindowKind::TabStrip || !rec->widget)
                return nullptr;
            QTabBar* bar = static_cast<TabStripWidget*>(rec->widget.data())->bar();
            return index >= 0 && index < bar->count() ? bar : nullptr;
        },
        // Not the strip's own programmatic change: the dialog hears of it as of a click.
        [index](QTabBar* bar) { bar->setCurrentIndex(index); });
}

}  // namespace qarvo::ui
