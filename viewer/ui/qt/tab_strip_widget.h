#pragma once
// The tab strip: a row of tabs over a framed display area. The pages are separate child
// dialogs that the owner places in the display area (TabCtrl_AdjustRect).

#include <QTabBar>
#include <QWidget>

#include "viewer/ui/types.h"

namespace qarvo::ui::detail {

class TabStripWidget : public QWidget {
public:
    explicit TabStripWidget(QWidget* parent);

    QTabBar* bar() const { return m_bar; }
    int barHeight() const;
    void layoutBar();

    int insertTab(int index, const QString& text);
    bool removeTab(int index);
    // Returns the previous selection; selecting by program does not notify.
    int setCurrent(int index);
    QRect adjust(const QRect& rect, bool larger) const;
    int minTabWidth = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void onCurrentChanged(int index);

    QTabBar* m_bar;
    // Changes made by program (inserts, removals, selection) are not the user's.
    bool m_programmatic = false;
};

}  // namespace qarvo::ui::detail
