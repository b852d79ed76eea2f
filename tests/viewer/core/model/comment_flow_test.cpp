#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qarvo/text/pointer.h"
#include "viewer/core/model/comment_flow.h"

using namespace pelmora::viewer;
using qarvo::C_WString;

namespace {

struct Event {
    char kind;  // L launch, M move, R release
    int label, x, y;
    std::u16string text;
    bool operator==(const Event& o) const
    {
        return kind == o.kind && label == o.label && x == o.x && y == o.y && text == o.text;
    }
};

class RecordingLabels : public FlowLabels {
public:
    int TextWidth(const C_WString& t) override { return t.Length() * charWidth; }
    int FontHeight() override { return 20; }
    void Launch(int id, const C_WString& t, const std::optional<CommentColour>& c, int x, int y, int w, int h) override
    {
        events.push_back({'L', id, x, y, t.std()});
        colours.push_back(c);
        lastWidth = w;
        lastHeight = h;
    }
    void Move(int id, int x, int y) override { events.push_back({'M', id, x, y, {}}); }
    void Release(int id) override { events.push_back({'R', id, 0, 0, {}}); }
    std::vector<Event> launches() const
    {
        std::vector<Event> out;
        for (const Event& e : events)
            if (e.kind == 'L')
                out.push_back(e);
        return out;
    }
    std::vector<Event> events;
    std::vector<std::optional<CommentColour>> colours;
    int lastWidth = 0, lastHeight = 0;
    int charWidth = 10;
};

CommentCollection makeComments(int n, int textLength = 5)
{
    CommentCollection c;
    for (int i = 0; i < n; ++i) {
        auto p = qarvo::common::MakePointer<tag_NICO_COMMENT_LIGHT>();
        p->no = i + 1;
        p->text = C_WString(std::u16string(static_cast<size_t>(textLength), u'x'));
        c.push_back(p);
    }
    return c;
}

// Runs frames every 50 ms from `start` for `ms` milliseconds.
void runFrames(FlowClock& clock, const CommentCollection& c, RecordingLabels& labels, uint32_t& now, int ms,
               bool live = false, FlowFilter* filter = nullptr)
{
    std::atomic<int> stop{0};
    for (int t = 0; t < ms; t += 50, now += 50)
        RunFlowFrame(clock, c, live, now, labels, stop, filter);
}

}  // namespace

TEST(CommentFlow, LaunchOrderLanesAndSpacing)
{
    CommentCollection c = makeComments(12);
    FlowClock clock;
    RecordingLabels labels;
    uint32_t now = 10000;
    runFrames(clock, c, labels, now, 20000);
    const std::vector<Event> launched = labels.launches();
    ASSERT_EQ(launched.size(), 12u);
    const int lanes[] = {80, 100, 120, 140, 160, 180, 200, 220, 80, 100, 120, 140};
    for (size_t i = 0; i < launched.size(); ++i) {
        EXPECT_EQ(launched[i].y, lanes[i]) << i;
        EXPECT_EQ(launched[i].x, kFlowStartX);
        EXPECT_EQ(launched[i].label, kFirstCommentLabel + static_cast<int>(i));
        // The collection index after two blanks, for the click to find the comment.
        EXPECT_EQ(launched[i].text, u"xxxxx  " + std::u16string(C_WString::Stringf(u"%d", static_cast<int>(i)).std()));
    }
    EXPECT_EQ(labels.lastWidth, 54);
    EXPECT_EQ(labels.lastHeight, 20);
    // The first at once, then one every 1.5 s at the earliest (frames are 50 ms apart).
    std::vector<uint32_t> times;
    uint32_t t = 10000;
    FlowClock again;
    RecordingLabels second;
    CommentCollection c2 = makeComments(3);
    std::atomic<int> stop{0};
    for (int i = 0; i < 100; ++i, t += 50) {
        const size_t before = second.launches().size();
        RunFlowFrame(again, c2, false, t, second, stop);
        if (second.launches().size() != before)
            times.push_back(t);
    }
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[0], 10000u);
    EXPECT_GE(times[1] - times[0], 1500u);
    EXPECT_GE(times[2] - times[1], 1500u);
    EXPECT_LE(times[1] - times[0], 1550u);
}

TEST(CommentFlow, SpeedByTextLength)
{
    for (auto [length, step] : {std::pair{60, 14}, std::pair{5, 4}, std::pair{6, 5}}) {
        CommentCollection c = makeComments(1, length);
        FlowClock clock;
        RecordingLabels labels;
        uint32_t now = 1;
        runFrames(clock, c, labels, now, 100);
        ASSERT_EQ(labels.events.size(), 2u);
        EXPECT_EQ(labels.events[1].kind, 'M');
        EXPECT_EQ(labels.events[1].x, kFlowStartX - step) << length;
    }
}

