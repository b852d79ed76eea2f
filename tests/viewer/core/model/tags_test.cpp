#include <gtest/gtest.h>

#include "viewer/core/model/tag_info.h"
#include "viewer/core/model/tag_layout.h"

using namespace pelmora::viewer;
using qarvo::C_String;
using qarvo::C_WString;

namespace {

const char* kAnswer =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<nicovideo_thumb_response status=\"ok\">\n<thumb><video_id>sm9</video_id>\n"
    "<tags domain=\"jp\">\n<tag category=\"1\" lock=\"1\">音楽</tag>\n<tag>A&amp;amp;B</tag>\n"
    "<tag lock=\"1\">it&apos;s</tag>\n</tags>\n"
    "<tags domain=\"tw\">\n<tag>台灣</tag>\n</tags>\n"
    "<tags domain=\"ko\">\n<tag>한국</tag>\n</tags>\n"
    "<tags domain=\"de\">\n<tag>Musik</tag>\n</tags>\n"
    "<tags domain=\"es\">\n<tag>Música</tag>\n</tags>\n</thumb>\n</nicovideo_thumb_response>\n";

}  // namespace

TEST(ThumbInfo, DomainsLocksAndDoubleEscapes)
{
    TagLists lists;
    ASSERT_TRUE(ParseThumbInfo(C_String(kAnswer), lists));
    ASSERT_EQ(lists[0].texts.size(), 3u);
    EXPECT_EQ(lists[0].texts[0], C_WString(u"音楽"));
    EXPECT_EQ(lists[0].locked[0], 1);
    // Escaped twice by the service, shown plain.
    EXPECT_EQ(lists[0].texts[1], C_WString(u"A&B"));
    EXPECT_EQ(lists[0].locked[1], 0);
    EXPECT_EQ(lists[0].texts[2], C_WString(u"it's"));
    ASSERT_EQ(lists[1].texts.size(), 1u);
    EXPECT_EQ(lists[1].texts[0], C_WString(u"台灣"));
    // "ko" is skipped entirely.
    ASSERT_EQ(lists[2].texts.size(), 1u);
    EXPECT_EQ(lists[2].texts[0], C_WString(u"Musik"));
    EXPECT_EQ(lists[3].texts[0], C_WString(u"Música"));
    EXPECT_EQ(TagDomainIndex(C_String("www")), 0);
    EXPECT_EQ(TagDomainIndex(C_String("jp2")), 0);
    EXPECT_EQ(TagDomainIndex(C_String("ko")), 4);
}

TEST(ThumbInfo, DeletedAndMalformed)
{
    TagLists lists;
    EXPECT_FALSE(ParseThumbInfo(
        C_String("<nicovideo_thumb_response status=\"fail\"><error><code>DELETED</code>"
                 "<description>deleted</description></error></nicovideo_thumb_response>"),
        lists));
    EXPECT_TRUE(lists[0].texts.empty());
    // A failure without "deleted" still reads the tags; a block cut short keeps what came.
    EXPECT_TRUE(ParseThumbInfo(C_String("<x_thumb_response status=\"fail\"><tags domain=\"jp\"><tag>a</tag><tag>b"),
                               lists));
    EXPECT_EQ(lists[0].texts.size(), 1u);
    TagLists none;
    EXPECT_TRUE(ParseThumbInfo(C_String("<tags><tag>x</tag></tags>"), none));  // no domain: nothing
    EXPECT_TRUE(none[0].texts.empty());
}

TEST(TagLayout, RowsMarksAndLimit)
{
    TagSet set;
    for (int i = 0; i < 20; ++i) {
        set.texts.push_back(C_WString(u"tag"));
        set.locked.push_back(i == 0 ? 1 : 0);
    }
    // Each character 40 px wide: "tag" is 120, "tag ★" 200.
    const auto width = [](const C_WString& t) { return t.Length() * 40; };
    const std::vector<TagPlacement> placed = LayoutTags(set, width);
    ASSERT_EQ(placed.size(), 15u);
    EXPECT_EQ(placed[0].text, C_WString(u"tag ★"));
    EXPECT_EQ(placed[0].x, 20);
    EXPECT_EQ(placed[0].y, 25);
    EXPECT_EQ(placed[0].width, 202);
    EXPECT_EQ(placed[0].height, 20);
    EXPECT_EQ(placed[1].x, 20 + 200 + 15);
    // 235, 370, 505 fit (505 + 120 < 730); 640 + 120 >= 730 starts a new row.
    EXPECT_EQ(placed[4].y, 45);
    EXPECT_EQ(placed[4].x, 20);
}

// Many "<tag" sharing one ">" once each read (and copied) the stretch up to it: quadratic in
// time, and one copy of the text per "<tag". Only the last one, whose element holds no other
// "<", is a tag.
TEST(ThumbInfo, TagsSharingOneEndGiveOneTag)
{
    std::string answer = "<tags domain=\"jp\">";
    for (int i = 0; i < 25000; ++i)
        answer += "<tag";
    answer += " lock=\"1\">" + std::string(100000, 'x') + "</tags>";
    TagLists lists;
    ASSERT_TRUE(ParseThumbInfo(C_String(answer), lists));
    ASSERT_EQ(lists[0].texts.size(), 1u);
    EXPECT_EQ(lists[0].texts[0].Length(), 100000);
    EXPECT_EQ(lists[0].locked[0], 1);
}

// The rows wrap at the page's width: on a page 200 px wider than the original, 200 px later;
// at the original size exactly where they always did.
TEST(TagLayout, RowsWrapAtThePageWidth)
{
    TagSet set;
    for (int i = 0; i < 8; ++i) {
        set.texts.push_back(C_WString(u"tag"));
        set.locked.push_back(0);
    }
    const auto width = [](const C_WString& t) { return t.Length() * 40; };
    auto rowStarts = [&](const PageGeometry& page) {
        std::vector<int> starts;
        for (const TagPlacement& p : LayoutTags(set, width, page))
            if (p.x == 20)
                starts.push_back(p.y);
        return starts;
    };
    // 120 px tags 135 apart: x = 20, 155, 290, 425, 560 fit below 730, 695 does not.
    EXPECT_EQ(rowStarts(PageGeometry{}), (std::vector<int>{25, 45}));
    EXPECT_EQ(rowStarts(PageGeometry{726, 240, 726, 240}), (std::vector<int>{25, 45}));
    // Up to 930: x = 695 and 830 fit as well (830 + 120 = 950 does not).
    EXPECT_EQ(rowStarts(PageGeometry{926, 240, 726, 240}), (std::vector<int>{25, 45}));
    const std::vector<TagPlacement> wide = LayoutTags(set, width, PageGeometry{926, 240, 726, 240});
    EXPECT_EQ(wide[5].x, 695);
    EXPECT_EQ(wide[5].y, 25);
    EXPECT_EQ(wide[6].x, 20);
    EXPECT_EQ(wide[6].y, 45);
}
