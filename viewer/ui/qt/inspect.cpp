// Reading the windows for dumps: one pass over the window table on the GUI thread.

#include "viewer/ui/inspect.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QTabBar>
#include <algorithm>

#include "viewer/ui/qt/dialog_widget.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/list_view_widget.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/qt/tab_strip_widget.h"
#include "viewer/ui/qt/window_table.h"
#include "viewer/ui/qt/window_text.h"

namespace qarvo::ui {

using namespace detail;

namespace {

const char* kindName(const WindowRecord& rec)
{
    switch (rec.kind) {
    case WindowKind::Picture: return "picture";
    case WindowKind::Button: return "button";
    case WindowKind::CheckBox: return "checkbox";
    case WindowKind::Edit: return "edit";
    case WindowKind::ComboBox: return "combobox";
    case WindowKind::ListView: return "listview";
    case WindowKind::ProgressBar: return "progress";
    case WindowKind::TabStrip: return "tabs";
    case WindowKind::StatusBar: return "statusbar";
    default: return "static";
    }
}

Rect rectIn(const QWidget* widget, const QWidget* area)
{
    const QPoint at = area && widget != area && area->isAncestorOf(widget) ? widget->mapTo(area, QPoint(0, 0))
                                                                           : widget->pos();
    return Rect{at.x(), at.y(), at.x() + widget->width(), at.y() + widget->height()};
}

void fillDetails(const WindowRecord& rec, ControlState& c)
{
    QWidget* w = rec.widget;
    switch (rec.kind) {
    case WindowKind::CheckBox:
        c.checked = static_cast<QAbstractButton*>(w)->isChecked();
        break;
    case WindowKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        for (int i = 0; i < combo->count(); ++i)
            c.items.push_back(FromQString(combo->itemText(i)));
        c.selected = combo->currentIndex();
        break;
    }
    case WindowKind::TabStrip: {
        QTabBar* bar = static_cast<TabStripWidget*>(w)->bar();
        for (int i = 0; i < bar->count(); ++i)
            c.items.push_back(FromQString(bar->tabText(i)));
        c.selected = bar->currentIndex();
        break;
    }
    case WindowKind::ProgressBar:
        c.value = static_cast<QProgressBar*>(w)->value();
        break;
    case WindowKind::Picture:
    case WindowKind::Static: {
        auto* picture = static_cast<StaticWidget*>(w);
        if (picture->hasPixmap())
            c.bitmap = Point{picture->pixmap().width(), picture->pixmap().height()};
        break;
    }
    case WindowKind::ListView: {
        auto* list = static_cast<ListViewWidget*>(w);
        for (int col = 0; col < list->columnCount(); ++col) {
            const QTableWidgetItem* header = list->horizontalHeaderItem(col);
            c.columns.push_back(header ? FromQString(header->text()) : C_WString());
        }
        for (int row = 0; row < list->rowCount(); ++row) {
            std::vector<C_WString> cells;
            for (int col = 0; col < list->columnCount(); ++col)
                cells.push_back(FromQString(list->cellText(row, col)));
            c.rows.push_back(std::move(cells));
            c.rowChecked.push_back(list->isChecked(row));
        }
        break;
    }
    default:
        break;
    }
}

WindowState inspectDialog(WindowRecord& dialog, const std::vector<WindowRecord*>& controls, const QWidget* topClient)
{
    WindowState s;
    QWidget* widget = dialog.widget;
    s.handle = dialog.handle;
    s.templateId = dialog.tpl ? dialog.tpl->id : 0;
    s.visible = widget->isVisible();
    if (widget->isWindow()) {
        s.title = FromQString(widget->windowTitle());
        s.state = widget->isMinimized() ? "minimized" : widget->isMaximized() ? "maximized" : "normal";
        const QRect g = widget->geometry();
        s.rect = Rect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    } else {
        WindowRecord* top = FindRecordOfWidget(widget->window());
        s.parent = top ? top->handle : 0;
        s.rect = rectIn(widget, topClient);
    }
    auto* dialogWidget = dynamic_cast<DialogWidget*>(widget);
    const QWidget* client = dialogWidget ? dialogWidget->client() : widget;
    // The window's own focus widget: the one keys go to when the window is active.
    QWidget* focusedWidget = widget->window()->focusWidget();
    const WindowRecord* focused = focusedWidget ? FindRecordAbove(focusedWidget) : nullptr;
    for (WindowRecord* rec : controls) {
        if (!rec->widget)
            continue;
        ControlState c;
        c.handle = rec->handle;
        c.id = rec->id;
        c.kind = kindName(*rec);
        if (rec->kind != WindowKind::TabStrip && rec->kind != WindowKind::ListView && rec->kind != WindowKind::ProgressBar)
            c.text = FromQString(RecordText(*rec));
        c.visible = rec->widget->isVisibleTo(widget);
        c.enabled = rec->widget->isEnabled();
        c.rect = rectIn(rec->widget, client);
        c.focused = rec == focused;
        fillDetails(*rec, c);
        s.controls.push_back(std::move(c));
    }
    return s;
}

std::vector<WindowState> inspectAll()
{
    std::vector<WindowRecord*> dialogs;
    std::unordered_map<WindowHandle, std::vector<WindowRecord*>> controls;
    for (WindowHandle h : AllHandles()) {
        WindowRecord* rec = FindRecord(h);
        if (!rec || !rec->widget || rec->destroying)
            continue;
        if (rec->kind == WindowKind::Dialog)
            dialogs.push_back(rec);
        else
            controls[rec->dialog].push_back(rec);
    }
    std::vector<WindowState> out;
    for (WindowRecord* top : dialogs) {
        if (!top->widget->isWindow())
            continue;
        auto* topWidget = dynamic_cast<DialogWidget*>(top->widget.data());
        const QWidget* topClient = topWidget ? topWidget->client() : top->widget.data();
        out.push_back(inspectDialog(*top, controls[top->handle], topClient));
        for (WindowRecord* page : dialogs)
            if (!page->widget->isWindow() && page->widget->window() == top->widget)
                out.push_back(inspectDialog(*page, controls[page->handle], topClient));
    }
    return out;
}

}  // namespace

std::vector<WindowState> InspectWindows()
{
    return CallOnGui<std::vector<WindowState>>([] { return inspectAll(); }, {});
}

}  // namespace qarvo::ui
