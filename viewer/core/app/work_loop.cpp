// The worker thread: work requests (video information and tags, status clearing, the viewing
// history), the refetch timers of every page, and the delayed window messages. One pass every
// 100 ms.

#include "qarvo/time/clock.h"
#include "viewer/core/app/app.h"
#include "viewer/core/app/video_info.h"
#include "viewer/core/model/address.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

constexpr uint32_t kStatusClearMs = 10000;
constexpr int kPassMs = 100;
constexpr int kClosingIdleMs = 10;
// Gauge range 0..100 as the low and high words of lParam.
constexpr LParam kGaugeRange = 0x640000;

void resetGauge(WindowHandle gauge)
{
    ui::PostMessage(gauge, ui::PBM_SETRANGE, 0, kGaugeRange);
    ui::PostMessage(gauge, ui::PBM_SETSTEP, 0, 0);
    ui::PostMessage(gauge, ui::PBM_SETPOS, 0, 0);
}

}  // namespace

void C_App::WorkLoop()
{
    if (m_closing.load()) {
        qarvo_sleep_millis(kClosingIdleMs);
        return;
    }
    if (const auto message = m_execQueue.Pop()) {
        switch ((*message)->type) {
        case ExecMessage::VideoInfo:
            m_tagRequests.Push(**message);
            break;
        case ExecMessage::ClearStatusLater:
            m_statusClearPending = true;
            m_statusClearStart = qarvo_time_millis();
            break;
        case ExecMessage::ViewingHistory:
            FetchViewingHistory();
            break;
        default:
            break;
        }
    }
    const uint32_t now = qarvo_time_millis();
    if (m_statusClearPending && now - m_statusClearStart > kStatusClearMs) {
        m_statusClearPending = false;
        SetStatusText(C_WString());
    }
    stepRefetchTimers(now);
    m_delayed.PostDue(now);
    if (m_rankingState.load() != 0 && !m_closing.load())
        stepMarketRanking(now);
    qarvo_sleep_millis(kPassMs);
}

// On the tag request thread.
void C_App::fetchTagsFor(const ExecMessage& message)
{
    TagLists tags;
    // A request that failed keeps the page's last good tags.
    if (!FetchVideoInfo(message.address, m_closing, tags) || m_closing.load())
        return;
    const C_WString identifier = AddressIdentifier(message.address);
    bool stored = false;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        auto it = m_pages.find(identifier);
        if (it != m_pages.end() && it->second->window == message.window) {
            it->second->tags = std::move(tags);
            stored = true;
        }
    }
    if (stored)
        ui::PostMessage(message.window, kMsgLayoutTags, 0, 0);
}

// Runs under the page map lock and only posts: it never waits for the GUI thread.
void C_App::stepRefetchTimers(uint32_t now)
{
    qarvo::C_CriticalLock lock(m_pageLock);
    for (const auto& entry : m_pages) {
        if (m_closing.load())
            return;
        NICO_LOCAL_PARAM& page = *entry.second;
        for (int kind = 0; kind < 2; ++kind) {
            RefetchTimer& timer = kind == 0 ? page.commentTimer : page.tagTimer;
            const WindowHandle gauge = kind == 0 ? page.controls.commentGauge : page.controls.tagGauge;
            if (!gauge)
                continue;
            // The count stands still while the page's failure box is open.
            if (kind == 0 && page.openBoxes.load() > 0) {
                timer.tick = now;
                continue;
            }
            const TimerStepResult step = StepRefetchTimer(timer, now);
            if (step.resetGauge)
                resetGauge(gauge);
            if (step.position >= 0)
                ui::PostMessage(gauge, ui::PBM_SETPOS, static_cast<WParam>(step.position), 0);
            if (!step.fire)
                continue;
            if (kind == 1) {
                PushExecMessage(ExecMessage{ExecMessage::VideoInfo, page.window, page.identifier});
                continue;
            }
            // An interval confirmed in the settings dialog applies from this refetch on.
            const int pending =
                page.isLive ? m_pendingIntervals.live.exchange(0) : m_pendingIntervals.comment.exchange(0);
            if (pending != 0)
                timer.interval = pending * 1000;
            PostDelayedFetch(page.address, 1, 0, page.window);
        }
    }
}

}  // namespace pelmora::viewer