TEST(CommentFlow, DeletedNeverLaunchedAndLabelsReturned)
{
    CommentCollection c = makeComments(3);
    c[1]->deleted = 1;
    FlowClock clock;
    RecordingLabels labels;
    uint32_t now = 1;
    runFrames(clock, c, labels, now, 30000);
    const std::vector<Event> launched = labels.launches();
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[1].text.substr(0, 5), u"xxxxx");
    int released = 0;
    for (const Event& e : labels.events)
        released += e.kind == 'R';
    EXPECT_EQ(released, 2);
    EXPECT_EQ(clock.walkStart, 3u);
    for (const auto& p : c)
        EXPECT_EQ(p->flowLabel, 0);
}

TEST(CommentFlow, AtMostSevenMovedPerFrame)
{
    // Wide labels take long to cross the page, so many are under way at once.
    CommentCollection c = makeComments(12, 5);
    FlowClock clock;
    RecordingLabels labels;
    labels.charWidth = 100;
    uint32_t now = 1;
    runFrames(clock, c, labels, now, 12 * 1550);
    labels.events.clear();
    std::atomic<int> stop{0};
    RunFlowFrame(clock, c, false, now, labels, stop);
    int moves = 0;
    for (const Event& e : labels.events)
        moves += e.kind == 'M';
    EXPECT_EQ(moves, 7);
}

TEST(CommentFlow, PauseClockAcrossTabSwitches)
{
    CommentCollection c = makeComments(2);
    FlowClock clock;
    RecordingLabels labels;
    std::atomic<int> stop{0};
    RunFlowFrame(clock, c, false, 1000, labels, stop);  // first launch at 1000
    RunFlowFrame(clock, c, false, 1500, labels, stop);  // last frame shown at 1500
    // Shown again 10 s later: only the remaining 1 s of spacing is waited for.
    ResumeFlowClock(clock, 11500);
    EXPECT_EQ(clock.lastLaunch, 11000u);
    RunFlowFrame(clock, c, false, 12400, labels, stop);
    EXPECT_EQ(labels.launches().size(), 1u);
    RunFlowFrame(clock, c, false, 12550, labels, stop);
    EXPECT_EQ(labels.launches().size(), 2u);
}

TEST(CommentFlow, RelayRuleOnLivePages)
{
    EXPECT_EQ(RelayDisplayText(C_WString(u"/chukei GGG27 hello")), C_WString(u" hello"));
    EXPECT_EQ(RelayDisplayText(C_WString(u"/chukei hello world")), C_WString(u"hello world"));
    EXPECT_EQ(RelayDisplayText(C_WString(u"/chukei")), C_WString(u"/chukei"));
    EXPECT_EQ(RelayDisplayText(C_WString(u"plain text")), C_WString(u"plain text"));

    CommentCollection c = makeComments(1);
    c[0]->text = C_WString(u"/chukei relayed");
    FlowClock clock;
    RecordingLabels labels;
    uint32_t now = 1;
    runFrames(clock, c, labels, now, 50, true);
    EXPECT_EQ(labels.launches().at(0).text, u"relayed  0");
    FlowClock videoClock;
    RecordingLabels videoLabels;
    c[0]->flowLabel = 0;
    c[0]->flowX = kFlowStartX;
    runFrames(videoClock, c, videoLabels, now, 50, false);
    EXPECT_EQ(videoLabels.launches().at(0).text, u"/chukei relayed  0");
}

TEST(CommentFlow, StartingLaterGivesTheSameFramesAsAFullWalk)
{
    // The same comments walked with and without the remembered start give the same events.
    CommentCollection a = makeComments(40, 3), b = makeComments(40, 3);
    for (int i : {3, 4, 17})
        a[i]->deleted = b[i]->deleted = 1;
    FlowClock ca, cb;
    RecordingLabels la, lb;
    std::atomic<int> stop{0};
    for (uint32_t now = 1; now < 90000; now += 50) {
        RunFlowFrame(ca, a, false, now, la, stop);
        cb.walkStart = 0;
        RunFlowFrame(cb, b, false, now, lb, stop);
    }
    EXPECT_EQ(la.events.size(), lb.events.size());
    EXPECT_TRUE(la.events == lb.events);
    EXPECT_EQ(la.launches().size(), 37u);
}

TEST(CommentFlow, StopsWhenAsked)
{
    CommentCollection c = makeComments(2);
    FlowClock clock;
    RecordingLabels labels;
    std::atomic<int> stop{1};
    RunFlowFrame(clock, c, false, 1000, labels, stop);
    EXPECT_TRUE(labels.events.empty());
    EXPECT_EQ(clock.pauseStamp, 1000u);
}

