// Fetching through the real engine (its made-up "dumy_debug" comments, so that no comment
// server is needed): pages and tabs, the comment store, the text file, the address history,
// refetches, a busy previous page, the engine binding and closing during a fetch.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <thread>

#include "qarvo/file/path.h"
#include "tests/viewer/app/app_harness.h"
#include "tools/nicosim/nicosim.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/dialog.h"
#include "viewer/ui/window.h"
#include "qarvo/net/connect_to.h"

namespace apptest {
namespace {

namespace fs = std::filesystem;
namespace ui = qarvo::ui;

// The engine's made-up comments: number N carries phrase (N - 1000) % 9, and the k-th comment
// of a batch the user "userid_<10 k>".
const char16_t* const kDebugPhrases[] = {u"ちょｗｗｗｗ", u"おまｗｗ", u"すげぇええええええ",
                                         u"ｷﾀｰ",        u"まってました", u"こんにちｗｗｗ",
                                         u"くずｗ",     u"これってなんだろう・・・", u"あちゃー"};

std::string utf16le(const std::u16string& text)
{
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::u16string localStamp(int64_t date)
{
    const std::time_t t = static_cast<std::time_t>(date);
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d_%H:%M:%S", &tm);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

size_t countOf(const std::string& text, const std::string& needle)
{
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

using Fetch = AppTest;

TEST_F(Fetch, StoresCommentsWritesTextFileAndAddressHistory)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        EXPECT_EQ(TabCount(), 2);
        EXPECT_EQ(TabText(1), C_WString(u"sm9"));
        const auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page);
        ASSERT_EQ(page->comments.size(), 1000u);
        const auto& first = *page->comments.front();
        EXPECT_EQ(page->lastNumber, first.no + 999);
        EXPECT_EQ(page->address, C_WString(u"http://www.nicovideo.jp/watch/sm9"));

        // "アマゾン2" is the made-up title; the name carries the local creation time.
        const fs::path file(Utf8(page->textFileName));
        EXPECT_EQ(file.parent_path(), fs::path("out"));
        EXPECT_TRUE(file.filename().string().starts_with("アマゾン2(")) << file;
        EXPECT_TRUE(file.filename().string().ends_with("秒).txt")) << file;
        EXPECT_TRUE(WaitUntil([&] { return StatusText() == Wide(file.filename().string() + " を生成しました。"); }))
            << Utf8(StatusText());

        const std::string bytes = ReadFile(file);
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        const std::u16string line = localStamp(first.date) + u" 匿名 000:19 " +
                                    std::u16string(Wide(std::to_string(first.no)).std()) + u" 一般 userid_0 184 " +
                                    kDebugPhrases[(first.no - 1000) % 9] + u"\r\n";
        EXPECT_EQ(bytes.substr(2, line.size() * 2), utf16le(line));
        EXPECT_EQ(countOf(bytes, utf16le(u"\r\n")), 1000u);
        EXPECT_TRUE(FilesEndingWith("out", ".xml").empty());

        EXPECT_EQ(ReadFile("list/list.txt"), "sm9 アマゾン2\r\n");
        const WindowHandle box = ui::GetDlgItem(Main(), 1001);
        EXPECT_EQ(ui::ComboBox_GetLBText(box, ui::ComboBox_GetCurSel(box)), C_WString(u"sm9 アマゾン2"));
    });
    EXPECT_TRUE(m_desktop.MessageBoxes().empty());
    EXPECT_EQ(SettingText("last_url"), C_WString(u"sm9"));
}

// The whole road: the engine reads the login cookie nicosim wrote, asks the watch page and the
// comment server, and the viewer stores the answer and writes both files.
TEST_F(Fetch, VideoOfTheSimulatedServiceThroughTheEngine)
{
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    nicosim::Options options;
    options.dataDir = (m_dir / "sim").string();
    nicosim::Server sim(options);
    ASSERT_TRUE(sim.start()) << sim.lastError();
    setenv("PELMORA_CONNECT_TO", sim.connectTo().c_str(), 1);
    qarvo::net::reloadConnectTo();
    setenv("PELMORA_COOKIE_DIR", (options.dataDir + "/Cookies").c_str(), 1);
    WriteSettings({{"factory_comment_xml", "1"}, {"get_tag", "0"}});

    // What the service holds: the request asks for the last 1000 comments.
    const auto video = sim.catalogue().video("sm9");
    ASSERT_TRUE(video);
    const auto thread = sim.catalogue().thread(video->threadId);
    ASSERT_TRUE(thread);
    ASSERT_GE(video->commentCount, 1000);
    const nicosim::Chat known = sim.catalogue().chat(*thread, video->commentCount - 1000);

    C_App app;
    RunApp(app, [&] {
        PressFetch("http://www.nicovideo.jp/watch/sm9?ref=test");
        const auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page) << Utf8(StatusText());
        ASSERT_EQ(page->comments.size(), 1000u);
        EXPECT_EQ(page->comments.front()->no, known.no);
        EXPECT_EQ(page->lastNumber, video->commentCount);

        const fs::path text(Utf8(page->textFileName));
        EXPECT_EQ(Utf8(StatusText()), text.filename().string() + " を生成しました。");
        EXPECT_TRUE(text.filename().string().starts_with(video->title + "(")) << text;
        const std::string bytes = ReadFile(text);
        std::u16string line = localStamp(known.date) + (known.anonymity ? u" 匿名 " : u" 公開 ");
        line += Wide(C_String::Stringf("%03d:%02d %d ", known.vpos / 100 / 60, known.vpos / 100 % 60, known.no).std())
                    .std();
        line += known.premium ? u"プレミアム " : u"一般 ";
        line += Wide(known.userId + " " + (known.deleted ? "削除済み" : known.mail) + " " + known.text + "\r\n").std();
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        EXPECT_EQ(bytes.substr(2, line.size() * 2), utf16le(line));
        // One line per comment; a text may hold line ends of its own.
        size_t lineEnds = 0;
        for (int i = video->commentCount - 1000; i < video->commentCount; ++i)
            lineEnds += 1 + countOf(sim.catalogue().chat(*thread, i).text, "\r\n");
        EXPECT_EQ(countOf(bytes, utf16le(u"\r\n")), lineEnds);

        fs::path xml = text;
        xml.replace_extension(".xml");
        const std::string answer = ReadFile(xml);
        EXPECT_TRUE(answer.starts_with("<?xml")) << answer.substr(0, 80);
        EXPECT_EQ(countOf(answer, "<chat "), 1000u);
        EXPECT_EQ(ReadFile("list/list.txt"), "sm9 " + video->title + "\r\n");
    });
    EXPECT_TRUE(m_desktop.MessageBoxes().empty());
}

