#pragma once
// C_App: the viewer's application object. It owns the main window and its tab pages, the
// binding to the engine, the pages of the fetched addresses with their comments, the worker
// thread (work requests, refetch timers, delayed messages) and the display thread (the flowing
// comments), and it shuts all of them down in an order that lets every thread end before the
// data it uses goes away.
//
// Threads: the GUI thread runs the window procedures, the commands and StartFetch; the worker
// thread runs WorkLoop; the display thread runs the comment flow; engine job threads run
// OnParseResult. Nobody waits for the GUI thread while holding the page map lock.

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/pelmora2.h"
#include "qarvo/text/string.h"
#include "qarvo/thread/critical_section.h"
#include "qarvo/thread/thread_ex.h"
#include "viewer/core/app/app_queues.h"
#include "viewer/core/app/engine_binding.h"
#include "viewer/core/app/history_images.h"
#include "viewer/core/app/instance_channel.h"
#include "viewer/core/app/page_record.h"
#include "viewer/core/app/settings_dialog.h"
#include "viewer/core/app/tag_requests.h"
#include "viewer/core/model/address_history.h"
#include "viewer/core/model/main_layout.h"
#include "viewer/core/model/market_feed.h"
#include "viewer/core/model/ng_filter.h"
#include "viewer/core/model/viewing_history.h"
#include "viewer/ui/debug_wnd.h"
#include "viewer/ui/font.h"
#include "viewer/ui/main_wnd.h"
#include "viewer/ui/messages.h"

namespace pelmora::viewer {

using qarvo::ui::LParam;
using qarvo::ui::LResult;
using qarvo::ui::WParam;

// The delayed fetch command: WM_COMMAND with this id; the high word of wParam is the renew
// flag and lParam a key of the pending address table.
inline constexpr unsigned kDelayedFetchCommand = 25567;
// Posted to a video page when its tags have arrived.
inline constexpr unsigned kMsgLayoutTags = qarvo::ui::WM_APP + 1;
// Posted to the open comment information dialog: show the comment of the label in lParam.
inline constexpr unsigned kMsgRetargetCommentInfo = qarvo::ui::WM_USER + 0x432;
// Posted to the main window: select the tab in wParam.
inline constexpr unsigned kMsgSelectTab = qarvo::ui::WM_APP + 2;
// Posted to the main window: a second start handed over the address under the pending
// address key in lParam (an empty address only brings the window forward).
inline constexpr unsigned kMsgHandOver = qarvo::ui::WM_APP + 16;
// To the history page: lParam != 0 goes back to the first entries; wParam != 0 draws the
// texts now, 0 blanks the titles and draws on the next turn of the loop.
inline constexpr unsigned kMsgHistoryEntries = qarvo::ui::WM_USER + 0x432;
// To the history page: thumbnails have arrived (wParam = the entry).
inline constexpr unsigned kMsgHistoryThumbnails = qarvo::ui::WM_USER + 0x433;

class C_App : public qarvo::ui::C_MainWnd {
public:
    C_App();
    ~C_App() override;

    // The one application object (null outside its life).
    static C_App* Get();

    // The entry point's work: a second start hands its address to the running viewer and
    // ends (0, or -1 when the running one does not answer); the first makes the fonts and the
    // main dialog and runs the dialog loop. The loop's result, or -1 when start-up fails.
    int Run();
    // The address given on the command line: fetched at start, or handed to the running
    // viewer. Before Run.
    void SetStartAddress(const C_WString& address);

    int OnInitialize() override;
    LResult WindowProc(WindowHandle& window, unsigned& message, WParam& wParam, LParam& lParam) override;

    // --- fetching ---
    // The job id (0 or more) after a start or a live update; -1 when the engine cannot be
    // loaded (message set); -2 when the fetch must be repeated later; -3 when closing or
    // there is nothing to do.
    int StartFetch(C_WString* message, int renew, C_WString address);
    // The engine's callback (any job thread).
    static void OnParseResult(int jobId, int code, const ParseResult* result, intptr_t userValue);
    // Queues the delayed fetch command for `address` (what a firing comment timer does, for
    // its page: a command whose page has gone meanwhile is dropped).
    void PostDelayedFetch(const C_WString& address, int renew, uint32_t delayMs, WindowHandle page = 0);

