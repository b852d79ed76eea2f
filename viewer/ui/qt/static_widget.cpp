#include "viewer/ui/qt/static_widget.h"

#include <QPainter>

#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/qt/bitmap_impl.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/window_table.h"
#include "viewer/ui/window.h"

namespace qarvo::ui::detail {

QColor ToQColor(ColorRef color)
{
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

StaticWidget::StaticWidget(QWidget* parent, uint32_t style) : QFrame(parent), m_style(style)
{
}

void StaticWidget::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void StaticWidget::setPixmap(const QPixmap& pixmap)
{
    m_pixmap = pixmap;
    update();
}

QColor StaticWidget::resolveTextColor()
{
    QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    WindowRecord* rec = FindRecordOfWidget(this);
    if (!rec)
        return color;
    const WindowHandle handle = rec->handle;
    const std::optional<ColorRef> fixed = rec->textColor;
    DrawingContext context;
    LResult brush = 0;
    if (rec->dialog) {
        DispatchScope scope;
        brush = SendToWindow(rec->dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WParam>(&context), handle);
    }
    if (brush != 0 && context.hasTextColor)
        color = ToQColor(context.textColor);
    else if (fixed)
        color = ToQColor(*fixed);
    return color;
}

void StaticWidget::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const uint32_t type = m_style & SS_TYPEMASK;
    if (type == SS_ETCHEDHORZ) {
        const int y = height() / 2;
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(0, y, width(), y);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, y + 1, width(), y + 1);
        return;
    }
    if (type == SS_BITMAP) {
        if (m_pixmap.isNull())
            return;
        QPoint at(0, 0);
        if (m_style & SS_CENTERIMAGE)
            at = QPoint((width() - m_pixmap.width()) / 2, (height() - m_pixmap.height()) / 2);
        painter.drawPixmap(at, m_pixmap);
        return;
    }
    if (m_text.isEmpty())
        return;
    m_lastTextColor = resolveTextColor();
    int flags = Qt::AlignTop;
    switch (type) {
    case SS_CENTER:
        flags |= Qt::AlignHCenter | Qt::TextWordWrap;
        break;
    case SS_RIGHT:
        flags |= Qt::AlignRight | Qt::TextWordWrap;
        break;
    case SS_LEFTNOWORDWRAP:
        flags |= Qt::AlignLeft;
        break;
    default:
        flags |= Qt::AlignLeft | Qt::TextWordWrap;
        break;
    }
    painter.setFont(font());
    const WindowRecord* rec = FindRecordOfWidget(this);
    if (rec && rec->outlineColor) {
        painter.setPen(ToQColor(*rec->outlineColor));
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (dx || dy)
                    painter.drawText(rect().translated(dx + 1, dy), flags, m_text);
        painter.setPen(m_lastTextColor);
        painter.drawText(rect().translated(1, 0), flags, m_text);
        return;
    }
    painter.setPen(m_lastTextColor);
    painter.drawText(rect(), flags, m_text);
}

}  // namespace qarvo::ui::detail

namespace qarvo::ui {

using namespace detail;

ColorRef SetTextColor(WParam drawingContext, ColorRef color)
{
    auto* context = reinterpret_cast<DrawingContext*>(drawingContext);
    if (!context)
        return 0xFFFFFFFFu;
    const ColorRef previous = context->textColor;
    context->textColor = color;
    context->hasTextColor = true;
    return previous;
}

int SetBkMode(WParam drawingContext, int mode)
{
    auto* context = reinterpret_cast<DrawingContext*>(drawingContext);
    if (!context)
        return 0;
    const int previous = context->bkMode;
    context->bkMode = mode;
    return previous;
}

LResult GetStockObject(int object)
{
    // Any nonzero value is a brush to the layer; the statics draw no background of their own.
    return 0x1000 + object;
}

namespace {

// Changes a record's drawing state on the GUI thread and redraws the control.
template <class Change>
bool changeDrawing(WindowHandle control, Change change)
{
    return RunOnGui([=] {
        WindowRecord* rec = FindRecord(control);
        if (!rec)
            return;
        change(*rec);
        if (rec->widget)
            rec->widget->update();
    });
}

}  // namespace

bool SetControlTextColor(WindowHandle control, ColorRef color)
{
    return changeDrawing(control, [color](WindowRecord& rec) { rec.textColor = color; });
}

bool ClearControlTextColor(WindowHandle control)
{
    return changeDrawing(control, [](WindowRecord& rec) { rec.textColor.reset(); });
}

bool SetControlTextOutline(WindowHandle control, ColorRef color)
{
    return changeDrawing(control, [color](WindowRecord& rec) { rec.outlineColor = color; });
}

bool ClearControlTextOutline(WindowHandle control)
{
    return changeDrawing(control, [](WindowRecord& rec) { rec.outlineColor.reset(); });
}

bool Static_SetBitmap(WindowHandle picture, const C_Bitmap& bitmap)
{
    // The bitmap's pixels are shared, not copied; the pixmap is made on the GUI thread.
    return RunOnGui([picture, bitmap] {
        WindowRecord* rec = FindRecord(picture);
        auto* widget = rec ? dynamic_cast<StaticWidget*>(rec->widget.data()) : nullptr;
        if (!widget)
            return;
        const BitmapImpl* impl = bitmap.GetImpl();
        widget->setPixmap(impl && !impl->image.isNull() ? QPixmap::fromImage(impl->image) : QPixmap());
    });
}

bool Static_HasBitmap(WindowHandle picture)
{
    return CallOnGui<bool>(
        [&] {
            WindowRecord* rec = FindRecord(picture);
            auto* widget = rec ? dynamic_cast<StaticWidget*>(rec->widget.data()) : nullptr;
            return widget && widget->hasPixmap();
        },
        false);
}

}  // namespace qarvo::ui
