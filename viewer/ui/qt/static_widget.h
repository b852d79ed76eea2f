#pragma once
// A static control: plain text (never markup), a picture, or an etched line. Before it draws
// text it asks its dialog for colours with WM_CTLCOLORSTATIC.

#include <QFrame>
#include <QPixmap>
#include <QString>

#include "viewer/ui/types.h"

namespace qarvo::ui::detail {

// What a WM_CTLCOLORSTATIC answer fills in; wParam points at one during the call.
struct DrawingContext {
    bool hasTextColor = false;
    ColorRef textColor = 0;
    int bkMode = 2;  // OPAQUE
};

QColor ToQColor(ColorRef color);

class StaticWidget : public QFrame {
public:
    StaticWidget(QWidget* parent, uint32_t style);

    void setText(const QString& text);
    const QString& text() const { return m_text; }
    void setPixmap(const QPixmap& pixmap);
    bool hasPixmap() const { return !m_pixmap.isNull(); }
    const QPixmap& pixmap() const { return m_pixmap; }
    // The colour the text was last drawn in (tests read it).
    const QColor& lastTextColor() const { return m_lastTextColor; }
    // The colour the text would be drawn in now.
    QColor resolveTextColor();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_style;
    QString m_text;
    QPixmap m_pixmap;
    QColor m_lastTextColor;
};

}  // namespace qarvo::ui::detail
