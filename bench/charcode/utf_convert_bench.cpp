// UTF-8 -> UTF-16 over a comment-server-like answer: mostly ASCII markup with Japanese comment
// bodies, and a text of Japanese only. A copy of the same bytes runs in the same process as a
// yardstick, since first-touch memory speed on the build machines swings widely.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "qarvo/charcode/system_charcode.h"

namespace {

namespace Sys = qarvo::common::System;

constexpr size_t kSize = 16 << 20;

std::string commentAnswer()
{
    // <chat ...>一度でいいから見てみたい</chat>, repeated.
    const std::string chat =
        "<chat thread=\"1402132004\" no=\"12\" vpos=\"5321\" date=\"1402132571\" mail=\"184\" "
        "user_id=\"u2Yh3JfJ6bcDEzGlFgfwTvc7CFo\" anonymity=\"1\">"
        "\xE4\xB8\x80\xE5\xBA\xA6\xE3\x81\xA7\xE3\x81\x84\xE3\x81\x84\xE3\x81\x8B\xE3\x82\x89"
        "\xE8\xA6\x8B\xE3\x81\xA6\xE3\x81\xBF\xE3\x81\x9F\xE3\x81\x84</chat>";
    std::string out;
    out.reserve(kSize + chat.size());
    while (out.size() < kSize)
        out += chat;
    return out;
}

std::string japaneseOnly()
{
    const std::string word = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88";
    std::string out;
    out.reserve(kSize + word.size());
    while (out.size() < kSize)
        out += word;
    return out;
}

void run(benchmark::State& state, const std::string& text)
{
    const qarvo::C_String input(text);
    for (auto _ : state) {
        qarvo::C_WString wide = Sys::utf8_to_utf16(input);
        benchmark::DoNotOptimize(wide.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_Utf8ToUtf16_CommentAnswer(benchmark::State& state) { run(state, commentAnswer()); }
void BM_Utf8ToUtf16_JapaneseOnly(benchmark::State& state) { run(state, japaneseOnly()); }

void BM_Utf16ToUtf8_CommentAnswer(benchmark::State& state)
{
    const std::string text = commentAnswer();
    const qarvo::C_WString wide = Sys::utf8_to_utf16(qarvo::C_String(text));
    for (auto _ : state) {
        qarvo::C_String back = Sys::utf16_to_utf8(wide);
        benchmark::DoNotOptimize(back.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// The yardstick: an allocation of the same output size, filled by a widening copy. (Same size
// matters: glibc serves blocks above 32 MB with fresh mmap pages, which costs far more.)
void BM_WideningCopy(benchmark::State& state)
{
    const std::string text = commentAnswer();
    const size_t units = static_cast<size_t>(Sys::utf8_to_utf16(qarvo::C_String(text)).Length());
    for (auto _ : state) {
        std::u16string out;
        out.resize(units);
        char16_t* p = out.data();
        const auto* s = reinterpret_cast<const unsigned char*>(text.data());
        for (size_t i = 0; i < units; ++i)
            p[i] = s[i];
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

}  // namespace

BENCHMARK(BM_WideningCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToUtf16_CommentAnswer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToUtf16_JapaneseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf16ToUtf8_CommentAnswer)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