TEST_F(Fetch, RefetchStoresOnlyNewerCommentsAndAppendsToTheSameFile)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page);
        ASSERT_TRUE(WaitUntil([&] { return StatusText().EndsWith(u" を生成しました。"); }));
        const int last = page->lastNumber;
        const std::string name = fs::path(Utf8(page->textFileName)).filename().string();

        // What the comment timer does when it fires. Each made-up batch numbers its comments
        // two higher than the one before, so two of them are new.
        app.PostDelayedFetch(page->address, 1, 0);
        ASSERT_TRUE(WaitUntil([&] { return StatusText().Contains(u"を更新しました。"); }));
        page = Page("sm9");
        ASSERT_EQ(page->comments.size(), 1002u);
        EXPECT_EQ(page->comments[1000]->no, last + 1);
        EXPECT_EQ(page->comments[1001]->no, last + 2);
        EXPECT_EQ(Utf8(StatusText()), name + " を更新しました。No." + std::to_string(last + 1) + " ～ No." +
                                          std::to_string(last + 2));
        EXPECT_EQ(countOf(ReadFile(fs::path("out") / name), utf16le(u"\r\n")), 1002u);
        EXPECT_EQ(FilesEndingWith("out", ".txt").size(), 1u);

        // A delivery that brings only known numbers stores nothing.
        ChatEntry known{};
        known.no = last + 2;
        known.text = u"old";
        ChatEntry older{};
        older.no = 5;
        older.text = u"older";
        known.next = &older;
        ParseResult result{};
        result.title = "アマゾン2";
        result.chats = &known;
        C_App::OnParseResult(page->jobId, 0, &result, page->requestValue);
        EXPECT_EQ(Utf8(StatusText()), name + " は最新のコメントがありません。No." + std::to_string(last + 2));
        EXPECT_EQ(Page("sm9")->comments.size(), 1002u);
        EXPECT_EQ(countOf(ReadFile(fs::path("out") / name), utf16le(u"\r\n")), 1002u);
    });
}

