#include "viewer/core/app/app.h"

#include <memory>

#include "qarvo/file/path.h"
#include "qarvo/ini/ini_file.h"
#include "qarvo/time/clock.h"
#include "viewer/core/model/address.h"
#include "viewer/core/model/settings.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/dialog_template.h"
#include "viewer/ui/notify.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace keys = settings;

namespace {

std::atomic<C_App*> g_app{nullptr};

constexpr const char16_t* kInstanceName = u"PelmoraVista";
constexpr const char16_t* kPreferredFace = u"メイリオ";
constexpr const char16_t* kFallbackFace = u"ＭＳＰ ゴシック";
constexpr int kFallbackHeight = 12;
constexpr int kAddressBox = 1001;
constexpr int kTabPlaceholder = 1060;
constexpr int kTabStripId = 13002;
constexpr int kStatusBarId = 13001;
constexpr int kRankingTexts[] = {1046, 1047, 1048};
constexpr int kWorkerStopWaitMs = 100;

// A face that is not installed still yields a font (of another face); the made font's face
// tells whether the wanted one was there. The small height belongs to the fallback face: where
// neither face is installed (as on most Linux desktops), the substitute keeps the wanted
// height, so that text is not shrunk to a size chosen for a font that is not there.
void makeFontWithFallback(ui::C_WFont& font, int height, int weight, bool underline)
{
    const C_WString wanted(kPreferredFace);
    if (font.MakeFontEx(wanted, height, weight, false, underline, false) && font.GetFontFace().StartsWith(wanted.Left(4)))
        return;
    const C_WString fallback(kFallbackFace);
    if (font.MakeFontEx(fallback, kFallbackHeight, weight, false, underline, false) &&
        font.GetFontFace().StartsWith(fallback.Left(3)))
        return;
    font.MakeFontEx(wanted, height, weight, false, underline, false);
}

template <class T>
qarvo::common::Pointer<qarvo::I_Function> memberFunction(T* object, void (T::*member)())
{
    return qarvo::common::Pointer<qarvo::I_Function>(std::make_shared<qarvo::C_FunctionTypeMember<T>>(object, member));
}

}  // namespace

C_App::C_App() : m_execQueue(C_MainWnd::m_cs)
{
    g_app.store(this);
    m_worker.SetFunction(memberFunction(this, &C_App::WorkLoop));
    m_display.SetFunction(memberFunction(this, &C_App::runCommentFlow));
}

