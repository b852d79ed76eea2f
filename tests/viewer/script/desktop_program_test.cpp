// The viewer as a program on a Linux desktop: a window that grows (lanes, start and tags
// spread over the page), one window for two starts, failures that show, and the keyboard.

#include "tests/viewer/script/viewer_script.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

namespace scripttest {
namespace {

namespace fs = std::filesystem;
using DesktopProgram = ViewerScript;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QJsonArray rect(const QJsonObject& control)
{
    return control["rect"].toArray();
}

// The shown flowing comments (labels 1020..1041) and tag links (1003..1017) of a page.
std::vector<QJsonObject> shown(const QJsonObject& page, int first, int last)
{
    std::vector<QJsonObject> out;
    for (const QJsonValue& c : page["controls"].toArray())
        if (c["id"].toInt() >= first && c["id"].toInt() <= last && c["visible"].toBool())
            out.push_back(c.toObject());
    return out;
}

bool hasLine(const std::vector<QJsonObject>& lines, const char* kind, const std::string& key, const std::string& part)
{
    for (const QJsonObject& line : lines)
        if (line["kind"].toString() == kind && line[QString::fromStdString(key)].toString().toStdString().find(part) !=
                                                   std::string::npos)
            return true;
    return false;
}

// sm7 has more tags than a page shows, in several rows at the original size.
constexpr const char* kFetchSm7 = R"(
settext 1001 sm7
press 1
waitfor 13001 生成 20000
wait 5000
dump page
)";

TEST_F(DesktopProgram, LargerWindowGivesThePageTheRoomLanesAndTagRows)
{
    ASSERT_EQ(RunViewer(kFetchSm7), 0);
    const QJsonObject small = Dump("page");
    ASSERT_EQ(RunViewer(std::string("window size 1350 800\nwait 300\n") + kFetchSm7), 0);
    const QJsonObject large = Dump("page");
    EXPECT_EQ(Log().find("failed"), std::string::npos) << Log();

    const QJsonObject smallMain = Window(small, 101), largeMain = Window(large, 101);
    const QJsonObject smallPage = Window(small, 107), largePage = Window(large, 107);
    ASSERT_FALSE(smallPage.isEmpty());
    ASSERT_FALSE(largePage.isEmpty());
    // At the original size the controls sit where the template puts them.
    EXPECT_EQ(rect(Control(smallMain, 1060)), (QJsonArray{11, 59, 729, 273}));
    EXPECT_EQ(rect(Control(smallMain, 1042))[1].toInt(), 340);
    const int extraWidth = rect(Control(largeMain, 1060))[2].toInt() - 729;
    const int extraHeight = rect(Control(largeMain, 1060))[3].toInt() - 273;
    EXPECT_EQ(extraWidth, 1350 - 750);
    EXPECT_EQ(extraHeight, 800 - 452);
    EXPECT_EQ(rect(Control(largeMain, 1060))[0].toInt(), 11);
    EXPECT_EQ(rect(Control(largeMain, 1042))[1].toInt(), 340 + extraHeight) << "the ranking row follows the bottom";
    EXPECT_EQ(rect(Control(largeMain, 1001)), rect(Control(smallMain, 1001)));
    const int pageWidth = smallPage["rect"][2].toInt(), pageHeight = smallPage["rect"][3].toInt();
    EXPECT_EQ(largePage["rect"][2].toInt(), pageWidth + extraWidth);
    EXPECT_EQ(largePage["rect"][3].toInt(), pageHeight + extraHeight);

    // The lanes: 80, 100, ... 220 on the original page; spread over the extra height on the
    // larger one (lane i gains i/8 of it).
    std::set<int> smallLanes, largeLanes;
    for (int i = 0; i < 8; ++i) {
        smallLanes.insert(80 + 20 * i);
        largeLanes.insert(80 + 20 * i + i * extraHeight / 8);
    }
    const std::vector<QJsonObject> smallComments = shown(smallPage, 1020, 1041);
    const std::vector<QJsonObject> largeComments = shown(largePage, 1020, 1041);
    ASSERT_GE(smallComments.size(), 3u);
    ASSERT_GE(largeComments.size(), 3u);
    for (const QJsonObject& c : smallComments) {
        EXPECT_TRUE(smallLanes.count(rect(c)[1].toInt())) << rect(c)[1].toInt();
        EXPECT_LE(rect(c)[0].toInt(), 840);
    }
    for (const QJsonObject& c : largeComments) {
        EXPECT_TRUE(largeLanes.count(rect(c)[1].toInt())) << rect(c)[1].toInt();
        EXPECT_LE(rect(c)[0].toInt(), 840 + extraWidth);
    }
    EXPECT_TRUE(largeLanes.count(rect(largeComments[1])[1].toInt()) && rect(largeComments[1])[1].toInt() > 100);

    // The tags wrap at the page's width: fewer rows, none reaching past the row's end.
    auto rows = [](const std::vector<QJsonObject>& tags, int rowEnd) {
        std::set<int> ys;
        for (const QJsonObject& t : tags) {
            ys.insert(rect(t)[1].toInt());
            EXPECT_LT(rect(t)[0].toInt() + rect(t)[2].toInt() - 2, rowEnd);
        }
        return ys.size();
    };
    const std::vector<QJsonObject> smallTags = shown(smallPage, 1003, 1017);
    const std::vector<QJsonObject> largeTags = shown(largePage, 1003, 1017);
    EXPECT_EQ(smallTags.size(), 15u);
    EXPECT_EQ(largeTags.size(), 15u);
    EXPECT_GT(rows(smallTags, 730), 2u);
    EXPECT_LT(rows(largeTags, 730 + extraWidth), rows(smallTags, 730));
}

TEST_F(DesktopProgram, AddressOnTheCommandLineAndASecondStartGoToOneWindow)
{
    // Alone, the viewer fetches the address it was started with.
    ASSERT_EQ(WaitViewer(StartViewer("waitfor 13001 生成 20000\ndump started\n", {"sm9"})), 0);
    EXPECT_EQ(Control(Window(Dump("started"), 101), 13002)["items"].toArray(), (QJsonArray{"最近見た動画", "sm9"}));

    // Running, minimised: a second start with an address brings it forward and it fetches.
    const int first = StartViewer(R"(
window minimize
wait 200
waitfor 1001 so10 60000
waitfor 13001 生成 20000
wait 300
dump handed
)");
    ASSERT_GT(first, 0);
    for (int i = 0; i < 600 && Log().find("window minimize ok") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_NE(Log().find("window minimize ok"), std::string::npos) << Log();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(RunSecondStart({"http://www.nicovideo.jp/watch/so10"}), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << "handed over, not timed out";
    EXPECT_EQ(WaitViewer(first), 0);
    EXPECT_EQ(Log().find("timeout"), std::string::npos) << Log();
    const QJsonObject main = Window(Dump("handed"), 101);
    EXPECT_NE(Text(Control(main, 13001)).find("生成"), std::string::npos) << Text(Control(main, 13001));
    EXPECT_EQ(main["state"].toString(), "normal");
    // The box took the address, then the fetched video's history entry.
    EXPECT_EQ(Text(Control(main, 1001)).rfind("so10 ", 0), 0u) << Text(Control(main, 1001));
    EXPECT_EQ(Control(main, 13002)["items"].toArray(), (QJsonArray{"最近見た動画", "so10"}));
    // Nothing was shown or written about a second copy.
    EXPECT_TRUE(Desktop().empty()) << readAll(m_out / "desktop.jsonl");
    EXPECT_FALSE(fs::exists(m_root / "runtime" / "PelmoraVista.sock")) << "the channel goes with the viewer";
}

TEST_F(DesktopProgram, OpenFailuresOfferTheAddressAndMissingNotesAreSaid)
{
    m_env["PELMORA_SCRIPT_NO_HANDLER"] = "1";
    // A copy of the program in a tree of its own, without release notes beside it.
    fs::create_directories(m_root / "inst" / "bin");
    fs::copy_file(PELMORA_VIEWER_PATH, m_root / "inst" / "bin" / "PelmoraVista");
    m_program = (m_root / "inst" / "bin" / "PelmoraVista").string();
    ASSERT_EQ(RunViewer(R"(
settext 1001 sm9
menu 40010
wait 300
menu 40004
wait 300
menu 40008
wait 300
)"),
              0);
    const std::vector<QJsonObject> desktop = Desktop();
    const std::string data = (m_root / "home" / ".local" / "share" / "PelmoraVista").string();
    EXPECT_TRUE(hasLine(desktop, "open", "address", "http://www.nicovideo.jp/watch/sm9"));
    EXPECT_TRUE(hasLine(desktop, "messagebox", "text", "http://www.nicovideo.jp/watch/sm9"));
    EXPECT_TRUE(hasLine(desktop, "messagebox", "text", "アドレスをクリップボードにコピーしますか？"));
    // The box's default answer copies the address.
    EXPECT_TRUE(hasLine(desktop, "clipboard", "text", "http://www.nicovideo.jp/watch/sm9"));
    // Without an init.ini here the folder in use is the user's data folder.
    EXPECT_TRUE(hasLine(desktop, "open", "address", data + "/"));
    EXPECT_TRUE(hasLine(desktop, "clipboard", "text", data + "/"));
    EXPECT_TRUE(hasLine(desktop, "messagebox", "text", "更新履歴 (history.txt) が見つかりませんでした。"));
    EXPECT_TRUE(hasLine(desktop, "messagebox", "text", (m_root / "inst" / "share" / "pelmoravista" / "history.txt").string()));
    for (const QJsonObject& line : desktop) {
        if (line["kind"] == "messagebox") {
            EXPECT_EQ(line["icon"].toString(), "warning");
        }
    }
}

TEST_F(DesktopProgram, KeyboardFetchesFocusesAndAsksBeforeLeavingABroadcast)
{
    const int status = RunViewer(R"(
key Tab
key Tab
dump away
key Ctrl+L
dump focused
settext 1001 lv1
key Enter
waitfor 13001 生成 20000
wait 500
key Escape
wait 500
dump asked
key Ctrl+Q
wait 3000
dump never
)");
    EXPECT_EQ(status, 0);
    auto focused = [](const QJsonObject& dump) {
        for (const QJsonValue& c : Window(dump, 101)["controls"].toArray())
            if (c["focused"].toBool())
                return c["id"].toInt();
        return 0;
    };
    EXPECT_NE(focused(Dump("away")), 1001);
    EXPECT_EQ(focused(Dump("focused")), 1001);
    // Enter fetched; Escape asked and the default answer ("No") kept the window; Ctrl+Q quit
    // without asking.
    EXPECT_EQ(Control(Window(Dump("asked"), 101), 13002)["items"].toArray(), (QJsonArray{"最近見た動画", "lv1"}));
    const std::vector<QJsonObject> desktop = Desktop();
    int asked = 0;
    for (const QJsonObject& line : desktop)
        asked += line["kind"] == "messagebox" && line["text"] == "終了しますか？" && line["icon"] == "question";
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(fs::exists(m_out / "never.json"));
    EXPECT_EQ(Log().find("end"), std::string::npos) << "the script ended with the window";
}

}  // namespace
}  // namespace scripttest
