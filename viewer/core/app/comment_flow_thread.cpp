// The display thread: one frame of the flowing comments of the shown page every 50 ms. It
// walks the page's collection without the page map lock and answers the store's request
// (updateState 1) with -1 once it has let go.

#include "qarvo/time/clock.h"
#include "viewer/core/app/app.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

constexpr int kFrameMs = 50;
constexpr int kClosingIdleMs = 10;

// The comment labels of one page. The display thread only changes them, so every call is
// queued to the GUI thread and nothing here waits for it.
class PageLabels : public FlowLabels {
public:
    PageLabels(const VideoPageControls& controls, const ui::C_WFont& font) : m_controls(controls), m_font(font) {}

    int TextWidth(const C_WString& text) override { return m_font.GetStringWidth(text); }
    int FontHeight() override { return m_font.GetFontHeight(); }

    void Launch(int labelId, const C_WString& text, const std::optional<CommentColour>& colour, int x, int y,
                int width, int height) override
    {
        const WindowHandle label = handle(labelId);
        // Labels are reused: each launch sets or clears the colour of the one before.
        if (colour) {
            ui::SetControlTextColor(label, toColorRef(colour->text));
            ui::SetControlTextOutline(label, toColorRef(colour->outline));
        } else {
            ui::ClearControlTextColor(label);
            ui::ClearControlTextOutline(label);
        }
        ui::SetWindowText(label, text);
        ui::SetWindowFont(label, m_font, false);
        ui::MoveWindow(label, x, y, width, height);
        ui::ShowWindow(label, ui::SW_SHOW);
    }

    void Move(int labelId, int x, int y) override
    {
        ui::SetWindowPos(handle(labelId), 0, x, y, 0, 0, ui::SWP_NOSIZE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE);
    }

    void Release(int labelId) override
    {
        const WindowHandle label = handle(labelId);
        ui::ShowWindow(label, ui::SW_HIDE);
        ui::SetWindowText(label, C_WString());
    }

private:
    static ui::ColorRef toColorRef(CommentRgb rgb) { return ui::Rgb(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

    WindowHandle handle(int labelId) const
    {
        const int index = labelId - kFirstCommentLabel;
        return index >= 0 && index < kCommentLabelCount ? m_controls.commentLabels[index] : 0;
    }

    const VideoPageControls& m_controls;
    const ui::C_WFont& m_font;
};

// What the user chose not to see: NG rules, and anonymous comments when so set.
class UserFilter : public FlowFilter {
public:
    UserFilter(std::shared_ptr<const NgFilter> ng, bool hideAnonymous) : m_ng(std::move(ng)), m_hideAnonymous(hideAnonymous)
    {
    }
    bool Hides(const tag_NICO_COMMENT_LIGHT& c) override
    {
        if (m_hideAnonymous && (c.mail184 != 0 || c.anonymity != 0))
            return true;
        return !m_ng->Empty() && m_ng->Matches(c.userId, c.text);
    }

private:
    std::shared_ptr<const NgFilter> m_ng;
    bool m_hideAnonymous;
};

void acknowledge(NICO_LOCAL_PARAM& page)
{
    int asked = 1;
    page.updateState.compare_exchange_strong(asked, -1);
}

}  // namespace

void C_App::startDisplayThread()
{
    if (!m_display.IsRunning())
        m_display.Start();
}

void C_App::runCommentFlow()
{
    if (m_closing.load()) {
        qarvo_sleep_millis(kClosingIdleMs);
        return;
    }
    const uint32_t now = qarvo_time_millis();
    const WindowHandle shown = m_shownPage.load();
    PagePtr page;
    bool isLive = false;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        for (const auto& entry : m_pages) {
            if (shown && entry.second->window == shown) {
                page = entry.second;
                isLive = page->isLive != 0;
            } else {
                // Nobody walks a page that is not shown: let its store go on at once.
                acknowledge(*entry.second);
            }
        }
    }
    if (page && page->updateState.load() == 0) {
        // Time during which the page was not shown does not count toward the launch spacing.
        if (shown != m_previousShown)
            ResumeFlowClock(page->flow, now);
        PageLabels labels(page->controls, m_flowFont);
        UserFilter filter(NgList(), m_hideAnonymous.load());
        RunFlowFrame(page->flow, page->comments, isLive, now, labels, page->updateState, &filter, pageGeometry());
    }
    if (page)
        acknowledge(*page);
    m_previousShown = shown;
    qarvo_sleep_millis(kFrameMs);
}

}  // namespace pelmora::viewer
