#include "viewer/ui/qt/list_view_widget.h"

#include <QHeaderView>
#include <QSignalBlocker>

#include "viewer/ui/messages.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {
namespace {

// The row's item data, in the first cell.
constexpr int kParamRole = Qt::UserRole;
// The check state last reported, so that a text change is not taken for a check change.
constexpr int kReportedCheckRole = Qt::UserRole + 1;

QTableWidgetItem* newCell(const QString& text, Qt::Alignment alignment)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}

}  // namespace

ListViewWidget::ListViewWidget(QWidget* parent, uint32_t style) : QTableWidget(parent)
{
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode((style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(false);
    setWordWrap(false);
    setSortingEnabled(false);
    connect(this, &QTableWidget::itemChanged, this, &ListViewWidget::onItemChanged);
    connect(this, &QTableWidget::cellClicked, this, &ListViewWidget::onCellClicked);
    connect(this, &QTableWidget::cellActivated, this, &ListViewWidget::onCellActivated);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &ListViewWidget::onHeaderClicked);
}

void ListViewWidget::setExtendedStyle(unsigned style)
{
    const bool hadChecks = (m_extendedStyle & LVS_EX_CHECKBOXES) != 0;
    m_extendedStyle = style;
    setShowGrid((style & LVS_EX_GRIDLINES) != 0);
    setSelectionBehavior((style & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    const bool hasChecks = (style & LVS_EX_CHECKBOXES) != 0;
    if (hadChecks == hasChecks)
        return;
    m_quiet = true;
    for (int row = 0; row < rowCount(); ++row) {
        QTableWidgetItem* first = item(row, 0);
        if (!first)
            continue;
        if (hasChecks) {
            first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
            first->setCheckState(Qt::Unchecked);
            first->setData(kReportedCheckRole, 0);
        } else {
            first->setFlags(first->flags() & ~Qt::ItemIsUserCheckable);
            first->setData(Qt::CheckStateRole, QVariant());
        }
    }
    m_quiet = false;
}

Qt::Alignment ListViewWidget::alignmentOf(int column) const
{
    const int format = column >= 0 && column < static_cast<int>(m_formats.size()) ? m_formats[column] : LVCFMT_LEFT;
    switch (format & 3) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

int ListViewWidget::insertColumnAt(int index, const QString& title, int format, int width)
{
    if (index < 0)
        return -1;
    if (index > columnCount())
        index = columnCount();
    insertColumn(index);
    m_formats.insert(m_formats.begin() + index, format);
    auto* header = new QTableWidgetItem(title);
    header->setTextAlignment(alignmentOf(index) | Qt::AlignVCenter);
    setHorizontalHeaderItem(index, header);
    setColumnWidth(index, width);
    return index;
}

int ListViewWidget::insertItemAt(int index, const QString& text, LParam param)
{
    if (index < 0)
        return -1;
    if (index > rowCount())
        index = rowCount();
    m_quiet = true;
    insertRow(index);
    QTableWidgetItem* first = newCell(text, alignmentOf(0));
    first->setData(kParamRole, QVariant::fromValue<qlonglong>(param));
    if (m_extendedStyle & LVS_EX_CHECKBOXES) {
        first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
        first->setCheckState(Qt::Unchecked);
        first->setData(kReportedCheckRole, 0);
    }
    setItem(index, 0, first);
    m_quiet = false;
    return index;
}

bool ListViewWidget::setCellText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
        return true;
    }
    setItem(row, column, newCell(text, alignmentOf(column)));
    return true;
}

QString ListViewWidget::cellText(int row, int column) const
{
    const QTableWidgetItem* cell = row >= 0 && column >= 0 ? item(row, column) : nullptr;
    return cell ? cell->text() : QString();
}

LParam ListViewWidget::itemParam(int row) const
{
    const QTableWidgetItem* first = row >= 0 ? item(row, 0) : nullptr;
    return first ? static_cast<LParam>(first->data(kParamRole).toLongLong()) : 0;
}

int ListViewWidget::findParam(int startAfter, LParam param) const
{
    for (int row = startAfter < 0 ? 0 : startAfter + 1; row < rowCount(); ++row)
        if (itemParam(row) == param)
            return row;
    return -1;
}

bool ListViewWidget::isChecked(int row) const
{
    const QTableWidgetItem* first = row >= 0 ? item(row, 0) : nullptr;
    return first && (m_extendedStyle & LVS_EX_CHECKBOXES) && first->checkState() == Qt::Checked;
}

bool ListViewWidget::setChecked(int row, bool checked)
{
    QTableWidgetItem* first = row >= 0 ? item(row, 0) : nullptr;
    if (!first || !(m_extendedStyle & LVS_EX_CHECKBOXES))
        return false;
    // Reported through itemChanged, like a click on the box.
    first->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return true;
}

void ListViewWidget::reorderRows(const std::vector<int>& order)
{
    const int rows = rowCount();
    const int columns = columnCount();
    if (static_cast<int>(order.size()) != rows)
        return;
    std::vector<std::vector<QTableWidgetItem*>> taken(static_cast<size_t>(rows));
    m_quiet = true;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            taken[static_cast<size_t>(row)].push_back(takeItem(row, column));
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            if (QTableWidgetItem* cell = taken[static_cast<size_t>(order[static_cast<size_t>(row)])][static_cast<size_t>(column)])
                setItem(row, column, cell);
    m_quiet = false;
}

void ListViewWidget::onItemChanged(QTableWidgetItem* changed)
{
    if (m_quiet || !changed || changed->column() != 0 || !(m_extendedStyle & LVS_EX_CHECKBOXES))
        return;
    const int now = changed->checkState() == Qt::Checked ? 1 : 0;
    const int before = changed->data(kReportedCheckRole).toInt();
    if (now == before)
        return;
    {
        QSignalBlocker quiet(this);
        changed->setData(kReportedCheckRole, now);
    }
    // State image 1 is the empty box, 2 the ticked one.
    notify(LVN_ITEMCHANGED, changed->row(), 0, IndexToStateImageMask(static_cast<unsigned>(before + 1)),
           IndexToStateImageMask(static_cast<unsigned>(now + 1)), LVIF_STATE);
}

void ListViewWidget::onCellClicked(int row, int column)
{
    if (m_extendedStyle & LVS_EX_ONECLICKACTIVATE)
        notify(LVN_ITEMACTIVATE, row, column, 0, 0, 0);
}

void ListViewWidget::onCellActivated(int row, int column)
{
    // One-click activation has already answered the click.
    if (!(m_extendedStyle & LVS_EX_ONECLICKACTIVATE))
        notify(LVN_ITEMACTIVATE, row, column, 0, 0, 0);
}

void ListViewWidget::onHeaderClicked(int column)
{
    notify(LVN_COLUMNCLICK, -1, column, 0, 0, 0);
}

void ListViewWidget::notify(int code, int row, int column, unsigned oldState, unsigned newState, unsigned changed)
{
    WindowRecord* rec = FindRecordOfWidget(this);
    if (!rec || rec->destroying)
        return;
    ListViewNotify data;
    data.hdr.hwndFrom = rec->handle;
    data.hdr.idFrom = static_cast<uintptr_t>(rec->id);
    data.hdr.code = code;
    data.iItem = row;
    data.iSubItem = column;
    data.uOldState = oldState;
    data.uNewState = newState;
    data.uChanged = changed;
    data.lParam = row >= 0 ? itemParam(row) : 0;
    DispatchScope scope;
    SendToWindow(rec->dialog, WM_NOTIFY, static_cast<WParam>(rec->id), reinterpret_cast<LParam>(&data));
}

}  // namespace qarvo::ui::detail
