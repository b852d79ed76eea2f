// The engine's callback: each batch of comments is copied into the page's collection and the
// comment files, the status bar reports it and the refetch timers are armed; error codes
// become the user's messages. Runs on the engine's job threads.

#include <cstdio>
#include <ctime>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/time/clock.h"
#include "qarvo/time/time.h"
#include "viewer/core/app/app.h"
#include "viewer/core/model/address.h"
#include "viewer/core/model/app_folders.h"
#include "viewer/core/model/comment_files.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/window.h"

namespace pelmora::viewer {

namespace ui = qarvo::ui;
namespace System = qarvo::common::System;

namespace {

constexpr const char16_t* kFetchFailed = u"コメントの取得に失敗しました。";
constexpr const char16_t* kFetchFailedLong =
    u"コメントの取得に失敗しました。\r\nURL の確認と、ブラウザからニコニコ動画にログイン済みか\r\n確認してください。";
constexpr const char16_t* kVideoGone = u"動画が完全削除、又は存在していない為コメントが取得出来ません。";
constexpr const char16_t* kBroadcastEnded = u"動画の放送が終了しています。";
// The engine found no login in any browser store (it says why in extra2): the user's remedy
// is to log in, not to check the address.
constexpr const char16_t* kNoLogin = u"ブラウザのログイン情報が見つかりません。";
constexpr const char16_t* kNoLoginLong =
    u"ブラウザのログイン情報が見つかりません。\r\nブラウザでニコニコ動画にログインしてから、もう一度「取得」を押してください。\r\n"
    u"(ツール > 環境設定 の「ログインに使うブラウザ」でブラウザを選べます)";
constexpr int kHandshakePollMs = 10;

// Shown from a job thread, so never waited for: the job ends meanwhile, and a close that
// joins every job cannot hang on a box. The page's timer rests until the box is answered.
void postFailureBox(WindowHandle owner, const PagePtr& page, const C_WString& text, const C_WString& caption)
{
    if (page)
        page->openBoxes.fetch_add(1);
    ui::PostMessageBox(owner, text, caption, ui::MB_OK, [page](int) {
        if (page)
            page->openBoxes.fetch_sub(1);
    });
}

void disableMonitorButtons(const VideoPageControls& controls)
{
    for (WindowHandle button : {controls.commentButton, controls.tagButton}) {
        if (!button)
            continue;
        ui::EnableWindow(button, false);
        ui::SetWindowText(button, C_WString(u"無効"));
    }
}

}  // namespace

void C_App::OnParseResult(int, int code, const ParseResult* result, intptr_t userValue)
{
    if (C_App* app = Get())
        app->receiveParseResult(code, result, userValue);
}

namespace {

// What the engine says while it goes on after a setback ("retry 2/5: ...", "reconnect 3 in
// 4 s"), as the status bar says it.
C_WString progressText(const char* state)
{
    int done = 0, total = 0;
    if (std::sscanf(state, "retry %d/%d", &done, &total) == 2)
        return C_WString::Stringf(u"再試行中 (%d/%d)", done, total);
    if (std::sscanf(state, "reconnect %d", &done) == 1)
        return C_WString::Stringf(u"コメントサーバーに再接続しています (%d 回目)", done);
    return C_WString();
}

}  // namespace

void C_App::receiveParseResult(int code, const ParseResult* result, intptr_t userValue)
{
    if (m_closing.load())
        return;
    // Not an end: the job goes on, and only the status bar hears of it.
    if (code == PELMORA_RESULT_PROGRESS) {
        const C_WString text = progressText(result && result->extra1 ? result->extra1 : "");
        if (!text.IsEmpty()) {
            SetStatusText(text);
            PushExecMessage(ExecMessage::ClearStatusLater);
        }
        return;
    }
    Monitorf(u"end: %d", code);

    // The caller value is looked up, never dereferenced: a value the table does not hold
    // belongs to no page any more.
    RequestPtr request;
    PagePtr page;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        auto it = m_requests.find(userValue);
        if (it != m_requests.end())
            request = it->second;
        for (const auto& entry : m_pages)
            if (request && entry.second->request == request)
                page = entry.second;
    }

