// StartFetch: from a typed address to an engine job. Binds the engine on first use, replaces
// the page of the previous address, makes the page of a new address, reads the settings into
// it and starts, renews or stops its job. GUI thread.

#include "qarvo/ini/ini_file.h"
#include "viewer/core/app/app.h"
#include "viewer/core/model/address.h"
#include "viewer/core/model/settings.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace keys = settings;

namespace {

constexpr int kRequestCount = 1000;

void setMonitorButton(WindowHandle button, int monitor)
{
    ui::SetWindowText(button, C_WString(monitor != 0 ? u"停止" : u"監視"));
}

}  // namespace

bool C_App::bindEngine(C_WString* message)
{
    if (m_engineReady.load())
        return true;
    qarvo::C_CriticalLock lock(C_MainWnd::m_cs);
    if (m_engineReady.load())
        return true;
    const std::vector<std::string> candidates =
        m_engineCandidates.empty() ? C_EngineBinding::DefaultCandidates() : m_engineCandidates;
    switch (m_engine.Load(candidates)) {
    case C_EngineBinding::LoadResult::Loaded:
        Monitor(C_WString(u"dll : 読み込みました"));
        m_engineReady.store(true);
        return true;
    case C_EngineBinding::LoadResult::NotFound:
        if (message)
            *message = C_WString(u"dll が見つかりません");
        return false;
    case C_EngineBinding::LoadResult::Invalid:
        if (message)
            *message = C_WString(u"dll が不正です");
        return false;
    }
    return false;
}

// Requests that no page holds any more stay in the table until their last job has ended: the
// engine may still call back with their address.
void C_App::pruneRequests()
{
    qarvo::C_CriticalLock lock(m_pageLock);
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        bool held = false;
        for (const auto& entry : m_pages)
            held = held || entry.second->request == it->second;
        const int job = it->second->jobId.load();
        if (!held && (job <= 0 || !m_engine.isExistParse(job)))
            it = m_requests.erase(it);
        else
            ++it;
    }
}

C_App::PreviousPage C_App::closePreviousPage(const C_WString& address)
{
    PagePtr previous;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        auto it = m_pages.find(AddressIdentifier(m_previousAddress));
        if (it != m_pages.end())
            previous = it->second;
    }
    if (previous) {
        if (previous->closing.load() == 0) {
            previous->updateState.store(1);
            previous->closing.store(1);
        }
        const RequestPtr request = previous->request;
        if (request && m_engine.isExistParse(request->jobId.load()))
            m_engine.exitEntryParse(request->jobId.load());
        // The display thread may be walking the page's comments; it lets go within a frame
        // (answering -1), and the caller tries again.
        if (previous->updateState.load() == 1 && m_display.IsRunning()) {
            Monitor(C_WString(u"busy"));
            return PreviousPage::Busy;
        }
        {
            qarvo::C_CriticalLock lock(m_pageLock);
            auto it = m_pages.find(previous->identifier);
            if (it != m_pages.end() && it->second == previous)
                m_pages.erase(it);
        }
        removeTabPage(previous->window);
    }
    m_previousAddress = address;
    if (const WindowHandle child = m_modalChild.exchange(0))
        ui::PostMessage(child, ui::WM_CLOSE, 0, 0);
    return PreviousPage::Closed;
}

