// The NG list applied to comments: 10,000 rules (users, words and patterns) against 100,000
// comments of the simulated service's kind. Reports the cost per comment.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "viewer/core/model/ng_filter.h"

namespace {

using pelmora::viewer::NgFilter;
using qarvo::C_WString;

// 9,000 words, 900 users and 100 patterns, none of which most comments hit.
std::string rules()
{
    std::string text;
    for (int i = 0; i < 9000; ++i)
        text += "word:ngword" + std::to_string(i) + "x\n";
    for (int i = 0; i < 900; ++i)
        text += "user:ngUser" + std::to_string(i) + "\n";
    for (int i = 0; i < 100; ++i)
        text += "regex:^spam[0-9]{" + std::to_string(i % 9 + 1) + "}z" + std::to_string(i) + "$\n";
    return text;
}

struct Comment {
    C_WString user;
    C_WString text;
};

std::vector<Comment> comments(int count)
{
    const char16_t* texts[] = {u"才能の無駄遣い", u"ｷﾀ━━━(ﾟ∀ﾟ)━━━!!", u"It works! 8888888", u"草ｗｗｗｗｗ",
                               u"ここすき", u"a < b > c & d", u"全角　スペース　入り", u"ngword42x って書くと消える"};
    std::vector<Comment> out;
    for (int i = 0; i < count; ++i)
        out.push_back({C_WString::Stringf(u"user%d", i % 5000), C_WString(texts[i % 8])});
    return out;
}

void NgFilterPerComment(benchmark::State& state)
{
    const auto filter = NgFilter::FromText(rules(), nullptr);
    const std::vector<Comment> all = comments(100000);
    int hidden = 0;
    for (auto _ : state) {
        hidden = 0;
        for (const Comment& c : all)
            hidden += filter->Matches(c.user, c.text) ? 1 : 0;
        benchmark::DoNotOptimize(hidden);
    }
    state.counters["hidden"] = hidden;
    state.counters["per_comment"] =
        benchmark::Counter(static_cast<double>(all.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                               benchmark::Counter::kInvert);
}
BENCHMARK(NgFilterPerComment)->Unit(benchmark::kMillisecond);

void NgFilterBuild(benchmark::State& state)
{
    const std::string text = rules();
    for (auto _ : state)
        benchmark::DoNotOptimize(NgFilter::FromText(text, nullptr));
}
BENCHMARK(NgFilterBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
