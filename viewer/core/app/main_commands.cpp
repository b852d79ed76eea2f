// The main window's commands: the fetch button, the delayed fetch command, the menu and the
// Escape key. GUI thread.

#include "qarvo/file/path.h"
#include "viewer/core/app/app.h"
#include "viewer/core/app/ass_export.h"
#include "viewer/core/app/login_choice.h"
#include "viewer/core/model/settings.h"
#include "viewer/core/model/address.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;

namespace {

enum CommandId {
    kFetchButton = 1,
    kEscape = 2,
    kFetchRenewButton = 1077,
    kMenuExit = 40002,
    kMenuOpenFolder = 40004,
    kMenuSettings = 40006,
    kMenuReleaseNotes = 40008,
    kMenuOpenAddress = 40010,
    kMenuSaveAss = 40012,
};

constexpr int kAddressBox = 1001;
constexpr int kAddressLimit = 260;
constexpr uint32_t kBusyRetryFirstMs = 1000;
constexpr uint32_t kBusyRetryMs = 500;
constexpr const char16_t* kFetchFailed = u"コメントの取得に失敗しました。";

}  // namespace

void C_App::onCommand(WindowHandle, WParam wParam, LParam lParam)
{
    switch (ui::LowWord(wParam)) {
    case kFetchButton:
        onFetchCommand(0);
        break;
    case kFetchRenewButton:
        onFetchCommand(1);
        break;
    case kDelayedFetchCommand:
        onDelayedFetch(wParam, lParam);
        break;
    case kEscape:
    case kMenuExit:
        ui::PostMessage(m_mainWindow, ui::WM_CLOSE, 0, 0);
        break;
    case kMenuOpenFolder:
        ui::OpenAddress(qarvo::qarvo_GetCurrentDirectory() + u"/");
        break;
    case kMenuSettings:
        RunSettingsDialog(m_mainWindow, m_pendingIntervals, [this](WindowHandle owner) { runNgEditor(owner); });
        readFlowSettings();
        break;
    case kMenuReleaseNotes:
        ui::OpenAddress(qarvo::qarvo_JoinPath(qarvo::qarvo_GetCurrentDirectory(), C_WString(u"history.txt")));
        break;
    case kMenuOpenAddress:
        if (const C_WString address = currentAddress(); !address.IsEmpty())
            ui::OpenAddress(address);
        break;
    case kMenuSaveAss:
        if (const PagePtr page = pageOfWindow(m_shownPage.load())) {
            CommentCollection comments;
            {
                qarvo::C_CriticalLock lock(m_pageLock);
                comments = page->comments;
            }
            SaveCommentsAsAss(m_mainWindow, comments, selectedTabTitle(nullptr));
        } else {
            ui::MessageBox(m_mainWindow, C_WString(u"コメントのページを選んでください。"), C_WString(u"ASS で保存"), ui::MB_OK);
        }
        break;
    default:
        break;
    }
}

void C_App::reportFetchStart(int result, const C_WString& message)
{
    if (result == -1)
        SetStatusText(message.IsEmpty() ? C_WString(kFetchFailed) : message);
    else
        SetStatusText(C_WString(u"コメントを取得中です。"));
    PushExecMessage(ExecMessage::ClearStatusLater);
}

void C_App::onFetchCommand(int renew)
{
    // The browser chosen in the settings reaches the engine before it is first loaded.
    ApplyLoginChoiceOnce(C_WString(settings::kFileName));
    const C_WString text = ui::GetDlgItemText(m_mainWindow, kAddressBox, kAddressLimit);
    C_WString message;
    const int result = StartFetch(&message, renew, text);
    if (result == -1 || result >= 0)
        reportFetchStart(result, message);
    else if (result == -2)
        PostDelayedFetch(text, renew, kBusyRetryFirstMs);
}

void C_App::onDelayedFetch(WParam wParam, LParam lParam)
{
    if (!lParam)
        return;
    const std::optional<C_WString> address = m_pendingAddresses.Find(lParam);
    if (!address)
        return;
    // A timed refetch whose page was replaced meanwhile is stale: fetching its address again
    // would replace the page the user has just opened.
    if (const WindowHandle page = m_pendingAddresses.PageOf(lParam); page && !pageOfWindow(page)) {
        m_pendingAddresses.Remove(lParam);
        return;
    }
    ApplyLoginChoiceOnce(C_WString(settings::kFileName));
    C_WString message;
    const int result = StartFetch(&message, ui::HighWord(wParam) != 0 ? 1 : 0, *address);
    if (result == -2) {
        // Still busy: the same command again, with the same address.
        PostDelayed(kBusyRetryMs, m_mainWindow, wParam, lParam);
        return;
    }
    m_pendingAddresses.Remove(lParam);
    if (result == -1 || result >= 0)
        reportFetchStart(result, message);
}

C_WString C_App::currentAddress()
{
    const WindowHandle box = m_addressBox.load();
    const int selected = ui::ComboBox_GetCurSel(box);
    const C_WString text =
        selected >= 0 ? ui::ComboBox_GetLBText(box, selected, kAddressLimit) : ui::GetWindowText(box, kAddressLimit);
    return AddressFromBoxText(text);
}

}  // namespace pelmora::viewer