// A first batch replaces the collection and starts new files; the XML file holds the raw
// answer as it came.
TEST_F(Fetch, FirstBatchStartsNewFilesAndKeepsDeletedComments)
{
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    WriteSettings({{"factory_comment_xml", "1"}});
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        const auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page);

        ChatEntry deleted{};
        deleted.no = 5;
        deleted.deleted = 1;
        deleted.premium = 1;
        deleted.date = 1272838089;  // 2010-05-03 07:08:09 in Tokyo
        deleted.vpos = 12345;
        deleted.userId = u"u1";
        deleted.mail = u"184";
        deleted.text = u"one\ntwo\nthree";
        ChatEntry escaped{};
        escaped.no = 6;
        escaped.anonymity = 1;
        escaped.date = 1272838089;
        escaped.userId = u"u2";
        escaped.mail = u"";
        escaped.text = u"a&amp;b";
        deleted.next = &escaped;
        const std::string xml = "<packet><chat no=\"5\" deleted=\"1\"/><chat no=\"6\">a&amp;b</chat></packet>";
        ParseResult result{};
        result.title = "Slash/Colon:Mark?";
        result.chats = &deleted;
        result.rawXmlData = reinterpret_cast<const unsigned char*>(xml.data());
        result.rawXmlSize = static_cast<int32_t>(xml.size());
        // The request is still that of the user's fetch: this counts as a first batch.
        ASSERT_EQ(page->renew, 0);
        C_App::OnParseResult(page->jobId, 0, &result, page->requestValue);

        const auto after = Page("sm9");
        ASSERT_EQ(after->comments.size(), 2u);
        EXPECT_EQ(after->comments[0]->deleted, 1);
        EXPECT_EQ(after->comments[0]->lineBreaks, 2);
        EXPECT_EQ(after->comments[1]->text, C_WString(u"a&b"));
        EXPECT_EQ(after->lastNumber, 6);

        const fs::path text(Utf8(after->textFileName));
        EXPECT_EQ(text.parent_path(), fs::path("out"));
        EXPECT_TRUE(text.filename().string().starts_with("Slash")) << text;
        EXPECT_EQ(ReadFile(text), "\xFF\xFE" + utf16le(u"2010/05/03_07:08:09 公開 002:03 5 プレミアム u1 削除済み "
                                                       u"one\ntwo\nthree\r\n2010/05/03_07:08:09 匿名 000:00 6 一般 "
                                                       u"u2  a&b\r\n"));
        fs::path xmlName = text;
        xmlName.replace_extension(".xml");
        EXPECT_EQ(ReadFile(xmlName), xml);
        EXPECT_EQ(Utf8(StatusText()), text.filename().string() + " を生成しました。");
    });
}