    {
        std::lock_guard<std::mutex> lock(m_resizeLock);
        if (!m_windowSizeKnown.load()) {
            ui::SetWindowPos(m_mainWindow, 0, 0, 0, m_initialRect.Width(), m_initialRect.Height(),
                             ui::SWP_NOMOVE | ui::SWP_NOZORDER);
            m_windowSizeKnown.store(1);
        }
        // The comment information dialog shows comments of a collection that a first fetch
        // is about to replace.
        if (request && request->renew.load() == 0)
            if (const WindowHandle child = m_modalChild.exchange(0))
                ui::PostMessage(child, ui::WM_CLOSE, 0, 0);
    }

    if (code == PELMORA_RESULT_SUCCESS && result) {
        if (m_rankingState.load() == 0)
            m_rankingState.store(-1);
        if (page && request)
            storeBatch(page, request, *result);
        return;
    }
    if (code == PELMORA_RESULT_STOPPED)
        return;
    reportFailure(code, page, result && result->extra2 && *result->extra2);
}

// The display thread walks the shown page's collection without the lock. The store asks for
// it with updateState 1 and changes nothing until the display thread has answered -1 (it
// answers within a frame, whether the page is shown or not). With no display thread running
// nobody reads the collection.
bool C_App::waitForDisplay(NICO_LOCAL_PARAM& page)
{
    while (page.updateState.load() != -1) {
        if (m_closing.load())
            return false;
        if (!m_display.IsRunning())
            return true;
        qarvo_sleep_millis(kHandshakePollMs);
    }
    return true;
}

// A comment of several lines, as the monitor shows it.
void C_App::traceMultiLine(const tag_NICO_COMMENT_LIGHT& c)
{
    if (!m_monitor->D_Exists())
        return;
    std::tm local{};
    qarvo::C_Time(c.date).GetLocalTime(&local);
    const int seconds = c.vpos / 100;
    Monitorf(u"[%d/%02d/%02d %02d:%02d:%02d] %d %d %d:%d %s", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
             local.tm_hour, local.tm_min, local.tm_sec, c.no, c.mail184, seconds / 60, seconds % 60, c.text.c_str());
}

void C_App::storeBatch(const PagePtr& page, const RequestPtr& request, const ParseResult& result)
{
    std::lock_guard<std::mutex> storing(page->storeLock);
    const bool first = request->renew.load() == 0;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        if (page->closing.load())
            return;
        page->updateState.store(1);
    }
    if (!waitForDisplay(*page))
        return;
    if (first && !m_closing.load()) {
        for (WindowHandle label : page->controls.commentLabels) {
            ui::ShowWindow(label, ui::SW_HIDE);
            ui::SetWindowText(label, C_WString());
        }
    }

    const std::time_t now = std::time(nullptr);
    bool fileFailed = false;
    bool saveText = false, saveXml = false, isLive = false;
    int firstNew = 0, lastNew = 0, last = 0, lastNumber = 0;
    int received = 0;  // comments this batch added
    C_WString fileName;
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        if (first) {
            page->comments.clear();
            page->flow = FlowClock{};
            page->lastNumber = 0;
            page->textFile.Close();
            page->textFileName.Clear();
        }
        saveText = page->saveText != 0;
        saveXml = page->saveXml != 0;
        isLive = page->isLive != 0;
        if (saveText &&
            !OpenCommentTextFile(page->textFile, page->textFileName, Folders().outFolder, result.title, now))
            fileFailed = true;
        if (fileFailed)
            Monitor(page->textFileName);

        for (const ChatEntry* chat = result.chats; chat; chat = chat->next) {
            if (!isLive && chat->no <= page->lastNumber)
                continue;
            auto comment = qarvo::common::MakePointer<tag_NICO_COMMENT_LIGHT>(MakeCommentRecord(*chat));
            page->comments.push_back(comment);
            ++received;
            if (comment->lineBreaks > 0)
                traceMultiLine(*comment);
            if (page->textFile.IsOpen())
                AppendCommentLine(page->textFile, *comment);
        }

        // A page without any comment has no last entry: it counts as nothing new.
        last = page->comments.empty() ? (isLive ? 0 : page->lastNumber) : page->comments.back()->no;
        if (page->lastNumber != last) {
            firstNew = page->lastNumber + 1;
            lastNew = last;
        }
        if (isLive) {
            page->lastNumber += last;
            Monitorf(u"生放送コメント数: %d   index: %d", last, static_cast<int>(page->comments.size()));
        }
        else
            page->lastNumber = last;
        lastNumber = page->lastNumber;

        page->updateState.store(0);
        if (page->commentTimer.monitor == -1)
            page->commentTimer.monitor = 1;
        if (page->tagTimer.monitor == -1)
            page->tagTimer.monitor = 1;
        if (saveText && !fileFailed)
            fileName = page->textFileName;
    }

    if (saveXml && result.rawXmlData && result.rawXmlSize > 0) {
        const C_WString textName =
            fileName.IsEmpty() ? CommentTextFileName(Folders().outFolder, result.title, now) : fileName;
        WriteCommentXml(CommentXmlFileName(textName), result.rawXmlData, result.rawXmlSize);
    }

    if (!m_closing.load()) {
        startDisplayThread();
        const C_WString name = FileNameOnly(fileName);
        C_WString status;
        if (!saveText)
            status = C_WString(u"コメントを取得しました。");
        else if (first)
            status = C_WString::Stringf(u"%s を生成しました。", name.c_str()) +
                     (isLive ? C_WString::Stringf(u"コメントを %d 件取得", received) : C_WString());
        else if (firstNew == 0)
            status = C_WString::Stringf(u"%s は最新のコメントがありません。No.%d", name.c_str(), lastNumber);
        else if (!isLive)
            status = C_WString::Stringf(u"%s を更新しました。No.%d ～ No.%d", name.c_str(), firstNew, lastNew);
        else
            status = C_WString(u"生放送のコメントを解析しました。");
        SetStatusText(status);
    }
    {
        qarvo::C_CriticalLock lock(m_pageLock);
        page->textFile.Close();
    }
    if (!m_closing.load())
        PushExecMessage(ExecMessage::ClearStatusLater);

    if (fileFailed && !m_closing.load())
        postFailureBox(m_mainWindow, page, C_WString(u"コメントファイルの生成に失敗しました。"), C_WString(u"エラー"));

    if (!ClassifyAddress(request->identifier))
        rememberAddress(request->identifier, result.title);
    std::lock_guard<std::mutex> lock(m_lastAddressLock);
    m_lastAddress = request->identifier;
}