    // --- queues and status (any thread) ---
    void PushExecMessage(const ExecMessage& message);
    void PushExecMessage(int type);
    void PostDelayed(uint32_t delayMs, WindowHandle window, WParam wParam, LParam lParam);
    void SetStatusText(const C_WString& text);

    // --- the main window (GUI thread) ---
    // The address of the address box's current entry (empty when the box is empty).
    C_WString currentAddress();
    // The selected tab's text and index (-1 when none).
    C_WString selectedTabTitle(int* index);

    // --- configuration before Run (tests and the demo) ---
    // The mode word of the request text ("ori2"; "xml_" is put before it when the XML file is
    // saved). Tests use "dumy_debug CODE DELAY" to have the engine make up comments.
    void SetRequestMode(const C_WString& mode);
    void SetEngineCandidates(std::vector<std::string> candidates);

    // --- observation (any thread) ---
    struct PageSnapshot {
        WindowHandle window = 0;
        C_WString address;
        int isLive = 0;
        int lastNumber = 0;
        int updateState = 0;
        int closing = 0;
        RefetchTimer commentTimer;
        RefetchTimer tagTimer;
        C_WString textFileName;
        intptr_t requestValue = 0;  // the caller value of the page's jobs
        int jobId = 0;
        int renew = 0;
        CommentCollection comments;
        TagLists tags;
        VideoPageControls controls;
    };
    std::optional<PageSnapshot> SnapshotPage(const C_WString& identifier);
    WindowHandle StatusBarWindow() const { return m_statusBar.load(); }
    WindowHandle TabStripWindow() const { return m_tabStrip.load(); }
    WindowHandle CommentInfoDialog() const { return m_modalChild.load(); }
    // The comment label the comment information dialog shows.
    WindowHandle CommentInfoLabel() const { return m_commentInfoLabel.load(); }
    int PendingFetchCount() { return m_pendingAddresses.Count(); }
    bool IsWorkerRunning() const { return m_worker.IsRunning(); }
    bool IsDisplayRunning() const { return m_display.IsRunning(); }
    bool IsClosing() const { return m_closing.load() != 0; }
    // A live broadcast or Jikkyo channel is being followed (its job runs). GUI thread.
    bool FollowsBroadcast();
    // Selects a tab as the user's click does (GUI thread, or posted from another).
    void SelectTab(int index);
    C_WString LastAddress();
    // --- the monitor window (any thread; no-ops while it is not open) ---
    void Monitor(const C_WString& text);
    void Monitorf(const char16_t* format, ...);
    // Opens the monitor window ("監視ウィンドウ"), or brings it back when it is open (GUI thread).
    void ShowMonitor();
    qarvo::ui::C_DebugWnd& MonitorWindow() { return *m_monitor; }

    // The NG list in force (never null), read from list/ng.txt.
    std::shared_ptr<const NgFilter> NgList();
    // Reads list/ng.txt again; rules that cannot be used are named in the status bar.
    void ReloadNgList();
    // Adds a user rule to the file and applies it; false when the file cannot be written.
    bool AddNgUser(const C_WString& userId);
    bool HidesAnonymous() const { return m_hideAnonymous.load(); }
    // The viewing history as the history page shows it.
    int historyCount();
    HistoryEntryPtr historyEntry(int index);
    C_HistoryImageLoader& HistoryImages() { return m_historyImages; }
    WindowHandle HistoryPageWindow() const { return m_historyPage.load(); }

private:
    // start-up and shutdown (app.cpp)
    void makeFonts();
    void onClose(LParam pass);
    void stopThreadsForever();
    void UnloadEngine();
    void SaveLastUrl();
    void loadAddressList(const C_WString& lastAddress);
    int handOverToRunningViewer();
    void startInstanceChannel();
    void onHandOver(LParam key);
    void showOpenFailure(const C_WString& address);

