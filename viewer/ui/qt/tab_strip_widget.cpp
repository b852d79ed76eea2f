#include "viewer/ui/qt/tab_strip_widget.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

#include "viewer/ui/messages.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/qt/window_table.h"

namespace qarvo::ui::detail {
namespace {

// Width of the frame around the display area.
constexpr int kFrame = 2;

}  // namespace

TabStripWidget::TabStripWidget(QWidget* parent) : QWidget(parent), m_bar(new QTabBar(this))
{
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(true);
    connect(m_bar, &QTabBar::currentChanged, this, &TabStripWidget::onCurrentChanged);
    layoutBar();
}

int TabStripWidget::barHeight() const
{
    // Fixed by the font, not by the tabs, so that the display area is the same before and
    // after the first tab exists.
    return m_bar->fontMetrics().height() + style()->pixelMetric(QStyle::PM_TabBarTabVSpace, nullptr, m_bar);
}

void TabStripWidget::layoutBar()
{
    m_bar->setGeometry(0, 0, width(), barHeight());
}

int TabStripWidget::insertTab(int index, const QString& text)
{
    if (index < 0)
        return -1;
    m_programmatic = true;
    const int at = m_bar->insertTab(index > m_bar->count() ? m_bar->count() : index, text);
    m_programmatic = false;
    return at;
}

bool TabStripWidget::removeTab(int index)
{
    if (index < 0 || index >= m_bar->count())
        return false;
    m_programmatic = true;
    m_bar->removeTab(index);
    m_programmatic = false;
    return true;
}

int TabStripWidget::setCurrent(int index)
{
    const int previous = m_bar->currentIndex();
    if (index < 0 || index >= m_bar->count())
        return -1;
    m_programmatic = true;
    m_bar->setCurrentIndex(index);
    m_programmatic = false;
    return previous;
}

QRect TabStripWidget::adjust(const QRect& rect, bool larger) const
{
    const int top = barHeight() + kFrame;
    if (larger)
        return rect.adjusted(-kFrame, -top, kFrame, kFrame);
    return rect.adjusted(kFrame, top, -kFrame, -kFrame);
}

void TabStripWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutBar();
}

void TabStripWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, barHeight(), width(), height() - barHeight());
    frame.lineWidth = kFrame;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

void TabStripWidget::onCurrentChanged(int index)
{
    if (m_programmatic || index < 0)
        return;
    WindowRecord* rec = FindRecordOfWidget(this);
    if (!rec || rec->destroying)
        return;
    NotifyHeader header;
    header.hwndFrom = rec->handle;
    header.idFrom = static_cast<uintptr_t>(rec->id);
    header.code = TCN_SELCHANGE;
    DispatchScope scope;
    SendToWindow(rec->dialog, WM_NOTIFY, static_cast<WParam>(rec->id), reinterpret_cast<LParam>(&header));
}

}  // namespace qarvo::ui::detail
