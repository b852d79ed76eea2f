// The main window's commands: the fetch button, the delayed fetch command, the menu, the
// keyboard (Escape, Ctrl+L, Ctrl+Q) and what a second start hands over. GUI thread.

#include "qarvo/file/path.h"
#include "qarvo/file/path_encoding.h"
#include "viewer/core/app/app.h"
#include "viewer/core/app/ass_export.h"
#include "viewer/core/app/login_choice.h"
#include "viewer/core/model/settings.h"
#include "viewer/core/model/address.h"
#include "viewer/core/model/app_folders.h"
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
    kMenuMonitor = 40020,
    kMenuSaveAss = 40012,
    kFocusAddress = 40014,  // Ctrl+L; no menu item
};

constexpr int kAddressBox = 1001;
constexpr int kAddressLimit = 260;
constexpr uint32_t kBusyRetryFirstMs = 1000;
constexpr uint32_t kBusyRetryMs = 500;
constexpr const char16_t* kFetchFailed = u"コメントの取得に失敗しました。";
constexpr const char* kReleaseNotes = "history.txt";
constexpr const char* kInstalledReleaseNotes = "share/pelmoravista/history.txt";

// The release notes of this copy: beside the program (a build or an unpacked copy) or under
// the installation prefix; in a portable folder its own history.txt comes first, elsewhere
// the current folder is the user's and never looked at. Empty when there are none; *looked
// lists where they were looked for.
C_WString releaseNotesPath(const AppFolders& folders, C_WString* looked)
{
    std::vector<std::string> candidates = qarvo::qarvo_ProgramFileCandidates(kReleaseNotes, kInstalledReleaseNotes);
    if (!folders.portable)
        candidates.erase(candidates.begin());
    for (const std::string& candidate : candidates) {
        C_WString path = qarvo::PathFromUtf8(candidate);
        if (!candidate.starts_with("/"))
            path = qarvo::qarvo_JoinPath(qarvo::qarvo_GetCurrentDirectory(), path);
        if (qarvo::qarvo_FileExists(path))
            return path;
        *looked += u"\r\n" + path;
    }
    return C_WString();
}

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
        // A slip of the finger must not end a broadcast being followed (and a second Escape
        // or Enter answers "No").
        if (FollowsBroadcast() &&
            ui::MessageBox(m_mainWindow, C_WString(u"終了しますか？"), C_WString(u"PelmoraVista"),
                           ui::MB_YESNO | ui::MB_ICONQUESTION | ui::MB_DEFBUTTON2) != ui::IDYES)
            break;
        ui::PostMessage(m_mainWindow, ui::WM_CLOSE, 0, 0);
        break;
    case kMenuExit:
        ui::PostMessage(m_mainWindow, ui::WM_CLOSE, 0, 0);
        break;
    case kFocusAddress:
        ui::SetFocus(m_addressBox.load());
        ui::ComboBox_SetEditSel(m_addressBox.load(), 0, -1);
        break;
    case kMenuOpenFolder:
        ui::OpenAddress(Folders().shownFolder + u"/");
        break;
    case kMenuSettings:
        RunSettingsDialog(m_mainWindow, m_pendingIntervals, [this](WindowHandle owner) { runNgEditor(owner); });
        readFlowSettings();
        break;
    case kMenuReleaseNotes: {
        C_WString looked;
        const C_WString notes = releaseNotesPath(Folders(), &looked);
        if (!notes.IsEmpty())
            ui::OpenAddress(notes);
        else
            ui::MessageBox(m_mainWindow, C_WString(u"更新履歴 (history.txt) が見つかりませんでした。探した場所:") + looked,
                           C_WString(u"更新履歴"), ui::MB_OK | ui::MB_ICONWARNING);
        break;
    }
    case kMenuMonitor:
        ShowMonitor();
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
    ApplyLoginChoiceOnce(SettingsFile());
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
    ApplyLoginChoiceOnce(SettingsFile());
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

// Nothing on this desktop opens the address (no browser, no file manager): say so, and offer
// the address for the user to paste where it can be opened.
void C_App::showOpenFailure(const C_WString& address)
{
    const bool folder = !address.StartsWith(u"http://") && !address.StartsWith(u"https://");
    const C_WString text =
        C_WString(folder ? u"次の場所を開けませんでした (ファイルマネージャなど、開くプログラムが見つかりません)。"
                         : u"次のアドレスを開けませんでした (ブラウザなど、開くプログラムが見つかりません)。") +
        u"\r\n\r\n" + address + u"\r\n\r\n" +
        C_WString(folder ? u"場所をクリップボードにコピーしますか？" : u"アドレスをクリップボードにコピーしますか？");
    if (ui::MessageBox(m_mainWindow, text, C_WString(u"開けませんでした"), ui::MB_YESNO | ui::MB_ICONWARNING) == ui::IDYES)
        ui::SetClipboardText(address);
}

bool C_App::FollowsBroadcast()
{
    if (!m_engineReady.load())
        return false;
    qarvo::C_CriticalLock lock(m_pageLock);
    for (const auto& entry : m_pages) {
        const NICO_LOCAL_PARAM& page = *entry.second;
        if (page.isLive && !page.closing.load() && page.request && page.request->jobId.load() > 0 &&
            m_engine.isExistParse(page.request->jobId.load()))
            return true;
    }
    return false;
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