    // main window commands (main_commands.cpp)
    void onCommand(WindowHandle dialog, WParam wParam, LParam lParam);
    void onFetchCommand(int renew);
    void onDelayedFetch(WParam wParam, LParam lParam);
    void reportFetchStart(int result, const C_WString& message);

    // tab pages (tab_pages.cpp)
    int addTabPage(const C_WString& title, bool show, int templateId, qarvo::ui::WindowProcedure proc,
                   WindowHandle* page);
    void showTabPage(int index);
    void captureOriginalLayout();
    void layoutMainWindow();
    void layoutTabPages();
    // The shown page's size against the original (any thread).
    PageGeometry pageGeometry() const;
    void removeTabPage(WindowHandle page);
    void selectPageTab(WindowHandle page);

    // fetch start (start_fetch.cpp)
    bool bindEngine(C_WString* message);
    enum class PreviousPage { Closed, Busy };
    PreviousPage closePreviousPage(const C_WString& address);
    void pruneRequests();
    void readPageSettings(NICO_LOCAL_PARAM& page);

    // comment store (comment_store.cpp)
    void receiveParseResult(int code, const ParseResult* result, intptr_t userValue);
    void storeBatch(const PagePtr& page, const RequestPtr& request, const ParseResult& result);
    // noLogin: the engine found no browser login (its extra2 says why).
    void reportFailure(int code, const PagePtr& page, bool noLogin);
    bool waitForDisplay(NICO_LOCAL_PARAM& page);
    void traceMultiLine(const tag_NICO_COMMENT_LIGHT& comment);
    void rememberAddress(const C_WString& identifier, const char* titleUtf8);

    // video pages (video_page.cpp)
    PagePtr createVideoPage(const C_WString& address);
    LResult videoPageProc(WindowHandle page, unsigned message, WParam wParam, LParam lParam);
    void onMonitorButton(WindowHandle page, int kind);
    void layoutTags(WindowHandle page);
    // comment information dialog (comment_info_dialog.cpp)
    void openCommentInfo(WindowHandle label);
    LResult commentInfoProc(WindowHandle dialog, unsigned message, WParam wParam, LParam lParam);
    CommentCollection commentsOfTitle(const C_WString& title);
    void showCommentOfLabel(WindowHandle dialog, WindowHandle label);
    void fillCommentInfo(WindowHandle dialog, const CommentCollection& comments);
    void sortCommentInfo();
    LResult onCommentInfoNotify(WindowHandle dialog, LParam lParam);
    C_WString reportTemplate(WindowHandle dialog);
    void copyReportTemplate(WindowHandle dialog);
    void markUserNg(WindowHandle dialog);
    void runNgEditor(WindowHandle owner);
    void readFlowSettings();
    PagePtr pageOfWindow(WindowHandle page);

    // viewing history (history_fetch.cpp on the worker thread, history_page.cpp)
    void FetchViewingHistory();
    void requestViewingHistory();
    LResult historyPageProc(WindowHandle page, unsigned message, WParam wParam, LParam lParam);
    void refreshHistory(WindowHandle page);
    void drawHistoryTexts(WindowHandle page);
    void drawHistoryThumbnails(WindowHandle page);

    // market ranking (market_ranking.cpp; worker thread but the slots' clicks)
    void subclassRankingSlots();
    bool LoadMarketRanking();
    void stepMarketRanking(uint32_t now);

    // worker thread (work_loop.cpp)
    void WorkLoop();
    void stepRefetchTimers(uint32_t now);
    void fetchTagsFor(const ExecMessage& message);

    // display thread (comment_flow_thread.cpp)
    void runCommentFlow();
    void startDisplayThread();

    // --- state ---
    std::atomic<int> m_closing{0};
    PendingIntervals m_pendingIntervals;
    std::atomic<int> m_rankingState{0};
    ExecQueue m_execQueue;
    C_EngineBinding m_engine;  // guarded by C_MainWnd::m_cs
    std::atomic<bool> m_engineReady{false};
    std::vector<std::string> m_engineCandidates;
    C_WString m_requestMode{u"ori2"};
    C_WString m_startAddress;