void C_App::readPageSettings(NICO_LOCAL_PARAM& page)
{
    qarvo::C_WIniFile ini{SettingsFile()};
    auto get = [&ini](const char16_t* key) { return ini.GetInt(C_WString(key)); };

    page.isLive = ClassifyAddress(page.address);
    page.getTag = get(keys::kGetTag);
    page.saveText = get(keys::kFactoryComment) != 0 ? 1 : 0;
    page.saveXml = get(keys::kFactoryCommentXml) > 0 ? 1 : 0;
    page.commentTimer = RefetchTimer{};
    page.tagTimer = RefetchTimer{};
    int commentSeconds = get(keys::kCommentInterval);
    const int tagSeconds = get(keys::kTagInterval);
    page.commentTimer.monitor = get(keys::kGetComment) != 0 ? -1 : 0;
    page.tagTimer.monitor = get(keys::kGetTagAuto) != 0 ? -1 : 0;

    const VideoPageControls& c = page.controls;
    ui::EnableWindow(c.commentButton, true);
    setMonitorButton(c.commentButton, page.commentTimer.monitor);
    setMonitorButton(c.tagButton, page.tagTimer.monitor);
    ui::Progress_SetPos(c.commentGauge, 0);
    ui::Progress_SetPos(c.tagGauge, 0);

    if (page.isLive) {
        commentSeconds = get(keys::kLiveInterval);
        page.getTag = 0;
        page.tagTimer.monitor = 0;
        ui::EnableWindow(c.tagButton, false);
        ui::SetWindowText(c.tagButton, C_WString(u"無効"));
    } else {
        ui::EnableWindow(c.tagButton, true);
    }
    page.commentTimer.interval = keys::IntervalToMillis(commentSeconds);
    page.tagTimer.interval = keys::IntervalToMillis(tagSeconds);
}

int C_App::StartFetch(C_WString* message, int renew, C_WString address)
{
    if (m_closing.load())
        return -3;
    if (!bindEngine(message))
        return -1;
    pruneRequests();

    // Blanks typed around an address would otherwise cut it down to the bare watch prefix.
    address.Trim();
    if (address.IsEmpty())
        return -3;
    address = NormalizeAddress(address);
    Monitorf(u"startvideo : %s", address.c_str());
    const C_WString identifier = AddressIdentifier(address);
    if (identifier.IsEmpty())
        return -3;

    if (m_previousAddress.IsEmpty())
        m_previousAddress = address;
    if (address != m_previousAddress && closePreviousPage(address) == PreviousPage::Busy)
        return -2;

    PagePtr page;
    bool isNew = false;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        auto it = m_pages.find(identifier);
        if (it != m_pages.end())
            page = it->second;
    }
    if (!page) {
        page = createVideoPage(address);
        if (!page)
            return -3;
        isNew = true;
        {
            qarvo::C_CriticalLock lock(m_pageLock);
            m_pages[identifier] = page;
        }
        // The user asked for this address: show its page. A timed refetch leaves the
        // selection alone.
        if (renew == 0)
            selectPageTab(page->window);
    }

    // startParse runs with the page map lock held; the callback takes the same lock on the
    // job thread, which is safe because startParse returns without waiting for the job.
    qarvo::C_CriticalLock lock(m_pageLock);
    RequestPtr request = page->request;
    const bool running = request && m_engine.isExistParse(request->jobId.load()) != 0;
    if (!running) {
        if (!request || renew == 0) {
            request = qarvo::common::MakePointer<UserParam>();
            request->identifier = identifier;
            page->request = request;
            renew = 0;
            readPageSettings(*page);
            if (isNew && page->getTag)
                PushExecMessage(ExecMessage{ExecMessage::VideoInfo, page->window, identifier});
        }
        // "progress": the engine reports its retries while it works (shown in the status bar).
        const C_WString mode = C_WString(u"progress_") + (page->saveXml ? C_WString(u"xml_") : C_WString()) + m_requestMode;
        const C_WString text = C_WString::Stringf(u"%s %d %s", page->address.c_str(), kRequestCount, mode.c_str());
        Monitor(text);
        request->renew.store(renew);
        const intptr_t userValue = reinterpret_cast<intptr_t>(request.get());
        m_requests[userValue] = request;
        const int job = m_engine.startParse(reinterpret_cast<const pelmora_wchar*>(text.c_str()), userValue,
                                            &C_App::OnParseResult);
        request->jobId.store(job);
        return job;
    }

    const int job = request->jobId.load();
    if (page->isLive) {
        // A timed refetch or "取得" on a running broadcast wakes its job for what is new.
        if (m_engine.nicolive_update(job) != 0) {
            // The comment timer rests until the woken job's next batch arms it again.
            page->commentTimer.monitor = -1;
            request->renew.store(1);
            return job;
        }
        // The job is fetching already: "取得" has nothing more to ask for.
        if (renew == 0)
            return job;
    }
    if (request->renew.load() == 0)
        return -3;
    m_engine.exitEntryParse(job);
    return -2;
}

}  // namespace pelmora::viewer
