#include "viewer/core/app/app.h"

#include <cstdarg>
#include <memory>
#include <string>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/path.h"
#include "qarvo/ini/ini_file.h"
#include "qarvo/platform/environment.h"
#include "qarvo/time/clock.h"
#include "viewer/core/model/address.h"
#include "viewer/core/model/app_folders.h"
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
namespace System = qarvo::common::System;

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
// How long a second start keeps trying to reach the running viewer (which may be starting,
// or ending: then the lock comes free and this start becomes the first).
constexpr int kHandOverWaitMs = 10000;
constexpr int kHandOverTryMs = 1000;
constexpr int kBecameFirst = 1;

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

C_App::C_App() : m_execQueue(C_MainWnd::m_cs), m_monitor(std::make_unique<ui::C_DebugWnd>())
{
    g_app.store(this);
    UseFolders(ChooseAppFoldersFromEnvironment());
    m_worker.SetFunction(memberFunction(this, &C_App::WorkLoop));
    m_display.SetFunction(memberFunction(this, &C_App::runCommentFlow));
}

C_App::~C_App()
{
    ui::SetOpenFailureHandler(nullptr);
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

void C_App::SetStartAddress(const C_WString& address)
{
    m_startAddress = address;
}

int C_App::Run()
{
    if (!IsFirstTimeCreateAppMutex(C_WString(kInstanceName))) {
        const int handedOver = handOverToRunningViewer();
        if (handedOver != kBecameFirst)
            return handedOver;
    }
    makeFonts();
    if (qarvo::platform::environmentValue("PELMORA_MONITOR").value_or("") == "1")
        ShowMonitor();
    SetRunMode(RunDialogLoop);
    if (!DialogModeLessExec(ui::IDD_MAIN))
        return -1;
    return MainRun();
}

// A second start: the address goes to the running viewer, which comes forward (0). While that
// one is still starting or already ending, its channel is not there; then the lock is tried
// again, and a start that finds it free goes on as the first (kBecameFirst). -1 when nobody
// answers.
int C_App::handOverToRunningViewer()
{
    const std::string path = qarvo::platform::C_InstanceLock::ChannelPath(C_WString(kInstanceName)).std();
    const uint32_t start = qarvo_time_millis();
    qarvo::C_String state;
    while (IsExistThisApp()) {
        if (C_InstanceChannel::Send(path, m_startAddress, kHandOverTryMs, &state))
            return 0;
        if (qarvo_time_millis() - start >= static_cast<uint32_t>(kHandOverWaitMs))
            break;
        CloseAppMutex();
        if (IsFirstTimeCreateAppMutex(C_WString(kInstanceName)))
            return kBecameFirst;
    }
    if (!IsExistThisApp())
        return -1;  // the lock itself cannot be made
    ui::MessageBox(0,
                   C_WString(u"PelmoraVista はすでに起動していますが、応答がありません。\r\n") +
                       System::utf8_to_utf16(state),
                   C_WString(u"PelmoraVista"), ui::MB_OK | ui::MB_ICONWARNING);
    return -1;
}

void C_App::startInstanceChannel()
{
    const std::string path = qarvo::platform::C_InstanceLock::ChannelPath(C_WString(kInstanceName)).std();
    // Without the channel a second start waits, then says that this one does not answer.
    m_channel.Start(path, [this](const C_WString& address) {
        const LParam key = m_pendingAddresses.Add(address);
        if (!ui::PostMessage(m_mainWindow, kMsgHandOver, 0, key))
            m_pendingAddresses.Remove(key);
    });
}

void C_App::onHandOver(LParam key)
{
    const std::optional<C_WString> address = m_pendingAddresses.Find(key);
    m_pendingAddresses.Remove(key);
    if (!address || m_closing.load())
        return;
    ui::SetForegroundWindow(m_mainWindow);
    if (address->IsEmpty())
        return;
    // As the user would: the address in the box, then "取得".
    ui::SetDlgItemText(m_mainWindow, kAddressBox, *address);
    onFetchCommand(0);
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
    Folders().Create();

    captureOriginalLayout();
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
        // The window has its template's size now: the flow and the tags are laid out for
        // this page size and spread from it on larger ones.
        m_originalPageWidth.store(m_pageWidth.load());
        m_originalPageHeight.store(m_pageHeight.load());
    }
    ui::SetOpenFailureHandler([this](const C_WString& address) { showOpenFailure(address); });

    subclassRankingSlots();

    m_addressBox.store(ui::GetDlgItem(main, kAddressBox));
    C_WString lastUrl, lastAddress;
    {
        qarvo::C_WIniFile ini(SettingsFile());
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

    keys::WriteStartupDefaults(SettingsFile());
    int getStartup = 0;
    {
        qarvo::C_WIniFile ini(SettingsFile());
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

    // An address given on the command line is fetched whatever "get_startup" says.
    if (!m_startAddress.IsEmpty())
        ui::SetDlgItemText(main, kAddressBox, m_startAddress);
    if (getStartup > 0 || !m_startAddress.IsEmpty())
        ui::PostMessage(main, ui::WM_COMMAND, ui::MakeWParam(ui::IDOK, ui::BN_CLICKED), 0);
    startInstanceChannel();
    ui::Rect client;
    ui::GetClientRect(main, &client);
    ui::PostMessage(main, ui::WM_SIZE, ui::SIZE_RESTORED, ui::MakeLParam(client.Width(), client.Height()));
    ui::ShowWindow(main, ui::SW_SHOW);
    return 1;
}

void C_App::loadAddressList(const C_WString& lastAddress)
{
    const C_WString path = Folders().ListFile(u"list.txt");
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
            const int selected = ui::TabCtrl_GetCurSel(m_tabStrip.load());
            showTabPage(selected);
            Monitorf(u"select : %d", selected);
            return 1;
        }
        return 0;
    }
    case ui::WM_SIZE:
        if (!m_tabStrip.load())
            return 0;
        layoutMainWindow();
        return 1;
    case ui::WM_COMMAND:
        onCommand(window, wParam, lParam);
        return 1;
    case kMsgSelectTab:
        SelectTab(static_cast<int>(wParam));
        return 1;
    case kMsgHandOver:
        onHandOver(lParam);
        return 1;
    case ui::WM_CLOSE:
        onClose(lParam);
        return 1;
    case ui::WM_DESTROY:
        if (window != m_mainWindow)
            return 0;
        m_monitor->D_Destroy();
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
        m_channel.Stop();
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
    m_channel.Stop();
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

void C_App::Monitor(const C_WString& text)
{
    if (m_monitor->D_Exists())
        m_monitor->D_Out(text);
}

void C_App::Monitorf(const char16_t* format, ...)
{
    if (!m_monitor->D_Exists())
        return;
    va_list args;
    va_start(args, format);
    const C_WString text = C_WString::StringfV(format, args);
    va_end(args);
    m_monitor->D_Out(text);
}

void C_App::ShowMonitor()
{
    if (m_monitor->D_Exists()) {
        m_monitor->D_Visible(true);
        return;
    }
    m_monitor->D_SetNewLine(true);
    ui::C_WFont font;
    makeFontWithFallback(font, 22, 0, false);
    m_monitor->D_SetFont(font);
    m_monitor->D_SetBackground(ui::Rgb(32, 32, 32));
    m_monitor->D_SetTextColor(ui::Rgb(200, 255, 255));
    m_monitor->D_Create(C_WString(u"watch"), 1028, 240, 0, 0, C_WString(u"監視ウィンドウ"), true);
}

void C_App::readFlowSettings()
{
    qarvo::C_WIniFile ini(SettingsFile());
    m_hideAnonymous.store(ini.GetInt(C_WString(keys::kNgAnonymous)) > 0);
}

void C_App::SaveLastUrl()
{
    const C_WString last = LastAddress();
    if (last.IsEmpty())
        return;
    qarvo::C_WIniFile ini(SettingsFile());
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