    qarvo::ui::C_WFont m_linkFont;
    qarvo::ui::C_WFont m_smallFont;
    qarvo::ui::C_WFont m_flowFont;

    // The page map and the tables that go with it, under one lock.
    qarvo::C_CriticalSection m_pageLock;
    std::map<C_WString, PagePtr> m_pages;
    std::map<intptr_t, RequestPtr> m_requests;  // every request a job may still call back with
    std::atomic<WindowHandle> m_shownPage{0};   // the page of the selected tab

    std::mutex m_lastAddressLock;
    C_WString m_lastAddress;

    std::mutex m_historyLock;
    AddressHistory m_history;

    // The viewing history: filled on the worker thread, read by the history page.
    std::mutex m_viewingLock;
    std::map<int, HistoryEntryPtr> m_viewingHistory;  // guarded by m_viewingLock
    std::atomic<bool> m_historyRequested{false};
    std::atomic<WindowHandle> m_historyPage{0};
    int m_historyFirst = 0;  // GUI thread only: the first entry shown

    WindowHandle m_mainWindow = 0;
    std::atomic<WindowHandle> m_modalChild{0};  // the comment information dialog
    std::atomic<WindowHandle> m_commentInfoLabel{0};
    // What the comment information dialog shows (GUI thread only): the page's title, the
    // selected comment's collection index, and the sort of its list.
    struct CommentInfoState {
        C_WString title;
        int key = -1;
        WindowHandle list = 0;
        int column = 0;
        uint32_t direction = 0;  // 0 or all ones
    } m_info;

    // The market ranking: the products under C_MainWnd::m_cs with the product shown in each
    // slot (-1 none); the rotation's place and clock on the worker thread only.
    static constexpr int kMarketSlots = 3;
    std::vector<MarketItemPtr> m_marketItems;
    int m_marketShown[kMarketSlots] = {-1, -1, -1};
    int m_marketNext = 0;
    bool m_marketTurned = false;
    uint32_t m_marketTurnedAt = 0;
    uint32_t m_marketRetryAt = 0;

    // Made with the application; its window exists only when the user (or PELMORA_MONITOR=1)
    // opens it.
    std::unique_ptr<qarvo::ui::C_DebugWnd> m_monitor;

    std::mutex m_ngLock;
    std::shared_ptr<const NgFilter> m_ngFilter;  // guarded by m_ngLock
    std::atomic<bool> m_hideAnonymous{false};
    std::atomic<WindowHandle> m_addressBox{0};
    std::atomic<WindowHandle> m_statusBar{0};
    std::atomic<WindowHandle> m_tabStrip{0};
    qarvo::ui::Rect m_initialRect;
    std::atomic<int> m_windowSizeKnown{0};
    std::mutex m_resizeLock;
    std::vector<WindowHandle> m_tabPages;  // GUI thread only; index = tab index
    // The main window's layout at its original size (GUI thread only), and the pages' size,
    // which the display thread reads.
    std::vector<ControlBox> m_originalBoxes;
    int m_originalClientWidth = 0;
    int m_originalClientHeight = 0;
    int m_appliedExtraHeight = 0;
    std::atomic<int> m_pageWidth{0};
    std::atomic<int> m_pageHeight{0};
    std::atomic<int> m_originalPageWidth{0};
    std::atomic<int> m_originalPageHeight{0};

    C_WString m_previousAddress;  // GUI thread only
    DelayedMessages m_delayed;
    PendingAddresses m_pendingAddresses;
    bool m_statusClearPending = false;  // worker thread only
    uint32_t m_statusClearStart = 0;

    // Declared after everything their threads read, so that they stop first.
    C_InstanceChannel m_channel;
    C_HistoryImageLoader m_historyImages;
    C_TagRequests m_tagRequests{[this](const ExecMessage& message) { fetchTagsFor(message); }};
    qarvo::C_ThreadEx m_worker;
    qarvo::C_ThreadEx m_display;
    WindowHandle m_previousShown = 0;  // display thread only
};

}  // namespace pelmora::viewer
