#pragma once
// The status bar in simple mode: one text across the whole bar.

#include <QLabel>
#include <QStatusBar>

namespace qarvo::ui::detail {

class StatusBarWidget : public QStatusBar {
public:
    explicit StatusBarWidget(QWidget* parent) : QStatusBar(parent), m_label(new QLabel(this))
    {
        setSizeGripEnabled(false);
        m_label->setTextFormat(Qt::PlainText);
        addWidget(m_label, 1);
    }

    void setText(const QString& text) { m_label->setText(text); }
    // From the font directly: the bar is placed before its own layout has caught up with a
    // new font.
    QSize sizeHint() const override { return QSize(QStatusBar::sizeHint().width(), fontMetrics().height() + 8); }
    QString text() const { return m_label->text(); }

private:
    QLabel* m_label;
};

}  // namespace qarvo::ui::detail