TEST_F(Fetch, FailureCodesShowTheirTextsAndDialogs)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        const auto page = WaitForComments("sm9", 1000);
        ASSERT_TRUE(page);
        // The real batch has finished reporting.
        ASSERT_TRUE(WaitUntil([&] { return StatusText().EndsWith(u" を生成しました。"); }));
        ParseResult result{};
        auto deliver = [&](int code, const ParseResult* r) { C_App::OnParseResult(page->jobId, code, r, page->requestValue); };

        deliver(8, &result);
        EXPECT_EQ(StatusText(), C_WString(u"動画が完全削除、又は存在していない為コメントが取得出来ません。"));
        EXPECT_TRUE(m_desktop.MessageBoxes().empty());
        for (WindowHandle button : {page->controls.commentButton, page->controls.tagButton}) {
            EXPECT_FALSE(ui::IsWindowEnabled(button));
            EXPECT_EQ(ui::GetWindowText(button), C_WString(u"無効"));
        }

        // Boxes are posted to the GUI thread: the delivering job never waits for them.
        const auto boxCount = [&](size_t n) { return WaitUntil([&] { return m_desktop.MessageBoxes().size() == n; }); };
        deliver(9, &result);
        EXPECT_EQ(StatusText(), C_WString(u"動画の放送が終了しています。"));
        ASSERT_TRUE(boxCount(1));
        EXPECT_EQ(m_desktop.MessageBoxes()[0].text, C_WString(u"動画の放送が終了しています。"));
        EXPECT_EQ(m_desktop.MessageBoxes()[0].caption, C_WString(u"失敗"));

        const C_WString longText(
            u"コメントの取得に失敗しました。\r\nURL の確認と、ブラウザからニコニコ動画にログイン済みか\r\n確認してください。");
        deliver(1, &result);
        EXPECT_EQ(StatusText(), C_WString(u"コメントの取得に失敗しました。"));
        deliver(0, nullptr);  // success without a result is a failure too
        ASSERT_TRUE(boxCount(3));
        auto boxes = m_desktop.MessageBoxes();
        EXPECT_EQ(boxes[1].text, longText);
        EXPECT_EQ(boxes[2].text, longText);
        EXPECT_EQ(boxes[2].caption, C_WString(u"失敗"));

        // No login in any browser is named as such, not as a refused connection.
        ParseResult noLogin{};
        noLogin.extra2 = "firefox: no cookie store";
        deliver(4, &noLogin);
        EXPECT_EQ(StatusText(), C_WString(u"ブラウザのログイン情報が見つかりません。"));
        ASSERT_TRUE(boxCount(4));
        EXPECT_TRUE(m_desktop.MessageBoxes()[3].text.StartsWith(u"ブラウザのログイン情報が見つかりません。\r\n"));

        // A retry is progress: the status bar names the attempt, and no box comes.
        ParseResult retry{};
        retry.extra1 = "retry 2/5: http://www.nicovideo.jp/watch/sm9";
        deliver(PELMORA_RESULT_PROGRESS, &retry);
        EXPECT_EQ(StatusText(), C_WString(u"再試行中 (2/5)"));
        retry.extra1 = "reconnect 3 in 4 s";
        deliver(PELMORA_RESULT_PROGRESS, &retry);
        EXPECT_EQ(StatusText(), C_WString(u"コメントサーバーに再接続しています (3 回目)"));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(m_desktop.MessageBoxes().size(), 4u);

        // A job stopped on request changes nothing on screen.
        ui::SetWindowText(app.StatusBarWindow(), C_WString(u"before"));
        deliver(7, &result);
        EXPECT_EQ(StatusText(), C_WString(u"before"));
        EXPECT_EQ(m_desktop.MessageBoxes().size(), 4u);
        EXPECT_EQ(Page("sm9")->comments.size(), 1000u);
    });
}

TEST_F(Fetch, EngineFailureCodeReachesTheUser)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug 9 0"));
    RunApp(app, [&] {
        PressFetch("sm9");
        EXPECT_TRUE(WaitUntil([&] { return m_desktop.MessageBoxes().size() == 1; }));
        EXPECT_EQ(StatusText(), C_WString(u"動画の放送が終了しています。"));
        EXPECT_EQ(Page("sm9")->comments.size(), 0u);
    });
}

