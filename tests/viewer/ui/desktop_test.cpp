// Message boxes, opened addresses and the clipboard go through the replaceable desktop.

#include <cstdlib>
#include <fstream>
#include <thread>

#include "qarvo/charcode/system_charcode.h"
#include "tests/viewer/ui/ui_test_support.h"
#include "viewer/ui/messages.h"
#include "viewer/ui/window.h"

namespace uitest {
namespace {

using qarvo::C_WString;

using Desktop = UiTest;

TEST_F(Desktop, MessageBoxesAreRecordedWithTheirAnswer)
{
    const WindowHandle main = CreateDialogFromTemplate(IDD_MAIN, 0, nullptr, 0);
    desktop.SetMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBox(main, C_WString(u"動画の放送が終了しています。"), C_WString(u"失敗"), MB_OK | MB_ICONERROR), IDYES);
    const auto boxes = desktop.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, main);
    EXPECT_EQ(boxes[0].text, C_WString(u"動画の放送が終了しています。"));
    EXPECT_EQ(boxes[0].caption, C_WString(u"失敗"));
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONERROR);
}

TEST_F(Desktop, MessageBoxFromAnotherThreadWaitsForTheGuiThread)
{
    std::atomic<int> answer{-5};
    std::thread worker([&] {
        answer = MessageBox(0, C_WString(u"コメントファイルの生成に失敗しました。"), C_WString(u"エラー"), MB_OK);
    });
    ASSERT_TRUE(PumpUntil([&] { return answer.load() != -5; }));
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
    ASSERT_EQ(desktop.MessageBoxes().size(), 1u);
    EXPECT_EQ(desktop.MessageBoxes()[0].caption, C_WString(u"エラー"));
}

TEST_F(Desktop, OnlyWebAddressesAndLocalPathsAreOpened)
{
    EXPECT_TRUE(OpenAddress(C_WString(u"http://www.nicovideo.jp/tag/%E3%82%B2")));
    EXPECT_TRUE(OpenAddress(C_WString(u"  HTTPS://example.com/a?b=c  ")));
    EXPECT_TRUE(OpenAddress(C_WString(u"/home/user/PelmoraVista/")));
    EXPECT_TRUE(OpenAddress(C_WString(u"history.txt")));
    // What a web page could smuggle in, and empty requests.
    for (const char16_t* refused : {u"javascript:alert(1)", u"file:///bin/sh", u"smb://host/share", u"http:evil",
                                    u"ftp://x/y", u"", u"   ", u"http://a\nb", u"vbscript:x"})
        EXPECT_FALSE(OpenAddress(C_WString(refused))) << C_WString(refused).ToString().c_str();
    Pump();
    const auto opened = desktop.OpenedAddresses();
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], C_WString(u"http://www.nicovideo.jp/tag/%E3%82%B2"));
    EXPECT_EQ(opened[1], C_WString(u"HTTPS://example.com/a?b=c")) << "trimmed";
    EXPECT_EQ(opened[3], C_WString(u"history.txt"));
}

// The real desktop hands addresses to xdg-open and listens for its verdict: an opener that
// finds no program for the address fails within moments, and the failure is reported (the
// viewer then offers the address to copy). A desktop without any opener fails at once.
TEST_F(Desktop, AnOpenerThatFailsIsReportedOnesThatWorkAreNot)
{
    TempDir bin;
    const auto writeOpener = [&](int exitCode) {
        std::ofstream(bin.path() / "xdg-open") << "#!/bin/sh\necho \"$1\" >> '" << (bin.path() / "asked").string()
                                               << "'\nexit " << exitCode << "\n";
        std::filesystem::permissions(bin.path() / "xdg-open", std::filesystem::perms::owner_all);
    };
    const char* previousPath = std::getenv("PATH");
    const std::string savedPath = previousPath ? previousPath : "";
    setenv("PATH", (bin.path().string() + ":/usr/bin:/bin").c_str(), 1);
    std::vector<C_WString> failed;
    SetOpenFailureHandler([&](const C_WString& address) { failed.push_back(address); });
    SetDesktop(nullptr);

    writeOpener(3);  // what xdg-open says when it has no method for the address
    EXPECT_TRUE(OpenAddress(C_WString(u"http://www.nicovideo.jp/watch/sm9")));
    EXPECT_TRUE(PumpUntil([&] { return !failed.empty(); }));
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0], C_WString(u"http://www.nicovideo.jp/watch/sm9"));

    writeOpener(0);
    EXPECT_TRUE(OpenAddress(qarvo::common::System::utf8_to_utf16(qarvo::C_String(bin.path().string() + "/"))));
    QElapsedTimer waited;
    waited.start();
    PumpUntil([&] { return waited.elapsed() > 1500; }, 3000);
    EXPECT_EQ(failed.size(), 1u);
    std::ifstream asked(bin.path() / "asked");
    std::string first, second;
    std::getline(asked, first);
    std::getline(asked, second);
    EXPECT_EQ(first, "http://www.nicovideo.jp/watch/sm9");
    EXPECT_EQ(second, bin.path().string() + "/") << "a folder goes as its path";

    // No opener at all: the toolkit's own way, which the headless platform does not have.
    setenv("PATH", bin.path().string().c_str(), 1);
    std::filesystem::remove(bin.path() / "xdg-open");
    EXPECT_TRUE(OpenAddress(C_WString(u"https://example.com/")));
    EXPECT_TRUE(PumpUntil([&] { return failed.size() == 2; }));

    SetOpenFailureHandler(nullptr);
    SetDesktop(&desktop);
    setenv("PATH", savedPath.c_str(), 1);
}

TEST_F(Desktop, ClipboardIsRecordedAndABusyClipboardRefuses)
{
    EXPECT_TRUE(SetClipboardText(C_WString(u"【該当URL】http://www.nicovideo.jp/watch/sm9\n")));
    EXPECT_EQ(GetClipboardText(), C_WString(u"【該当URL】http://www.nicovideo.jp/watch/sm9\n"));
    desktop.SetClipboardAvailable(false);
    EXPECT_FALSE(SetClipboardText(C_WString(u"other")));
    EXPECT_EQ(desktop.ClipboardText(), C_WString(u"【該当URL】http://www.nicovideo.jp/watch/sm9\n"));
    EXPECT_EQ(desktop.ClipboardWrites(), 1);
}

TEST_F(Desktop, ReplacingTheDesktopReturnsThePreviousOne)
{
    C_DesktopRecorder other;
    EXPECT_EQ(SetDesktop(&other), &desktop);
    MessageBox(0, C_WString(u"x"), C_WString(u"y"), MB_OK);
    EXPECT_EQ(other.MessageBoxes().size(), 1u);
    EXPECT_TRUE(desktop.MessageBoxes().empty());
    EXPECT_EQ(SetDesktop(&desktop), &other);
}

}  // namespace
}  // namespace uitest
