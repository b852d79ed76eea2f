#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "subtitles/ass_text.h"
#include "subtitles/ass_writer.h"
#include "subtitles/comment_style.h"

namespace pelmora::subtitles {
namespace {

SubtitleComment comment(int vpos, int no, const std::string& text, const std::string& mail = "")
{
    SubtitleComment c;
    c.vpos = vpos;
    c.no = no;
    c.text = text;
    c.mail = mail;
    return c;
}

std::string eventLine(const AssDocument& document, int no)
{
    const std::string key = ",Comment," + std::to_string(no) + ",";
    const size_t at = document.text.find(key);
    if (at == std::string::npos)
        return std::string();
    const size_t begin = document.text.rfind("\r\n", at) + 2;
    return document.text.substr(begin, document.text.find("\r\n", at) - begin);
}

TEST(AssText, PostersTextCannotBecomeTagsOrBreaks)
{
    // U+2060 (word joiner, E2 81 A0) after a backslash keeps "\N" and "\{" text.
    EXPECT_EQ(escapeAssText("{\\fs300}a\\Nb"), "\\{\\\xE2\x81\xA0" "fs300\\}a\\\xE2\x81\xA0" "Nb");
    EXPECT_EQ(escapeAssText("one\r\ntwo\nthree\rfour"), "one\\Ntwo\\Nthree\\Nfour");
    EXPECT_EQ(escapeAssText(std::string("tab\tnul\0x", 9)), "tab nul x");
    EXPECT_EQ(escapeAssText("bad \xFF\xC3 end"), "bad \xEF\xBF\xBD\xEF\xBF\xBD end");
    EXPECT_EQ(escapeAssText("日本語"), "日本語");

    EXPECT_EQ(measureText("日本", 64).width, 128);
    EXPECT_EQ(measureText("ab", 100).width, 124);
    const TextExtent lines = measureText("ab\r\n日本語", 10);
    EXPECT_EQ(lines.lines, 2);
    EXPECT_EQ(lines.width, 30);
}

TEST(AssText, CommandsGiveSizeColourAndPlacement)
{
    const CommentStyle plain = styleOf("184");
    EXPECT_EQ(plain.placement, Placement::Scroll);
    EXPECT_EQ(plain.size, Size::Medium);
    EXPECT_EQ(plain.rgb, 0xFFFFFFu);
    const CommentStyle top = styleOf("184 ue big red shita blue");
    EXPECT_EQ(top.placement, Placement::Top);
    EXPECT_EQ(top.size, Size::Big);
    EXPECT_EQ(top.rgb, 0xFF0000u);
    EXPECT_EQ(styleOf("SHITA\xE3\x80\x80small #Ff8800").placement, Placement::Bottom);
    EXPECT_EQ(styleOf("shita small #Ff8800").rgb, 0xFF8800u);
    EXPECT_EQ(styleOf("#12345 truered").rgb, 0xCC0033u);
}

TEST(AssWriter, KnownCommentsAreTimedPlacedAndStyled)
{
    SubtitleComment deleted = comment(50, 5, "gone");
    deleted.deleted = true;
    SubtitleComment ng = comment(60, 6, "hidden by NG");
    ng.hidden = true;
    const AssDocument doc = writeAss({comment(1234, 1, "こんにちは", "red"), comment(200, 2, "top", "ue big"),
                                      comment(200, 3, "bottom", "shita black"), deleted, ng});
    EXPECT_EQ(doc.skipped, 2);
    EXPECT_EQ(doc.leftOut, 0);
    ASSERT_EQ(doc.events.size(), 3u);
    EXPECT_NE(doc.text.find("PlayResX: 1920\r\nPlayResY: 1080\r\n"), std::string::npos);
    EXPECT_NE(doc.text.find("Style: Comment,Noto Sans CJK JP,64,"), std::string::npos);

    // 12.34 s to 16.34 s; five characters of 64 px and the outline: 326 px; red is &H0000FF&.
    EXPECT_EQ(eventLine(doc, 1), "Dialogue: 0,0:00:12.34,0:00:16.34,Comment,1,0,0,0,,{\\move(1920,0,-326,0)\\c&H0000FF&}こんにちは");
    EXPECT_EQ(eventLine(doc, 2), "Dialogue: 1,0:00:02.00,0:00:05.00,Comment,2,0,0,0,,{\\an8\\pos(960,0)\\fs100}top");
    // The bottom lane's band starts 72 px above the frame's edge; black gets a white outline.
    EXPECT_EQ(eventLine(doc, 3),
              "Dialogue: 1,0:00:02.00,0:00:05.00,Comment,3,0,0,0,,{\\an8\\pos(960,1008)\\c&H000000&\\3c&HFFFFFF&}bottom");
    EXPECT_EQ(assTime(360000 + 61 * 100 + 7), "1:01:01.07");
}

// Two events of a kind cover each other when their bands share a lane while both show and, for
// two scrolling ones, their spans of x meet at some moment of that time. x moves linearly, so
// the ends of the shared time decide. (Fixed comments are drawn over the scrolling ones.)
bool overlap(const AssEvent& a, const AssEvent& b, const LaneGeometry& g)
{
    if (a.lane + a.lanes <= b.lane || b.lane + b.lanes <= a.lane)
        return false;
    if ((a.placement == Placement::Scroll) != (b.placement == Placement::Scroll))
        return false;
    const int from = std::max(a.start, b.start);
    const int to = std::min(a.end, b.end);
    if (from >= to)
        return false;
    if (a.placement != Placement::Scroll || b.placement != Placement::Scroll)
        return true;
    auto left = [&](const AssEvent& e, double t) {
        return g.frameWidth - (g.frameWidth + e.width) * (t - e.start) / g.scrollCentis;
    };
    for (const double t : {static_cast<double>(from), static_cast<double>(to)}) {
        const double aLeft = left(a, t), bLeft = left(b, t);
        if (aLeft < bLeft + b.width && bLeft < aLeft + a.width)
            return true;
    }
    // Crossing between the two ends: the order of the left edges flips.
    return (left(a, from) < left(b, from)) != (left(a, to) < left(b, to));
}

TEST(AssWriter, NoTwoOfTenThousandCommentsCoverEachOther)
{
    const unsigned seed = 20240805;
    std::mt19937 random(seed);
    const char* const mails[] = {"", "184", "184", "red", "ue", "shita big", "big", "small red", "naka medium", "184 blue"};
    const char* const texts[] = {"w", "草", "888888", "ここすき", "wwwwwwwwwwwwwwwwwwww", "two\nlines",
                                 "とても長いコメントがここに流れていきますよー", "a\nb\nc"};
    std::vector<SubtitleComment> comments;
    for (int no = 1; no <= 10000; ++no)
        comments.push_back(comment(static_cast<int>(random() % 180000), no, texts[random() % std::size(texts)],
                                   mails[random() % std::size(mails)]));
    const AssDocument doc = writeAss(comments);
    const LaneGeometry g;
    EXPECT_EQ(doc.events.size() + static_cast<size_t>(doc.leftOut), comments.size()) << "seed " << seed;
    // About five and a half comments a second, as a busy video has them: nearly all find room.
    EXPECT_LT(doc.leftOut, 200) << "seed " << seed;

    std::vector<AssEvent> events = doc.events;
    std::sort(events.begin(), events.end(), [](const AssEvent& a, const AssEvent& b) { return a.start < b.start; });
    for (size_t i = 0; i < events.size(); ++i) {
        const SubtitleComment& source = comments[static_cast<size_t>(events[i].no - 1)];
        ASSERT_GE(events[i].start, source.vpos);
        ASSERT_LE(events[i].start, source.vpos + g.maxDelayCentis);
        ASSERT_LE(events[i].y + events[i].height, g.frameHeight) << events[i].no;
        for (size_t j = i + 1; j < events.size() && events[j].start < events[i].end; ++j)
            ASSERT_FALSE(overlap(events[i], events[j], g))
                << "comments " << events[i].no << " and " << events[j].no << ", seed " << seed;
    }
}

}  // namespace
}  // namespace pelmora::subtitles
