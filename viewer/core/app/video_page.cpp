// The video page of template 107: tag links with their domain selector, the two refetch
// toggles with their gauges, and the labels of the flowing comments. GUI thread.

#include <memory>

#include "engine/service/endpoints.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/url.h"
#include "viewer/core/app/app.h"
#include "viewer/core/app/control_hook.h"
#include "viewer/core/model/address.h"
#include "viewer/core/model/tag_layout.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

namespace {

enum PageControl {
    kFirstTagLabel = 1003,
    kLastTagLabel = 1017,
    kDomainSelector = 1019,
    kCommentButton = 1051,
    kTagButton = 1052,
    kCommentGauge = 1075,
    kTagGauge = 1076,
};

constexpr const char16_t* kDomainEntries[] = {u"日本(jp)", u"台湾(tw)", u"ドイツ(de)", u"スペイン(es)", u"＜SELECTE＞"};
// The last entry hides every tag.
constexpr int kHideTagsEntry = 4;
constexpr int kLabelTextLimit = 260;

// A tag label opens the main site's tag page of its tag (the text before a blank, which drops
// the lock mark).
void openTagPage(WindowHandle label)
{
    C_WString tag = ui::GetWindowText(label, kLabelTextLimit);
    if (tag.IsEmpty())
        return;
    const int blank = tag.IndexOf(u" ");
    if (blank >= 0)
        tag = tag.Left(blank);
    const qarvo::C_String encoded = System::_url_encode_a(System::utf16_to_utf8(tag), 0);
    const qarvo::C_String address =
        qarvo::C_String::Stringf("http://%s%s%s", pelmora::endpoints::kMainHost, pelmora::endpoints::kTagPath,
                                 encoded.c_str());
    ui::OpenAddress(C_WString(address));
}

}  // namespace

PagePtr C_App::createVideoPage(const C_WString& address)
{
    auto page = qarvo::common::MakePointer<NICO_LOCAL_PARAM>();
    page->address = address;
    page->identifier = AddressIdentifier(address);

    WindowHandle window = 0;
    addTabPage(page->identifier, false, ui::IDD_VIDEO_PAGE,
               [this](WindowHandle& w, unsigned& m, WParam& wp, LParam& lp) { return videoPageProc(w, m, wp, lp); },
               &window);
    if (!window)
        return PagePtr();
    page->window = window;

    VideoPageControls& c = page->controls;
    c.commentButton = ui::GetDlgItem(window, kCommentButton);
    c.tagButton = ui::GetDlgItem(window, kTagButton);
    c.commentGauge = ui::GetDlgItem(window, kCommentGauge);
    c.tagGauge = ui::GetDlgItem(window, kTagGauge);
    c.domainSelector = ui::GetDlgItem(window, kDomainSelector);
    for (int i = 0; i < kCommentLabelCount; ++i)
        c.commentLabels[i] = ui::GetDlgItem(window, kFirstCommentLabel + i);
    for (int i = 0; i < kTagLabelCount; ++i)
        c.tagLabels[i] = ui::GetDlgItem(window, kFirstTagLabel + i);

    for (const char16_t* entry : kDomainEntries)
        ui::ComboBox_InsertString(c.domainSelector, -1, C_WString(entry));
    ui::ComboBox_SetCurSel(c.domainSelector, 0);

    for (WindowHandle label : c.tagLabels) {
        ui::SetWindowFont(label, m_linkFont);
        SubclassControl(label, [](WindowHandle w, unsigned message) -> LResult {
            if (message == ui::WM_SETCURSOR) {
                ui::SetCursor(ui::IDC_HAND);
                return 0;
            }
            if (message == ui::WM_LBUTTONDOWN) {
                openTagPage(w);
                return 0;
            }
            return kChainOn;
        });
    }
    for (WindowHandle label : c.commentLabels) {
        ui::SetWindowFont(label, m_linkFont);
        SubclassControl(label, [this](WindowHandle w, unsigned message) -> LResult {
            if (message == ui::WM_SETCURSOR) {
                ui::SetCursor(ui::IDC_HAND);
                return 0;
            }
            if (message == ui::WM_LBUTTONDOWN) {
                openCommentInfo(w);
                return 0;
            }
            return kChainOn;
        });
    }
    return page;
}

