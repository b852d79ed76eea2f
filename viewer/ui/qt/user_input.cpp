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

}  // namespace

bool ClickControl(WindowHandle control)
{
    return CallOnGui<bool>(
        [&] {
            QWidget* widget = widgetOf(control);
            if (!widget || !widget->isVisible())
                return false;
            clickInside(widget, widget->rect().center());
            return true;
        },
        false);
}

bool ClickAt(WindowHandle dialog, int x, int y)
{
    return CallOnGui<bool>(
        [&] {
            QWidget* client = clientOf(dialog);
            if (!client || !client->isVisible() || !client->rect().contains(x, y))
                return false;
            clickInside(client, QPoint(x, y));
            return true;
        },
        false);
}

bool PressButton(WindowHandle button)
{
    return CallOnGui<bool>(
        [&] {
            auto* widget = qobject_cast<QAbstractButton*>(widgetOf(button));
            if (!widget || !widget->isVisible() || !widget->isEnabled())
                return false;
            widget->click();
            return true;
        },
        false);
}

bool PressKey(WindowHandle dialog, UserKey key)
{
    return CallOnGui<bool>(
        [&] {
            QWidget* widget = widgetOf(dialog);
            if (!widget)
                return false;
            QPointer<QWidget> target = widget->focusWidget() ? widget->focusWidget() : widget;
            const int code = key == UserKey::Escape ? Qt::Key_Escape : key == UserKey::Enter ? Qt::Key_Return : Qt::Key_Tab;
            QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &press);
            if (target) {
                QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier);
                QCoreApplication::sendEvent(target, &release);
            }
            return true;
        },
        false);
}

bool ChooseMenuCommand(WindowHandle dialog, int id)
{
    return CallOnGui<bool>(
        [&] {
            auto* widget = dynamic_cast<DialogWidget*>(widgetOf(dialog));
            QAction* action = widget ? widget->findMenuAction(id) : nullptr;
            if (!action || !action->isEnabled())
                return false;
            action->trigger();
            return true;
        },
        false);
}

bool SelectTabAsUser(WindowHandle tabStrip, int index)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(tabStrip);
            if (!rec || rec->kind != WindowKind::TabStrip || !rec->widget)
                return false;
            QTabBar* bar = static_cast<TabStripWidget*>(rec->widget.data())->bar();
            if (index < 0 || index >= bar->count())
                return false;
            // Not the strip's own programmatic change: the dialog hears of it as of a click.
            bar->setCurrentIndex(index);
            return true;
        },
        false);
}

}  // namespace qarvo::ui
