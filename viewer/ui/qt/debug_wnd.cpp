// The monitor window over Qt: a scroll area whose viewport paints the visible lines into a
// back buffer of its own size, then shows the buffer.

#include "viewer/ui/debug_wnd.h"

#include <QAbstractScrollArea>
#include <QContextMenuEvent>
#include <QFontDialog>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>
#include <atomic>
#include <mutex>

#include "qarvo/charcode/system_charcode.h"
#include "viewer/ui/debug_lines.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/qt/font_impl.h"
#include "viewer/ui/qt/gui_thread.h"
#include "viewer/ui/qt/qt_string.h"
#include "viewer/ui/qt/static_widget.h"
#include "viewer/ui/qt/window_table.h"
#include "viewer/ui/window.h"

namespace qarvo::ui {

using namespace detail;

struct C_DebugWnd::State {
    DebugLines lines;
    std::atomic<bool> split{false};
    std::atomic<int> tabWidth{4};
    std::atomic<ColorRef> text{Rgb(0, 0, 0)};
    std::atomic<ColorRef> background{Rgb(255, 255, 255)};
    std::atomic<int> selected{-1};
    std::atomic<bool> lineNumbers{false};
    std::atomic<bool> repaintPending{false};
    std::atomic<WindowHandle> window{0};
    std::mutex fontLock;
    C_WFont font;  // guarded by fontLock
};

namespace {

constexpr const char16_t* kDefaultTitle = u"デバッグ Ver1.07";

class DebugWidget : public QAbstractScrollArea {
public:
    explicit DebugWidget(std::shared_ptr<C_DebugWnd::State> state, C_DebugWnd* owner)
        : m_state(std::move(state)), m_owner(owner)
    {
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setAutoFillBackground(false);
        struct Item {
            int id;
            const char16_t* text;
        };
        for (const Item& item : {Item{kDebugMenuClear, u"バッファのクリア"}, Item{0, nullptr},
                                 Item{kDebugMenuCopyLine, u"選択行のコピー"}, Item{kDebugMenuCopyAll, u"すべての行の全コピー"},
                                 Item{0, nullptr}, Item{kDebugMenuLineNumbers, u"行番号の表示の切り替え"},
                                 Item{kDebugMenuFont, u"フォント選択"}}) {
            if (!item.text) {
                m_menu.addSeparator();
                continue;
            }
            const int id = item.id;
            QAction* action = m_menu.addAction(ToQString(item.text));
            action->setData(id);
            QObject::connect(action, &QAction::triggered, this, [this, id] { m_owner->D_Command(id); });
        }
    }

    void detach() { m_owner = nullptr; }

    int lineHeight() const { return std::max(1, QFontMetrics(currentFont()).height()); }
    int visibleLines() const { return std::max(1, viewport()->height() / lineHeight()); }

    // The scroll range follows the lines; a view at the end stays at the end.
    void refresh()
    {
        QScrollBar* bar = verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum();
        const int range = std::max(0, m_state->lines.Count() - visibleLines());
        bar->setRange(0, range);
        bar->setPageStep(visibleLines());
        bar->setSingleStep(1);
        if (atEnd)
            bar->setValue(range);
        viewport()->update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_buffer.size() != viewport()->size())
            m_buffer = QPixmap(viewport()->size());
        m_buffer.fill(ToQColor(m_state->background.load()));
        QPainter painter(&m_buffer);
        const QFont font = currentFont();
        painter.setFont(font);
        const int height = lineHeight();
        const int first = verticalScrollBar()->value();
        const int selected = m_state->selected.load();
        const QColor text = ToQColor(m_state->text.load());
        const QString tab(std::max(1, m_state->tabWidth.load()), QLatin1Char(' '));
        const std::vector<C_WString> lines = m_state->lines.Lines(first, visibleLines() + 1);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int index = first + static_cast<int>(i);
            const int y = static_cast<int>(i) * height;
            QString line = ToQString(lines[i]);
            line.replace(QLatin1Char('\t'), tab);
            if (m_state->lineNumbers.load())
                line = QString::number(index + 1).rightJustified(6) + QStringLiteral(": ") + line;
            if (index == selected) {
                painter.fillRect(0, y, m_buffer.width(), height, text);
                painter.setPen(ToQColor(m_state->background.load()));
            } else {
                painter.setPen(text);
            }
            painter.drawText(QRect(2, y, m_buffer.width() - 2, height), Qt::AlignLeft | Qt::AlignVCenter, line);
        }
        painter.end();
        QPainter(viewport()).drawPixmap(0, 0, m_buffer);
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        refresh();
    }

