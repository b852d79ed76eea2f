#include <algorithm>
#include <numeric>

#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/list_view_widget.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui {

using namespace detail;

namespace {

ListViewWidget* listOf(WindowHandle handle)
{
    WindowRecord* rec = FindRecord(handle);
    return rec && rec->kind == WindowKind::ListView ? dynamic_cast<ListViewWidget*>(rec->widget.data()) : nullptr;
}

template <class R, class F>
R onList(WindowHandle handle, R fallback, F&& work)
{
    return CallOnGui<R>(
        [&]() -> R {
            ListViewWidget* list = listOf(handle);
            return list ? work(*list) : fallback;
        },
        fallback);
}

}  // namespace

unsigned ListView_GetExtendedListViewStyle(WindowHandle list)
{
    return onList<unsigned>(list, 0u, [](ListViewWidget& l) { return l.extendedStyle(); });
}

bool ListView_SetExtendedListViewStyle(WindowHandle list, unsigned style)
{
    return onList<bool>(list, false, [&](ListViewWidget& l) {
        l.setExtendedStyle(style);
        return true;
    });
}

int ListView_InsertColumn(WindowHandle list, int index, const C_WString& title, int format, int width)
{
    return onList<int>(list, -1, [&](ListViewWidget& l) { return l.insertColumnAt(index, ToQString(title), format, width); });
}

int ListView_InsertItem(WindowHandle list, int index, const C_WString& text, LParam param)
{
    return onList<int>(list, -1, [&](ListViewWidget& l) { return l.insertItemAt(index, ToQString(text), param); });
}

bool ListView_SetItemText(WindowHandle list, int item, int subItem, const C_WString& text)
{
    return onList<bool>(list, false, [&](ListViewWidget& l) { return l.setCellText(item, subItem, ToQString(text)); });
}

C_WString ListView_GetItemText(WindowHandle list, int item, int subItem, int maxLength)
{
    return onList<C_WString>(list, C_WString(), [&](ListViewWidget& l) {
        return Capped(FromQString(l.cellText(item, subItem)), maxLength);
    });
}

int ListView_GetItemCount(WindowHandle list)
{
    return onList<int>(list, 0, [](ListViewWidget& l) { return l.rowCount(); });
}

bool ListView_DeleteItem(WindowHandle list, int item)
{
    return onList<bool>(list, false, [&](ListViewWidget& l) {
        if (item < 0 || item >= l.rowCount())
            return false;
        l.removeRow(item);
        return true;
    });
}

bool ListView_DeleteAllItems(WindowHandle list)
{
    return onList<bool>(list, false, [](ListViewWidget& l) {
        l.setRowCount(0);
        return true;
    });
}

LParam ListView_GetItemParam(WindowHandle list, int item)
{
    return onList<LParam>(list, 0, [&](ListViewWidget& l) { return l.itemParam(item); });
}

int ListView_FindItemByParam(WindowHandle list, int startAfter, LParam param)
{
    return onList<int>(list, -1, [&](ListViewWidget& l) { return l.findParam(startAfter, param); });
}

bool ListView_GetCheckState(WindowHandle list, int item)
{
    return onList<bool>(list, false, [&](ListViewWidget& l) { return l.isChecked(item); });
}

bool ListView_SetCheckState(WindowHandle list, int item, bool checked)
{
    return onList<bool>(list, false, [&](ListViewWidget& l) { return l.setChecked(item, checked); });
}

unsigned ListView_GetItemState(WindowHandle list, int item, unsigned mask)
{
    return onList<unsigned>(list, 0u, [&](ListViewWidget& l) -> unsigned {
        if (item < 0 || item >= l.rowCount())
            return 0;
        unsigned state = 0;
        if ((mask & LVIS_STATEIMAGEMASK) && (l.extendedStyle() & LVS_EX_CHECKBOXES))
            state |= IndexToStateImageMask(l.isChecked(item) ? 2 : 1);
        if ((mask & LVIS_SELECTED) && l.item(item, 0) && l.item(item, 0)->isSelected())
            state |= LVIS_SELECTED;
        if ((mask & LVIS_FOCUSED) && l.currentRow() == item)
            state |= LVIS_FOCUSED;
        return state;
    });
}

bool ListView_SetItemState(WindowHandle list, int item, unsigned state, unsigned mask)
{
    return onList<bool>(list, false, [&](ListViewWidget& l) {
        if (item < 0 || item >= l.rowCount())
            return false;
        if ((mask & LVIS_STATEIMAGEMASK) && (l.extendedStyle() & LVS_EX_CHECKBOXES))
            l.setChecked(item, StateImageMaskToIndex(state) == 2);
        if (mask & LVIS_SELECTED) {
            for (int column = 0; column < l.columnCount(); ++column)
                if (QTableWidgetItem* cell = l.item(item, column))
                    cell->setSelected((state & LVIS_SELECTED) != 0);
        }
        if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
            l.setCurrentCell(item, 0, QItemSelectionModel::NoUpdate);
        return true;
    });
}

bool ListView_SortItems(WindowHandle list, const ListViewCompare& compare, LParam sortParam)
{
    if (!compare)
        return false;
    return onList<bool>(list, false, [&](ListViewWidget& l) {
        const int rows = l.rowCount();
        std::vector<LParam> params(static_cast<size_t>(rows));
        for (int row = 0; row < rows; ++row)
            params[static_cast<size_t>(row)] = l.itemParam(row);
        std::vector<int> order(static_cast<size_t>(rows));
        std::iota(order.begin(), order.end(), 0);
        // The list stays as it is while compare runs (it may read it); a stable merge sort
        // also stays in bounds when a comparison is not consistent.
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return compare(params[static_cast<size_t>(a)], params[static_cast<size_t>(b)], sortParam) < 0;
        });
        // compare may have changed the list; only a list of the same length is reordered.
        if (l.rowCount() != rows)
            return false;
        l.reorderRows(order);
        return true;
    });
}

}  // namespace qarvo::ui
