#pragma once
// The list view in report mode: rows of cells with an item data value per row and, with the
// check box style, a check box in the first cell. Check changes, header clicks and
// activations are sent to the dialog as WM_NOTIFY.

#include <QTableWidget>
#include <vector>

#include "viewer/ui/types.h"

namespace qarvo::ui::detail {

class ListViewWidget : public QTableWidget {
public:
    ListViewWidget(QWidget* parent, uint32_t style);

    unsigned extendedStyle() const { return m_extendedStyle; }
    void setExtendedStyle(unsigned style);

    int insertColumnAt(int index, const QString& title, int format, int width);
    int insertItemAt(int index, const QString& text, LParam param);
    bool setCellText(int row, int column, const QString& text);
    QString cellText(int row, int column) const;
    LParam itemParam(int row) const;
    int findParam(int startAfter, LParam param) const;
    bool isChecked(int row) const;
    bool setChecked(int row, bool checked);
    // Puts the rows in this order (a permutation of the row indexes).
    void reorderRows(const std::vector<int>& order);

private:
    Qt::Alignment alignmentOf(int column) const;
    void onItemChanged(QTableWidgetItem* item);
    void onCellClicked(int row, int column);
    void onCellActivated(int row, int column);
    void onHeaderClicked(int column);
    void notify(int code, int row, int column, unsigned oldState, unsigned newState, unsigned changed);

    unsigned m_extendedStyle = 0;
    std::vector<int> m_formats;
    // Inserting and reordering rows moves check states without anyone changing them.
    bool m_quiet = false;
};

}  // namespace qarvo::ui::detail
