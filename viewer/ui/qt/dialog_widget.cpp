#include "viewer/ui/qt/dialog_widget.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>

#include "viewer/ui/messages.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {

void NotifyClientSize(WindowHandle dialog)
{
    WindowRecord* rec = FindRecord(dialog);
    if (!rec || !rec->initialized || rec->destroying)
        return;
    DialogWidget* widget = DialogWidgetOf(dialog);
    if (!widget)
        return;
    const QSize size = widget->client()->size();
    if (size.width() == rec->sentWidth && size.height() == rec->sentHeight)
        return;
    rec->sentWidth = size.width();
    rec->sentHeight = size.height();
    DispatchScope scope;
    SendToWindow(dialog, WM_SIZE, SIZE_RESTORED,
                 MakeLParam(static_cast<unsigned>(size.width()), static_cast<unsigned>(size.height())));
}

void ClientWidget::addBottomBar(QWidget* bar)
{
    m_bottomBars.emplace_back(bar);
    layoutBottomBars();
}

void ClientWidget::layoutBottomBars()
{
    for (const QPointer<QWidget>& bar : m_bottomBars) {
        if (!bar)
            continue;
        const int h = bar->sizeHint().height();
        bar->setGeometry(0, height() - h, width(), h);
    }
}

void ClientWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutBottomBars();
    NotifyClientSize(dialog);
}

DialogWidget::DialogWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), m_client(new ClientWidget(this))
{
}

void DialogWidget::setMenuBar(QMenuBar* menuBar)
{
    m_menuBar = menuBar;
    layoutClient();
}

int DialogWidget::menuHeight() const
{
    return m_menuBar ? m_menuBar->sizeHint().height() : 0;
}

QAction* DialogWidget::findMenuAction(int id) const
{
    if (!m_menuBar)
        return nullptr;
    std::vector<QMenu*> menus;
    for (QAction* top : m_menuBar->actions())
        if (top->menu())
            menus.push_back(top->menu());
    for (size_t i = 0; i < menus.size(); ++i)
        for (QAction* action : menus[i]->actions()) {
            if (action->menu())
                menus.push_back(action->menu());
            else if (!action->isSeparator() && action->data().toInt() == id)
                return action;
        }
    return nullptr;
}

void DialogWidget::setClientSize(int width, int height)
{
    setOuterSize(width, height + menuHeight());
}

void DialogWidget::setOuterSize(int width, int height)
{
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    if (isWindow() && !resizable)
        setFixedSize(width, height);
    else
        resize(width, height);
    // Hidden widgets get their resize events only when shown; the client must follow now.
    layoutClient();
}

void DialogWidget::layoutClient()
{
    const int menu = menuHeight();
    if (m_menuBar)
        m_menuBar->setGeometry(0, 0, width(), menu);
    m_client->setGeometry(0, menu, width(), height() - menu < 0 ? 0 : height() - menu);
    m_client->layoutBottomBars();
    NotifyClientSize(handle);
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    // The procedure decides; a window goes only by DestroyWindow.
    event->ignore();
    WindowRecord* rec = FindRecord(handle);
    if (!rec || rec->destroying)
        return;
    DispatchScope scope;
    SendToWindow(handle, WM_CLOSE, 0, 0);
}

void DialogWidget::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isWindow())
        return;
    WindowRecord* rec = FindRecord(handle);
    if (!rec || !rec->initialized || rec->destroying)
        return;
    DispatchScope scope;
    SendToWindow(handle, WM_ACTIVATE, isActiveWindow() ? WA_ACTIVE : WA_INACTIVE, 0);
}

void DialogWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutClient();
}

DialogWidget* DialogWidgetOf(WindowHandle dialog)
{
    WindowRecord* rec = FindRecord(dialog);
    if (!rec || rec->kind != WindowKind::Dialog)
        return nullptr;
    return dynamic_cast<DialogWidget*>(rec->widget.data());
}

}  // namespace qarvo::ui::detail