void C_App::rememberAddress(const C_WString& identifier, const char* titleUtf8)
{
    C_WString entry;
    bool added = false;
    {
        std::lock_guard<std::mutex> lock(m_historyLock);
        if (!m_history.Has(identifier)) {
            C_WString title = System::utf8_to_utf16(qarvo::C_String(titleUtf8 ? titleUtf8 : ""));
            // One entry is one line of the history file.
            title.Replace(u"\r", u" ").Replace(u"\n", u" ");
            m_history.Append(Folders().ListFile(u"list.txt"), identifier, title);
            entry = AddressHistory::EntryText(identifier, title);
            added = true;
        } else {
            entry = AddressHistory::EntryText(identifier, m_history.TitleOf(identifier));
        }
    }
    if (m_closing.load())
        return;
    const WindowHandle box = m_addressBox.load();
    const int index = added ? ui::ComboBox_AddString(box, entry) : ui::ComboBox_FindStringExact(box, -1, entry);
    if (index >= 0)
        ui::ComboBox_SetCurSel(box, index);
}

void C_App::reportFailure(int code, const PagePtr& page, bool noLogin)
{
    const WindowHandle main = m_mainWindow;
    switch (code) {
    case PELMORA_RESULT_NOT_FOUND:
        SetStatusText(C_WString(kVideoGone));
        if (page)
            disableMonitorButtons(page->controls);
        break;
    case PELMORA_RESULT_BROADCAST_ENDED:
        SetStatusText(C_WString(kBroadcastEnded));
        if (page)
            disableMonitorButtons(page->controls);
        postFailureBox(main, page, C_WString(kBroadcastEnded), C_WString(u"失敗"));
        break;
    default:
        SetStatusText(C_WString(noLogin ? kNoLogin : kFetchFailed));
        postFailureBox(main, page, C_WString(noLogin ? kNoLoginLong : kFetchFailedLong), C_WString(u"失敗"));
        break;
    }
    PushExecMessage(ExecMessage::ClearStatusLater);
}

}  // namespace pelmora::viewer