PagePtr C_App::pageOfWindow(WindowHandle window)
{
    qarvo::C_CriticalLock lock(m_pageLock);
    for (const auto& entry : m_pages)
        if (entry.second->window == window)
            return entry.second;
    return PagePtr();
}

LResult C_App::videoPageProc(WindowHandle page, unsigned message, WParam wParam, LParam lParam)
{
    switch (message) {
    case ui::WM_INITDIALOG:
        return 1;
    case ui::WM_COMMAND:
        switch (ui::LowWord(wParam)) {
        case kCommentButton:
            onMonitorButton(page, 0);
            return 1;
        case kTagButton:
            onMonitorButton(page, 1);
            return 1;
        case kDomainSelector:
            if (ui::HighWord(wParam) != ui::CBN_SELCHANGE)
                return 0;
            if (!m_execQueue.IsEmpty()) {
                // One tag request at a time: ask again once the worker has taken what waits.
                PostDelayed(100, page, wParam, lParam);
            } else if (const PagePtr record = pageOfWindow(page)) {
                PushExecMessage(ExecMessage{ExecMessage::VideoInfo, page, record->identifier});
            }
            return 1;
        default:
            return 0;
        }
    case ui::WM_CTLCOLORSTATIC: {
        const int id = ui::GetDlgCtrlID(static_cast<WindowHandle>(lParam));
        if (id < kFirstTagLabel || id > kLastTagLabel)
            return 0;
        ui::SetTextColor(wParam, ui::Rgb(0, 0, 255));
        ui::SetBkMode(wParam, ui::TRANSPARENT);
        return ui::GetStockObject(ui::NULL_BRUSH);
    }
    case kMsgLayoutTags:
        layoutTags(page);
        return 1;
    default:
        return 0;
    }
}

void C_App::onMonitorButton(WindowHandle window, int kind)
{
    const PagePtr page = pageOfWindow(window);
    if (!page)
        return;
    const WindowHandle button = kind == 0 ? page->controls.commentButton : page->controls.tagButton;
    const WindowHandle gauge = kind == 0 ? page->controls.commentGauge : page->controls.tagGauge;
    const char16_t* text = nullptr;
    bool switchedOff = false;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        RefetchTimer& timer = kind == 0 ? page->commentTimer : page->tagTimer;
        if (timer.monitor > 0) {
            SwitchTimerOff(timer);
            text = u"監視";
            switchedOff = true;
        } else if (timer.monitor == 0) {
            timer.monitor = 1;
            text = u"停止";
        }
    }
    if (!text)
        return;
    ui::SetWindowText(button, C_WString(text));
    if (switchedOff)
        ui::PostMessage(gauge, ui::PBM_SETPOS, 0, 0);
}

void C_App::layoutTags(WindowHandle window)
{
    const PagePtr page = pageOfWindow(window);
    if (!page)
        return;
    const VideoPageControls& c = page->controls;
    int domain = ui::ComboBox_GetCurSel(c.domainSelector);
    if (domain < 0)
        domain = 0;
    for (WindowHandle label : c.tagLabels) {
        ui::SetWindowText(label, C_WString());
        ui::MoveWindow(label, 0, 0, 10, 10);
        ui::ShowWindow(label, ui::SW_HIDE);
    }
    if (domain >= kHideTagsEntry)
        return;
    TagSet tags;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        tags = page->tags[static_cast<size_t>(domain)];
    }
    const std::vector<TagPlacement> placed =
        LayoutTags(tags, [this](const C_WString& text) { return m_linkFont.GetStringWidth(text); }, pageGeometry());
    for (size_t i = 0; i < placed.size(); ++i) {
        const WindowHandle label = c.tagLabels[i];
        ui::MoveWindow(label, placed[i].x, placed[i].y, placed[i].width, placed[i].height);
        ui::SetWindowText(label, placed[i].text);
        ui::ShowWindow(label, ui::SW_SHOW);
    }
}

}  // namespace pelmora::viewer
