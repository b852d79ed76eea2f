// One frame of the flowing comments on a page that has already shown most of its comments:
// the frame's cost must not grow with the number of comments shown before.
#include <benchmark/benchmark.h>

#include "qarvo/text/pointer.h"
#include "viewer/core/model/comment_flow.h"

using namespace pelmora::viewer;

namespace {

class NullLabels : public FlowLabels {
public:
    int TextWidth(const qarvo::C_WString& t) override { return t.Length() * 10; }
    int FontHeight() override { return 20; }
    void Launch(int, const qarvo::C_WString&, const std::optional<pelmora::viewer::CommentColour>&, int, int, int, int) override
    {
    }
    void Move(int id, int x, int) override { benchmark::DoNotOptimize(id + x); }
    void Release(int) override {}
};

// `count` comments: all but the last eight finished, the last eight under way for good.
CommentCollection makePage(int count)
{
    CommentCollection c;
    c.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto p = qarvo::common::MakePointer<tag_NICO_COMMENT_LIGHT>();
        p->text = qarvo::C_WString(u"shown comment");
        if (i < count - 8) {
            p->flowX = -200;
            p->flowEnd = -100;
        } else {
            p->flowX = 800;
            p->flowEnd = -2000000000;
            p->flowLabel = kFirstCommentLabel + (i % kCommentLabelCount);
            p->flowLane = 80;
        }
        c.push_back(p);
    }
    return c;
}

void runFrames(benchmark::State& state, bool rememberStart)
{
    const CommentCollection page = makePage(static_cast<int>(state.range(0)));
    FlowClock clock;
    clock.lastLaunch = 1;
    NullLabels labels;
    std::atomic<int> stop{0};
    uint32_t now = 2;  // within the launch spacing: frames only move
    for (auto _ : state) {
        if (!rememberStart)
            clock.walkStart = 0;
        RunFlowFrame(clock, page, false, now, labels, stop);
        now = 2 + (now & 1);
    }
    state.SetLabel(rememberStart ? "from the remembered start" : "from the first comment");
}

void BM_FlowFrame(benchmark::State& state)
{
    runFrames(state, true);
}

void BM_FlowFrameFullWalk(benchmark::State& state)
{
    runFrames(state, false);
}

}  // namespace

BENCHMARK(BM_FlowFrame)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_FlowFrameFullWalk)->Arg(1000)->Arg(1000000);
BENCHMARK_MAIN();
