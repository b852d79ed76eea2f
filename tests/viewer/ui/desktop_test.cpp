// Message boxes, opened addresses and the clipboard go through the replaceable desktop.

#include <thread>

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