// A live page that falls behind flows the newest comments; a video page, or a live page that
// keeps up, launches every comment in order as before.
TEST(CommentFlow, LivePageBehindSkipsToTheNewest)
{
    CommentCollection live = makeComments(30);
    FlowClock clock;
    RecordingLabels labels;
    uint32_t now = 1;
    runFrames(clock, live, labels, now, 50, true);
    ASSERT_EQ(labels.launches().size(), 1u);
    EXPECT_EQ(labels.launches()[0].text, u"xxxxx  22");  // the oldest of the newest eight
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(live[static_cast<size_t>(i)]->flowLabel, 0) << i;
    runFrames(clock, live, labels, now, 8 * 1550, true);
    EXPECT_EQ(labels.launches().size(), 8u);

    // Five more arrive while the page keeps up: all five flow, in order.
    for (const CommentPtr& p : makeComments(5))
        live.push_back(p);
    runFrames(clock, live, labels, now, 6 * 1550, true);
    ASSERT_EQ(labels.launches().size(), 13u);
    EXPECT_EQ(labels.launches()[12].text, u"xxxxx  34");

    CommentCollection video = makeComments(30);
    FlowClock videoClock;
    RecordingLabels videoLabels;
    now = 1;
    runFrames(videoClock, video, videoLabels, now, 50, false);
    EXPECT_EQ(videoLabels.launches().at(0).text, u"xxxxx  0");
}

// Hidden comments take no launch turn; colour commands reach the label with an outline.
TEST(CommentFlow, HiddenCommentsAndColours)
{
    struct HideOdd : FlowFilter {
        bool Hides(const tag_NICO_COMMENT_LIGHT& c) override { return c.no % 2 == 0; }
    } filter;
    CommentCollection c = makeComments(4);
    c[0]->mail = C_WString(u"184 big #00FF80");
    c[2]->mail = C_WString(u"shita white");
    FlowClock clock;
    RecordingLabels labels;
    uint32_t now = 1;
    runFrames(clock, c, labels, now, 1600, false, &filter);
    const std::vector<Event> launched = labels.launches();
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[1].text, u"xxxxx  2");  // the second launch, 1.5 s after the first
    ASSERT_TRUE(labels.colours[0] && labels.colours[1]);
    EXPECT_EQ(labels.colours[0]->text, 0x00FF80u);
    EXPECT_EQ(labels.colours[1]->text, 0xFFFFFFu);
    EXPECT_EQ(labels.colours[1]->outline, 0x202020u);  // a dark edge around white
    EXPECT_FALSE(CommentColourOf(C_WString(u"184 big")));
    EXPECT_EQ(*CommentColourOf(C_WString(u"ue nobleviolet red")), 0x6633CCu);
    EXPECT_EQ(WithOutline(0x000000).outline, 0xF0F0F0u);
    EXPECT_FALSE(CommentColourOf(C_WString(u"#12345G")));
}

// A larger page: the start lies as far beyond the right edge as at the original size, the
// lanes spread over the extra height, and the speed grows with the width, so that a comment
// crosses the page in the same time. At the original size nothing changes.
TEST(CommentFlow, LargerPageSpreadsLanesAndKeepsTheCrossingTime)
{
    auto launchesOn = [](const PageGeometry& page, std::vector<Event>* moves) {
        CommentCollection c = makeComments(9, 60);
        FlowClock clock;
        RecordingLabels labels;
        std::atomic<int> stop{0};
        for (uint32_t now = 10000; now < 10000 + 9 * 1550; now += 50)
            RunFlowFrame(clock, c, false, now, labels, stop, nullptr, page);
        if (moves)
            for (const Event& e : labels.events)
                if (e.kind == 'M' && e.label == kFirstCommentLabel)
                    moves->push_back(e);
        return labels.launches();
    };
    std::vector<Event> plainMoves, originalMoves, wideMoves;
    const std::vector<Event> plain = launchesOn(PageGeometry{}, &plainMoves);
    const std::vector<Event> original = launchesOn(PageGeometry{726, 240, 726, 240}, &originalMoves);
    EXPECT_EQ(original, plain);
    EXPECT_EQ(originalMoves, plainMoves);

    // 1452 x 400: 726 more pixels across, 160 more down (20 per lane).
    const std::vector<Event> wide = launchesOn(PageGeometry{1452, 400, 726, 240}, &wideMoves);
    ASSERT_EQ(wide.size(), 9u);
    const int lanes[] = {80, 120, 160, 200, 240, 280, 320, 360, 80};
    for (size_t i = 0; i < wide.size(); ++i) {
        EXPECT_EQ(wide[i].y, lanes[i]) << i;
        EXPECT_EQ(wide[i].x, kFlowStartX + 726) << i;
    }
    // 60 characters move 14 pixels a frame on the original page, twice that on one twice as wide.
    ASSERT_GE(wideMoves.size(), 2u);
    EXPECT_EQ(wideMoves[0].x, kFlowStartX + 726 - 28);
    EXPECT_EQ(wideMoves[1].x - wideMoves[0].x, -28);
}