    void wheelEvent(QWheelEvent* event) override
    {
        const int notches = event->angleDelta().y() / 120;
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(std::clamp(bar->value() - notches, bar->minimum(), bar->maximum()));
        event->accept();
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        QScrollBar* bar = verticalScrollBar();
        switch (event->key()) {
        case Qt::Key_PageUp: bar->setValue(bar->value() - visibleLines()); break;
        case Qt::Key_PageDown: bar->setValue(bar->value() + visibleLines()); break;
        case Qt::Key_Home: bar->setValue(bar->minimum()); break;
        case Qt::Key_End: bar->setValue(bar->maximum()); break;
        case Qt::Key_Up: bar->setValue(bar->value() - 1); break;
        case Qt::Key_Down: bar->setValue(bar->value() + 1); break;
        default: QAbstractScrollArea::keyPressEvent(event); return;
        }
        viewport()->update();
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        const int index = verticalScrollBar()->value() + static_cast<int>(event->position().y()) / lineHeight();
        const bool exists = index < m_state->lines.Count();
        if (event->button() == Qt::LeftButton || (event->button() == Qt::RightButton && exists))
            m_state->selected.store(exists ? index : -1);
        viewport()->update();
        if (event->button() == Qt::RightButton)
            m_menu.popup(event->globalPosition().toPoint());
    }

    void scrollContentsBy(int, int) override { viewport()->update(); }

    // The close box destroys the window; the object that made it stays.
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        if (m_owner)
            m_owner->D_Destroy();
    }

private:
    QFont currentFont() const
    {
        std::lock_guard<std::mutex> lock(m_state->fontLock);
        return QFontOf(m_state->font);
    }

    std::shared_ptr<C_DebugWnd::State> m_state;
    C_DebugWnd* m_owner;
    QPixmap m_buffer;
    QMenu m_menu;
};

DebugWidget* widgetOf(WindowHandle window)
{
    WindowRecord* rec = FindRecord(window);
    return rec && !rec->destroying ? dynamic_cast<DebugWidget*>(rec->widget.data()) : nullptr;
}

}  // namespace

C_Wnd::~C_Wnd() = default;

void C_Wnd::KillWindow()
{
    if (m_hWnd)
        DestroyWindow(m_hWnd);
    m_hWnd = 0;
}

C_DebugWnd::C_DebugWnd() : m_state(std::make_shared<State>()) {}

C_DebugWnd::~C_DebugWnd()
{
    D_Destroy();
}

int C_DebugWnd::D_Create(const C_WString&, int width, int height, int x, int y, const C_WString& title, bool visible)
{
    if (D_Exists() || width <= 0 || height <= 0)
        return 0;
    const WindowHandle made = CallOnGui<WindowHandle>(
        [&]() -> WindowHandle {
            {
                std::lock_guard<std::mutex> lock(m_state->fontLock);
                if (m_state->font.IsNull())
                    m_state->font = C_WFont::GetDefaultFont();
            }
            auto* widget = new DebugWidget(m_state, this);
            widget->setWindowTitle(ToQString(title.IsEmpty() ? C_WString(kDefaultTitle) : title));
            widget->resize(width + widget->verticalScrollBar()->sizeHint().width() + 2 * widget->frameWidth(),
                           height + 2 * widget->frameWidth());
            widget->move(x, y);
            WindowRecord& rec = AddRecord(WindowKind::Dialog, widget);
            if (visible)
                widget->show();
            widget->refresh();
            return rec.handle;
        },
        0);
    m_hWnd = made;
    m_state->window.store(made);
    return made ? 1 : 0;
}

