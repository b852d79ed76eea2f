// The history page as a user sees it: entries, thumbnails, paging, refreshing, the title
// links, and the tab of a new fetch.

#include "tests/viewer/script/viewer_script.h"

#include "tools/nicosim/time_text.h"

namespace scripttest {
namespace {

using HistoryPage = ViewerScript;

struct Slot {
    int thumbnail, line1, line2, title, lastViewed;
};
constexpr Slot kUpper{1064, 1061, 1062, 1065, 1066};
constexpr Slot kLower{1073, 1067, 1068, 1069, 1070};

bool visible(const QJsonObject& control)
{
    return control["visible"].toBool();
}

QJsonArray rect(const QJsonObject& control)
{
    return control["rect"].toArray();
}

// What a slot shows for entry `index` of the simulated history (formats of the page).
void expectEntry(const QJsonObject& page, const Slot& slot, const nicosim::Catalogue& catalogue, int entries,
                 int index)
{
    const nicosim::HistoryEntry e = catalogue.history(entries)[static_cast<size_t>(index)];
    const nicosim::VideoFacts v = *catalogue.video(e.videoId);
    EXPECT_EQ(Text(Control(page, slot.line1)), nicosim::japaneseDateTime(v.firstRetrieve) + " 投稿");
    EXPECT_EQ(Text(Control(page, slot.line2)),
              "時間： " + nicosim::playLength(v.lengthSeconds) + " | 再生： " + std::to_string(v.viewCount) +
                  " | コメント： " + std::to_string(v.commentCount));
    EXPECT_EQ(Text(Control(page, slot.title)), v.title);
    EXPECT_EQ(Text(Control(page, slot.lastViewed)),
              "最終視聴日" + nicosim::japaneseDateTime(e.watchedAt) + " (視聴回数: " + std::to_string(e.earlierViews + 1) + ")");
}

TEST_F(HistoryPage, EntriesPagingTitleLinkRefreshAndTheNewTab)
{
    WriteSettings({{"getcomment_space_time", "8"}, {"get_tag", "0"}});
    const int status = RunViewer(R"(
waitfor 1072 1/16
wait 1500
dump first
press 1052
dump second
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
press 1052
wait 800
dump last
press 1051
click 1069
press 1063
dump refreshed
waitfor 1072 1/16
settext 1001 sm9
press 1
waitfor 13001 生成 15000
wait 1000
dump fetched
tab 0
waitfor 13001 最新 20000
dump refetched
)");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Log().find("failed"), std::string::npos) << Log();
    const nicosim::Catalogue& catalogue = m_sim->catalogue();

    const QJsonObject first = Window(Dump("first"), 105);
    EXPECT_TRUE(first["visible"].toBool());
    EXPECT_EQ(Text(Control(first, 1072)), "1/16");
    EXPECT_FALSE(visible(Control(first, 1051)));
    EXPECT_TRUE(visible(Control(first, 1052)));
    expectEntry(first, kUpper, catalogue, 31, 0);
    expectEntry(first, kLower, catalogue, 31, 1);
    EXPECT_EQ(Text(Control(first, 1071)), std::string(92, '-'));
    EXPECT_EQ(Control(first, 1064)["bitmap"].toArray(), (QJsonArray{130, 100}));
    EXPECT_EQ(Control(first, 1073)["bitmap"].toArray(), (QJsonArray{130, 100}));
    // A title is as wide as its text, one line high; every control fits in the page.
    EXPECT_EQ(rect(Control(first, 1065))[3].toInt(), 18);
    EXPECT_LT(rect(Control(first, 1065))[2].toInt(), 400);
    const int pageHeight = first["rect"].toArray()[3].toInt();
    for (const QJsonValue& c : first["controls"].toArray())
        EXPECT_LE(c["rect"][1].toInt() + c["rect"][3].toInt(), pageHeight) << c["id"].toInt();

    // The second page holds sm8, whose long title wraps into two lines.
    const QJsonObject second = Window(Dump("second"), 105);
    EXPECT_EQ(Text(Control(second, 1072)), "2/16");
    EXPECT_TRUE(visible(Control(second, 1051)));
    expectEntry(second, kLower, catalogue, 31, 3);
    EXPECT_EQ(rect(Control(second, 1069))[2].toInt(), 400);
    EXPECT_EQ(rect(Control(second, 1069))[3].toInt(), 36);

    // 31 entries: the last page shows one.
    const QJsonObject last = Window(Dump("last"), 105);
    EXPECT_EQ(Text(Control(last, 1072)), "16/16");
    expectEntry(last, kUpper, catalogue, 31, 30);
    EXPECT_EQ(Text(Control(last, 1069)), "");
    EXPECT_FALSE(Control(last, 1073).contains("bitmap"));
    EXPECT_FALSE(visible(Control(last, 1052)));
    EXPECT_TRUE(visible(Control(last, 1051)));

    // The lower title of page 15 opens entry 29.
    const std::vector<QJsonObject> desktop = Desktop();
    ASSERT_EQ(desktop.size(), 1u);
    EXPECT_EQ(desktop[0]["kind"].toString(), "open");
    const nicosim::HistoryEntry e29 = catalogue.history(31)[29];
    EXPECT_EQ(desktop[0]["address"].toString().toStdString(), "http://www.nicovideo.jp/watch/" + e29.videoId);

    // "更新" empties the page and fetches again.
    const QJsonObject refreshed = Window(Dump("refreshed"), 105);
    for (int id : {1061, 1062, 1065, 1066, 1067, 1068, 1069, 1070, 1071, 1072})
        EXPECT_EQ(Text(Control(refreshed, id)), "") << id;
    EXPECT_FALSE(visible(Control(refreshed, 1051)));
    EXPECT_FALSE(visible(Control(refreshed, 1052)));
    EXPECT_FALSE(Control(refreshed, 1064).contains("bitmap"));
    EXPECT_EQ(m_sim->requestCount(nicosim::Step::History), 2);

    // The fetch selects its new tab; a timed refetch leaves the user's choice alone.
    const QJsonObject fetched = Dump("fetched");
    EXPECT_EQ(Control(Window(fetched, 101), 13002)["selected"].toInt(), 1);
    EXPECT_TRUE(Window(fetched, 107)["visible"].toBool());
    EXPECT_FALSE(Window(fetched, 105)["visible"].toBool());
    const QJsonObject refetched = Dump("refetched");
    EXPECT_EQ(Control(Window(refetched, 101), 13002)["selected"].toInt(), 0);
    EXPECT_TRUE(Window(refetched, 105)["visible"].toBool());
}

TEST_F(HistoryPage, CounterAndButtonsForZeroAndThreeEntries)
{
    nicosim::Options options = simOptions();
    options.historyEntries = 3;
    RestartSim(options);
    EXPECT_EQ(RunViewer("waitfor 1072 1/2\ndump a\npress 1052\ndump b\n"), 0);
    const QJsonObject a = Window(Dump("a"), 105);
    EXPECT_FALSE(visible(Control(a, 1051)));
    EXPECT_TRUE(visible(Control(a, 1052)));
    const QJsonObject b = Window(Dump("b"), 105);
    EXPECT_EQ(Text(Control(b, 1072)), "2/2");
    expectEntry(b, kUpper, m_sim->catalogue(), 3, 2);
    EXPECT_EQ(Text(Control(b, 1067)), "");
    EXPECT_TRUE(visible(Control(b, 1051)));
    EXPECT_FALSE(visible(Control(b, 1052)));

    options.historyEntries = 0;
    RestartSim(options);
    EXPECT_EQ(RunViewer("waitfor 1072 <none>\ndump empty\n"), 0);
    const QJsonObject empty = Window(Dump("empty"), 105);
    EXPECT_EQ(Text(Control(empty, 1072)), "<none>");
    EXPECT_FALSE(visible(Control(empty, 1051)));
    EXPECT_FALSE(visible(Control(empty, 1052)));
    EXPECT_EQ(Log().find("timeout"), std::string::npos) << Log();
}

}  // namespace
}  // namespace scripttest
