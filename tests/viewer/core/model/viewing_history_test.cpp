#include <gtest/gtest.h>

#include "viewer/core/model/viewing_history.h"

using namespace pelmora::viewer;
using qarvo::C_String;
using qarvo::C_WString;

namespace {

const C_WString kRoot(u"http://www.example.jp");

// One entry in the service's shape; `tail` closes the paragraph after the second strong text.
std::string entry(const std::string& link, const std::string& tail, const std::string& title,
                  const std::string& counts)
{
    return "<tr><td><a href=\"" + link + "\"><img src=\"http://tn.example/" + link.substr(link.size() - 1) +
           ".png\"></a><span class=\"len\">12:34</span></td>"
           "<td><p><strong>2026年1月2日 03:04</strong> に視聴 <strong>視聴回数</strong>" + tail + "</p>"
           "<h3><a class=\"t\" href=\"" + link + "\">" + title + "</a></h3>" + counts + "</td></tr>\n";
}

std::string page(const std::string& rows, bool clear = true)
{
    return "<html><body><h1 class=\"x\">視聴履歴</h1><table>\n" + rows + "</table>" +
           (clear ? "<p><a href=\"history?c=clear\">clear</a></p>" : "") + "</body></html>";
}

const std::string kCounts =
    "<strong class=\"c9\">1,234,567</strong><strong data-n=\"77\">89</strong><strong>x5y6</strong>";

ViewingHistory parse(const std::string& text, bool* listed = nullptr)
{
    ViewingHistory history;
    const bool ok = ParseViewingHistory(C_String(text), kRoot, nullptr, history);
    if (listed)
        *listed = ok;
    return history;
}

}  // namespace

// Hand-made page: every field, the three kinds of link, and the entry that ends the list.
TEST(ViewingHistory, FieldsLinksAndTheLastEntry)
{
    const std::string rows = entry("/watch/sm1", " これまで <span class=\"n2\">3</span> 回", "A &amp; &lt;B&gt;", kCounts) +
                             entry("http://www.example.jp/watch/sm2", "", "two", kCounts) +
                             entry("watch/sm3", " 12,3 回", "three", kCounts);
    const ViewingHistory h = parse(page(rows));
    ASSERT_EQ(h.entries.size(), 3u);
    ASSERT_EQ(h.thumbnails.size(), 3u);
    const NICO_RANKING_DATA& e = *h.entries[0];
    EXPECT_EQ(e.link, C_WString(u"http://www.example.jp/watch/sm1"));
    EXPECT_EQ(h.thumbnails[0], C_String("http://tn.example/1.png"));
    EXPECT_EQ(e.spanText, C_WString(u"12:34"));
    EXPECT_EQ(e.firstStrong, C_WString(u"2026年1月2日 03:04"));
    EXPECT_EQ(e.secondStrong, C_WString(u"視聴回数"));
    EXPECT_EQ(e.viewCount, 4);  // three earlier views, the quoted "n2" skipped
    EXPECT_EQ(e.anchorText, C_WString(u"A & <B>"));
    EXPECT_EQ(e.playCount, 1234567);
    EXPECT_EQ(e.commentCount, 89);
    EXPECT_EQ(e.extraCount, 5);
    EXPECT_EQ(h.entries[1]->link, C_WString(u"http://www.example.jp/watch/sm2"));
    EXPECT_EQ(h.entries[1]->viewCount, 1);  // no number: this is the first view
    EXPECT_EQ(h.entries[2]->link, C_WString(u"http://www.example.jp/watch/sm3"));
    EXPECT_EQ(h.entries[2]->viewCount, 13);  // "12,3" is 12: a group needs three digits

    // Without the clear link the region has no end; a "#" link ends the list.
    EXPECT_TRUE(parse(page(rows, false)).entries.empty());
    EXPECT_EQ(parse(page(entry("/watch/sm1", "", "t", kCounts) + entry("#top", "", "t", kCounts))).entries.size(), 1u);
}

// An error page, and each marker missing, end quietly with nothing.
TEST(ViewingHistory, ErrorPageAndMissingMarkers)
{
    const std::string good = page(entry("/watch/sm1", "", "t", kCounts));
    ASSERT_EQ(parse(good).entries.size(), 1u);
    EXPECT_TRUE(parse("<h1>エラー</h1><table>" + good.substr(good.find("<tr>"))).entries.empty());
    for (const char* marker : {"<h1", "/h1>", "<table", "<a href", "history?c=clear", "<img ", "<span", "<str"}) {
        std::string broken = good;
        for (size_t at; (at = broken.find(marker)) != std::string::npos;)
            broken.replace(at, std::string(marker).size(), "<del>");
        EXPECT_TRUE(parse(broken).entries.empty()) << marker;
    }
    // An empty list is still a list (the page shows "<none>"); an error page is not.
    bool listed = false;
    EXPECT_TRUE(parse(page(""), &listed).entries.empty());
    EXPECT_TRUE(listed);
    parse("<h1>エラー</h1>", &listed);
    EXPECT_FALSE(listed);
    // A page cut inside the second entry keeps the first.
    const std::string two = page(entry("/watch/sm1", "", "t", kCounts) + entry("/watch/sm2", "", "t", kCounts));
    EXPECT_EQ(parse(two.substr(0, two.find("<span", two.find("sm2"))) + "history?c=clear").entries.size(), 1u);
}

TEST(ViewingHistory, AtMost201Entries)
{
    std::string rows;
    for (int i = 0; i < 250; ++i)
        rows += entry("/watch/sm" + std::to_string(i % 10), "", "t", kCounts);
    const ViewingHistory h = parse(page(rows));
    EXPECT_EQ(h.entries.size(), 201u);
    EXPECT_EQ(h.thumbnails.size(), 201u);
}