TEST_F(Fetch, SecondAddressWhileThePageIsBusyIsRetried)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        ASSERT_TRUE(WaitForComments("sm9", 1000));
        ASSERT_TRUE(WaitUntil([&] { return app.IsDisplayRunning(); }));

        // The display thread may be walking the old page: the fetch comes back later.
        PressFetch("sm12");
        EXPECT_EQ(app.PendingFetchCount(), 1);
        EXPECT_EQ(TabText(1), C_WString(u"sm9"));

        EXPECT_TRUE(WaitForComments("sm12", 1000));
        EXPECT_EQ(TabCount(), 2);
        EXPECT_EQ(TabText(1), C_WString(u"sm12"));
        EXPECT_FALSE(Page("sm9"));
        EXPECT_TRUE(WaitUntil([&] { return app.PendingFetchCount() == 0; }));
    });
}

// A timed refetch carries its page: once the user has opened another address, the refetch of
// the old one (or its retry) is dropped instead of replacing the new page.
TEST_F(Fetch, StaleTimedRefetchIsDropped)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("sm9");
        const auto old = WaitForComments("sm9", 1000);
        ASSERT_TRUE(old);
        app.PostDelayedFetch(old->address, 1, 1500, old->window);
        PressFetch("sm12");
        ASSERT_TRUE(WaitForComments("sm12", 1000));
        EXPECT_TRUE(WaitUntil([&] { return app.PendingFetchCount() == 0; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        EXPECT_EQ(TabText(1), C_WString(u"sm12"));
        EXPECT_FALSE(Page("sm9"));
    });
}

// "取得" on a running broadcast wakes its job for what is new: the same job, the comments kept.
TEST_F(Fetch, FetchOnARunningBroadcastRefreshesIt)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("lv1");
        const auto first = WaitForComments("lv1", 1000);
        ASSERT_TRUE(first);
        PressFetch("lv1");
        const auto refreshed = WaitForComments("lv1", 2000);
        ASSERT_TRUE(refreshed);
        EXPECT_EQ(refreshed->jobId, first->jobId);
        EXPECT_EQ(refreshed->renew, 1);
        EXPECT_EQ(app.PendingFetchCount(), 0);
    });
}

// A desktop whose boxes stay open, each in a modal loop of the window layer as a real box
// runs one, until the test answers them or the window closes.
class HeldBoxes : public ui::C_DesktopRecorder {
public:
    int ShowMessageBox(WindowHandle owner, const C_WString& text, const C_WString& caption, unsigned flags) override
    {
        C_DesktopRecorder::ShowMessageBox(owner, text, caption, flags);
        auto proc = [this](WindowHandle& window, unsigned& message, ui::WParam&, ui::LParam&) -> ui::LResult {
            if (message == ui::WM_INITDIALOG)
                m_open.store(window);
            return message == ui::WM_INITDIALOG ? 1 : 0;
        };
        const intptr_t answer = ui::DialogBoxFromTemplate(ui::IDD_NG_LIST, owner, proc, 0);
        m_open.store(0);
        return static_cast<int>(answer);
    }
    bool IsOpen() const { return m_open.load() != 0; }
    void Answer() { ui::EndDialog(m_open.load(), ui::IDOK); }

private:
    std::atomic<WindowHandle> m_open{0};
};

// A failure box open on a followed broadcast holds neither the job that reported it nor the
// page's timer: the timer stands still until the box is answered, then counts on.
TEST_F(Fetch, OpenFailureBoxRestsThePageTimer)
{
    HeldBoxes boxes;
    ui::SetDesktop(&boxes);
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    RunApp(app, [&] {
        PressFetch("lv1");
        const auto page = WaitForComments("lv1", 1000);
        ASSERT_TRUE(page);
        ParseResult result{};
        C_App::OnParseResult(page->jobId, 1, &result, page->requestValue);
        ASSERT_TRUE(WaitUntil([&] { return boxes.IsOpen(); }));
        const size_t held = Page("lv1")->comments.size();
        // The live page refetches every second; three would have come by now.
        std::this_thread::sleep_for(std::chrono::milliseconds(3500));
        EXPECT_EQ(Page("lv1")->comments.size(), held);
        EXPECT_EQ(boxes.MessageBoxes().size(), 1u);
        boxes.Answer();
        EXPECT_TRUE(WaitForComments("lv1", held + 1));
    });
    ui::SetDesktop(&m_desktop);
}