bool C_DebugWnd::D_Exists() const
{
    const WindowHandle window = m_state->window.load();
    return window && IsWindow(window);
}

void C_DebugWnd::append(const C_WString& text, bool repaint)
{
    if (!D_Exists())
        return;
    m_state->lines.Append(text, m_state->split.load());
    if (!repaint || m_state->repaintPending.exchange(true))
        return;
    // Output from many threads comes to one repaint.
    std::shared_ptr<State> state = m_state;
    PostToGui([state] {
        state->repaintPending.store(false);
        if (DebugWidget* widget = widgetOf(state->window.load()))
            widget->refresh();
    });
}

void C_DebugWnd::D_Out(const C_WString& text)
{
    append(text, true);
}

void C_DebugWnd::D_OutA(const C_String& text)
{
    append(common::System::utf8_to_utf16(text), true);
}

void C_DebugWnd::D_Outf(const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const C_WString text = C_WString::StringfV(format, args);
    va_end(args);
    append(text, true);
}

void C_DebugWnd::D_OutfW(const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const C_WString text = C_WString::StringfV(format, args);
    va_end(args);
    append(text, true);
}

void C_DebugWnd::D_OutfA(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const C_String text = C_String::StringfV(format, args);
    va_end(args);
    append(common::System::utf8_to_utf16(text), true);
}

void C_DebugWnd::D_FastOut(const C_WString& text)
{
    append(text, false);
}

void C_DebugWnd::D_FastOutf(const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const C_WString text = C_WString::StringfV(format, args);
    va_end(args);
    append(text, false);
}

namespace {

// Runs `work` on the monitor's widget on the GUI thread (queued from other threads).
template <class Work>
void onWidget(const std::shared_ptr<C_DebugWnd::State>& state, Work work)
{
    RunOnGui([state, work] {
        if (DebugWidget* widget = widgetOf(state->window.load()))
            work(*widget);
    });
}

}  // namespace

void C_DebugWnd::D_Clear()
{
    m_state->lines.Clear();
    m_state->selected.store(-1);
    onWidget(m_state, [](DebugWidget& w) { w.refresh(); });
}

bool C_DebugWnd::D_CopyToClipboard()
{
    const C_WString text = m_state->lines.AllText();
    return !text.IsEmpty() && SetClipboardText(text);
}

bool C_DebugWnd::D_CopyToClipboard(int line)
{
    if (line < 0 || line >= m_state->lines.Count())
        return false;
    return SetClipboardText(C_WString::Stringf(u"%s\r\n", m_state->lines.Line(line).c_str()));
}

void C_DebugWnd::D_SetNewLine(bool split)
{
    m_state->split.store(split);
}

void C_DebugWnd::D_SetTabCharaCount(int count)
{
    m_state->tabWidth.store(count < 1 ? 1 : count);
    onWidget(m_state, [](DebugWidget& w) { w.viewport()->update(); });
}

int C_DebugWnd::D_GetTabCharaCount() const
{
    return m_state->tabWidth.load();
}

void C_DebugWnd::D_SetTextColor(ColorRef color)
{
    m_state->text.store(color);
    onWidget(m_state, [](DebugWidget& w) { w.viewport()->update(); });
}

ColorRef C_DebugWnd::D_GetTextColor() const
{
    return m_state->text.load();
}

void C_DebugWnd::D_SetBackground(ColorRef color)
{
    m_state->background.store(color);
    onWidget(m_state, [](DebugWidget& w) { w.viewport()->update(); });
}