C_App::~C_App()
{
    m_closing.store(1);
    stopThreadsForever();
    // Windows that are left (a start-up that failed half way, the comment information
    // dialog) go now, while the objects their procedures use still exist.
    if (WindowHandle dialog = m_modalChild.exchange(0); dialog && ui::IsWindow(dialog))
        ui::DestroyWindow(dialog);
    if (m_mainWindow && ui::IsWindow(m_mainWindow))
        ui::DestroyWindow(m_mainWindow);
    C_App* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

C_App* C_App::Get()
{
    return g_app.load();
}

void C_App::SetRequestMode(const C_WString& mode)
{
    m_requestMode = mode;
}

void C_App::SetEngineCandidates(std::vector<std::string> candidates)
{
    m_engineCandidates = std::move(candidates);
}

int C_App::Run()
{
    if (!IsFirstTimeCreateAppMutex(C_WString(kInstanceName)))
        return -1;
    makeFonts();
    SetRunMode(RunDialogLoop);
    if (!DialogModeLessExec(ui::IDD_MAIN))
        return -1;
    return MainRun();
}

void C_App::makeFonts()
{
    makeFontWithFallback(m_linkFont, 18, 0, true);
    makeFontWithFallback(m_smallFont, 16, 0, false);
    // The flowing comments' font; made here rather than on the display thread so that the
    // toolkit's font machinery is touched from the GUI thread only.
    makeFontWithFallback(m_flowFont, 20, 10, false);
}

int C_App::OnInitialize()
{
    m_mainWindow = GetHWnd();
    const WindowHandle main = m_mainWindow;

    ui::Rect window, desktop = ui::GetDesktopRect();
    ui::GetWindowRect(main, &window);
    ui::SetWindowPos(main, 0, desktop.left + (desktop.Width() - window.Width()) / 2,
                     desktop.top + (desktop.Height() - window.Height()) / 2, 0, 0,
                     ui::SWP_NOSIZE | ui::SWP_NOZORDER | ui::SWP_SHOWWINDOW);
    qarvo::qarvo_CreateDirectory(C_WString(u"out"), 0755);
    qarvo::qarvo_CreateDirectory(C_WString(u"list"), 0755);

    const WindowHandle placeholder = ui::GetDlgItem(main, kTabPlaceholder);
    const WindowHandle tab = placeholder ? ui::CreateTabStrip(placeholder, kTabStripId) : 0;
    if (!tab) {
        ui::MessageBox(main, C_WString(u"タブコントロールの作成に失敗しました。"), C_WString(u"エラー"),
                       ui::MB_OK | ui::MB_ICONERROR);
    } else {
        m_tabStrip.store(tab);
        ui::TabCtrl_SetMinTabWidth(tab, 20);
        ui::SetWindowFont(tab, m_smallFont);
        WindowHandle history = 0;
        addTabPage(C_WString(u"最近見た動画"), true, ui::IDD_HISTORY_PAGE,
                   [this](WindowHandle& w, unsigned& m, WParam& wp, LParam& lp) { return historyPageProc(w, m, wp, lp); },
                   &history);
    }

    m_addressBox.store(ui::GetDlgItem(main, kAddressBox));
    C_WString lastUrl, lastAddress;
    {
        qarvo::C_WIniFile ini(C_WString(keys::kFileName));
        if (ini.IsExistStr(C_WString(keys::kLastUrl))) {
            lastUrl = ini.GetStr(C_WString(keys::kLastUrl));
            lastAddress = AddressIdentifier(lastUrl);
        }
    }
    if (lastUrl.IsEmpty()) {
        ui::SetDlgItemText(main, kAddressBox, MainWatchPrefix());
    } else {
        std::lock_guard<std::mutex> lock(m_lastAddressLock);
        m_lastAddress = lastAddress;
    }
    loadAddressList(lastAddress);
    // Without a history entry for it the box would stay empty and a fetch at start-up would
    // have nothing to fetch: show the stored address itself.
    if (!lastUrl.IsEmpty() && ui::ComboBox_GetCurSel(m_addressBox.load()) < 0)
        ui::SetDlgItemText(main, kAddressBox, lastUrl);

    keys::WriteStartupDefaults();
    int getStartup = 0;
    {
        qarvo::C_WIniFile ini(C_WString(keys::kFileName));
        getStartup = ini.GetInt(C_WString(keys::kGetStartup));
    }

    const WindowHandle status = ui::CreateStatusBar(main, kStatusBarId);
    if (status) {
        ui::SetWindowText(status, C_WString());
        ui::SetWindowFont(status, m_smallFont);
        m_statusBar.store(status);
    }
    for (int id : kRankingTexts)
        if (WindowHandle text = ui::GetDlgItem(main, id))
            ui::SetWindowFont(text, m_smallFont);
    ReloadNgList();
    readFlowSettings();

    ui::GetWindowRect(main, &m_initialRect);
    m_windowSizeKnown.store(1);

    m_worker.Start();

    if (getStartup > 0)
        ui::PostMessage(main, ui::WM_COMMAND, ui::MakeWParam(ui::IDOK, ui::BN_CLICKED), 0);
    ui::Rect client;
    ui::GetClientRect(main, &client);
    ui::PostMessage(main, ui::WM_SIZE, ui::SIZE_RESTORED, ui::MakeLParam(client.Width(), client.Height()));
    ui::ShowWindow(main, ui::SW_SHOW);
    return 1;
}

void C_App::loadAddressList(const C_WString& lastAddress)
{
    const C_WString path = C_WString::Stringf(u"%s/%s", u"list", u"list.txt");
    const WindowHandle box = m_addressBox.load();
    std::map<C_WString, C_WString> entries;
    {
        std::lock_guard<std::mutex> lock(m_historyLock);
        m_history.Load(path);
        entries = m_history.Entries();
    }
    for (const auto& [id, title] : entries)
        ui::ComboBox_AddString(box, AddressHistory::EntryText(id, title));
    auto last = entries.find(lastAddress);
    if (last != entries.end()) {
        const int index =
            ui::ComboBox_FindStringExact(box, -1, AddressHistory::EntryText(last->first, last->second));
        if (index >= 0)
            ui::ComboBox_SetCurSel(box, index);
    }
}

LResult C_App::WindowProc(WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam)
{
    switch (message) {
    case ui::WM_NOTIFY: {
        const ui::NotifyHeader* header = ui::NotifyOf(lParam);
        if (header && header->code == ui::TCN_SELCHANGE && m_tabStrip.load()) {
            showTabPage(ui::TabCtrl_GetCurSel(m_tabStrip.load()));
            return 1;
        }
        return 0;
    }
    case ui::WM_SIZE:
        if (!m_tabStrip.load())
            return 0;
        layoutTabPages();
        return 1;
    case ui::WM_COMMAND:
        onCommand(window, wParam, lParam);
        return 1;
    case kMsgSelectTab:
        SelectTab(static_cast<int>(wParam));
        return 1;
    case ui::WM_CLOSE:
        onClose(lParam);
        return 1;
    case ui::WM_DESTROY:
        if (window != m_mainWindow)
            return 0;
        SaveLastUrl();
        ui::PostQuitMessage(0);
        return 1;
    default:
        return 0;
    }
}

void C_App::SelectTab(int index)
{
    if (!ui::IsGuiThread()) {
        ui::PostMessage(m_mainWindow, kMsgSelectTab, static_cast<WParam>(index), 0);
        return;
    }
    if (!m_tabStrip.load())
        return;
    ui::TabCtrl_SetCurSel(m_tabStrip.load(), index);
    showTabPage(index);
}

// The first WM_CLOSE raises the closing flag that every loop polls; later ones come back
// until the worker and display threads have ended, so the window (and everything those
// threads use) stays until then. Only then are the engine's jobs stopped and joined.
void C_App::onClose(LParam pass)
{
    if (m_closing.exchange(1) == 0) {
        m_historyImages.Stop();
        m_tagRequests.Stop();
        ui::PostMessage(m_mainWindow, ui::WM_CLOSE, 0, 1);
        return;
    }
    if (!ui::IsWindow(m_mainWindow))
        return;
    int result = 0;
    {
        // A thread that waits for the GUI thread gives up while we wait for it.
        ui::GuiWaitScope waiting;
        result = m_worker.Stop(kWorkerStopWaitMs);
        if (result != qarvo::C_ThreadEx::StillRunning)
            result = m_display.Stop(kWorkerStopWaitMs);
    }
    if (result == qarvo::C_ThreadEx::StillRunning) {
        ui::PostMessage(m_mainWindow, ui::WM_CLOSE, 0, pass + 1);
        return;
    }
    UnloadEngine();
    ui::DestroyWindow(m_mainWindow);
}

void C_App::stopThreadsForever()
{
    ui::GuiWaitScope waiting;
    m_historyImages.Stop();
    m_tagRequests.Stop();
    m_worker.Stop(0);
    UnloadEngine();
    m_display.Stop(0);
}

void C_App::UnloadEngine()
{
    if (m_engineReady.load()) {
        // Stops and joins every job; a callback that waits for the GUI thread gives up.
        ui::GuiWaitScope waiting;
        m_engine.exitParseAll();
    }
    qarvo::C_CriticalLock lock(C_MainWnd::m_cs);
    m_engineReady.store(false);
    m_engine.Free();
}

void C_App::readFlowSettings()
{
    qarvo::C_WIniFile ini(C_WString(keys::kFileName));
    m_hideAnonymous.store(ini.GetInt(C_WString(keys::kNgAnonymous)) > 0);
}

void C_App::SaveLastUrl()
{
    const C_WString last = LastAddress();
    if (last.IsEmpty())
        return;
    qarvo::C_WIniFile ini(C_WString(keys::kFileName));
    ini.SetStr(C_WString(keys::kLastUrl), last);
}

C_WString C_App::LastAddress()
{
    std::lock_guard<std::mutex> lock(m_lastAddressLock);
    return m_lastAddress;
}

void C_App::PushExecMessage(const ExecMessage& message)
{
    m_execQueue.Push(message);
}

void C_App::PushExecMessage(int type)
{
    ExecMessage message;
    message.type = type;
    m_execQueue.Push(message);
}

void C_App::PostDelayed(uint32_t delayMs, WindowHandle window, WParam wParam, LParam lParam)
{
    m_delayed.Add(DelayMessage{qarvo_time_millis(), delayMs, window, ui::WM_COMMAND, wParam, lParam});
}

void C_App::PostDelayedFetch(const C_WString& address, int renew, uint32_t delayMs, WindowHandle page)
{
    const LParam key = m_pendingAddresses.Add(address, page);
    PostDelayed(delayMs, m_mainWindow, ui::MakeWParam(kDelayedFetchCommand, renew ? 1 : 0), key);
}

void C_App::SetStatusText(const C_WString& text)
{
    if (const WindowHandle status = m_statusBar.load())
        ui::SetWindowText(status, text);
}

std::optional<C_App::PageSnapshot> C_App::SnapshotPage(const C_WString& identifier)
{
    qarvo::C_CriticalLock lock(m_pageLock);
    auto it = m_pages.find(identifier);
    if (it == m_pages.end())
        return std::nullopt;
    const NICO_LOCAL_PARAM& page = *it->second;
    PageSnapshot s;
    s.window = page.window;
    s.address = page.address;
    s.isLive = page.isLive;
    s.lastNumber = page.lastNumber;
    s.updateState = page.updateState.load();
    s.closing = page.closing.load();
    s.commentTimer = page.commentTimer;
    s.tagTimer = page.tagTimer;
    s.textFileName = page.textFileName;
    if (page.request) {
        s.requestValue = reinterpret_cast<intptr_t>(page.request.get());
        s.jobId = page.request->jobId.load();
        s.renew = page.request->renew.load();
    }
    s.comments = page.comments;
    s.tags = page.tags;
    s.controls = page.controls;
    return s;
}

}  // namespace pelmora::viewer