// The engine's job posts its box and ends; closing the window while the box is still open
// then joins nothing that waits for it.
TEST_F(Fetch, ClosingWhileAJobsFailureBoxIsOpen)
{
    HeldBoxes boxes;
    ui::SetDesktop(&boxes);
    {
        C_App app;
        app.SetRequestMode(C_WString(u"dumy_debug 9 0"));
        const int result = RunApp(app, [&] {
            PressFetch("sm9");
            ASSERT_TRUE(WaitUntil([&] { return boxes.IsOpen(); }));
        });
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(app.IsWorkerRunning());
    }
    EXPECT_EQ(boxes.MessageBoxes().size(), 1u);
    ui::SetDesktop(&m_desktop);
}

TEST_F(Fetch, EngineMissingThenInvalidThenFound)
{
    C_App app;
    app.SetRequestMode(C_WString(u"dumy_debug"));
    app.SetEngineCandidates({"dll/libPelmora2.so"});
    RunApp(app, [&] {
        PressFetch("sm9");
        EXPECT_EQ(StatusText(), C_WString(u"dll が見つかりません"));
        EXPECT_EQ(TabCount(), 1);

        fs::create_directories("dll");
        fs::create_symlink(PELMORA_TEST_FOREIGN_LIBRARY, "dll/libPelmora2.so");
        PressFetch("sm9");
        EXPECT_EQ(StatusText(), C_WString(u"dll が不正です"));

        fs::remove("dll/libPelmora2.so");
        fs::create_symlink(Utf8(qarvo::qarvo_GetExecutableDirectory()) + "/dll/libPelmora2.so", "dll/libPelmora2.so");
        PressFetch("sm9");
        EXPECT_EQ(StatusText(), C_WString(u"コメントを取得中です。"));
        EXPECT_TRUE(WaitForComments("sm9", 1000));
    });
}

// The window stays until the worker and display threads have ended; then the engine's jobs
// are stopped and joined, and nothing of the application keeps running.
TEST_F(Fetch, ClosingDuringAFetchLeavesNoThreadRunning)
{
    const std::vector<std::string> threadsBefore = ThreadNames();
    {
        C_App app;
        app.SetRequestMode(C_WString(u"dumy_debug 0 20000"));
        const int result = RunApp(app, [&] {
            PressFetch("sm9");
            EXPECT_EQ(StatusText(), C_WString(u"コメントを取得中です。"));
            // Pressing again while the first fetch runs does nothing.
            PressFetch("sm9");
            EXPECT_EQ(app.PendingFetchCount(), 0);
            EXPECT_TRUE(Page("sm9"));
        });
        EXPECT_EQ(result, 0);
        EXPECT_FALSE(app.IsWorkerRunning());
        EXPECT_FALSE(app.IsDisplayRunning());
        EXPECT_TRUE(m_desktop.MessageBoxes().empty());
    }
    // Our threads (worker, display, engine jobs, HTTP workers) carry the program's own name;
    // the toolkit names its helper threads, which may start or end on their own schedule.
    std::string self = ReadFile("/proc/self/comm");
    while (!self.empty() && self.back() == '\n')
        self.pop_back();
    const auto ours = [&self](const std::vector<std::string>& names) { return std::count(names.begin(), names.end(), self); };
    std::vector<std::string> threadsAfter;
    WaitUntil([&] { return ours(threadsAfter = ThreadNames()) == ours(threadsBefore); }, 5000);
    EXPECT_EQ(ours(threadsAfter), ours(threadsBefore)) << ::testing::PrintToString(threadsAfter);
}

}  // namespace
}  // namespace apptest