void C_DebugWnd::D_SetFont(const C_WFont& font)
{
    {
        std::lock_guard<std::mutex> lock(m_state->fontLock);
        m_state->font = font;
    }
    onWidget(m_state, [](DebugWidget& w) { w.refresh(); });
}

C_WFont C_DebugWnd::D_GetFont() const
{
    std::lock_guard<std::mutex> lock(m_state->fontLock);
    return m_state->font;
}

void C_DebugWnd::D_SetTitle(const C_WString& title)
{
    onWidget(m_state, [title](DebugWidget& w) { w.setWindowTitle(ToQString(title)); });
}

void C_DebugWnd::D_Move(int x, int y)
{
    onWidget(m_state, [x, y](DebugWidget& w) { w.move(x, y); });
}

void C_DebugWnd::D_Size(int width, int height)
{
    onWidget(m_state, [width, height](DebugWidget& w) { w.resize(width, height); });
}

void C_DebugWnd::D_Visible(bool visible)
{
    onWidget(m_state, [visible](DebugWidget& w) { w.setVisible(visible); });
}

void C_DebugWnd::D_SelectLine(int index)
{
    m_state->selected.store(index >= 0 && index < m_state->lines.Count() ? index : -1);
    onWidget(m_state, [](DebugWidget& w) { w.viewport()->update(); });
}

int C_DebugWnd::D_GetSelectedLine() const
{
    return m_state->selected.load();
}

void C_DebugWnd::D_SetDrawLine(bool lineNumbers)
{
    m_state->lineNumbers.store(lineNumbers);
    onWidget(m_state, [](DebugWidget& w) { w.viewport()->update(); });
}

void C_DebugWnd::D_Scroll(int line)
{
    onWidget(m_state, [line](DebugWidget& w) { w.verticalScrollBar()->setValue(line); });
}

int C_DebugWnd::D_GetCount() const
{
    return m_state->lines.Count();
}

Point C_DebugWnd::D_GetClientSize() const
{
    const std::shared_ptr<State> state = m_state;
    return CallOnGui<Point>(
        [state] {
            DebugWidget* w = widgetOf(state->window.load());
            return w ? Point{w->viewport()->width(), w->viewport()->height()} : Point{};
        },
        Point{});
}

void C_DebugWnd::D_ShowMenuSetFont()
{
    const std::shared_ptr<State> state = m_state;
    RunOnGui([state] {
        DebugWidget* w = widgetOf(state->window.load());
        if (!w)
            return;
        QPointer<DebugWidget> alive = w;
        bool chosen = false;
        QFont current;
        {
            std::lock_guard<std::mutex> lock(state->fontLock);
            current = QFontOf(state->font);
        }
        const QFont font = QFontDialog::getFont(&chosen, current, w);
        if (!chosen)
            return;
        const QFontInfo info(font);
        C_WFont made;
        if (made.MakeFontEx(FromQString(info.family()), info.pixelSize(), info.weight(), info.italic(),
                            font.underline(), font.strikeOut())) {
            std::lock_guard<std::mutex> lock(state->fontLock);
            state->font = made;
        }
        if (alive)
            alive->refresh();
    });
}

void C_DebugWnd::D_Command(int id)
{
    switch (id) {
    case kDebugMenuClear:
        D_Clear();
        break;
    case kDebugMenuCopyLine:
        D_CopyToClipboard(D_GetSelectedLine());
        break;
    case kDebugMenuCopyAll:
        D_CopyToClipboard();
        break;
    case kDebugMenuLineNumbers:
        D_SetDrawLine(!m_state->lineNumbers.load());
        break;
    case kDebugMenuFont:
        D_ShowMenuSetFont();
        break;
    default:
        break;
    }
}

void C_DebugWnd::D_Destroy()
{
    const WindowHandle window = m_state->window.exchange(0);
    m_hWnd = 0;
    if (!window)
        return;
    RunOnGui([window] {
        if (DebugWidget* w = widgetOf(window))
            w->detach();
        DestroyWindow(window);
    });
}

}  // namespace qarvo::ui
