// pelmora-cli following a busy broadcast for minutes while its comment server drops every
// connection now and then: every comment posted must arrive exactly once, in order, and the
// follow must end cleanly at Ctrl+C. ./test runs two minutes with a cut every 20 s;
// scripts/soak-live runs it longer (PELMORA_SOAK_MINUTES, PELMORA_SOAK_CUT_SECONDS), on the
// old comment server or (PELMORA_SOAK_PATH=modern) on today's WebSocket and comment stream.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/sim_support/sim_env.h"

namespace {

using Clock = std::chrono::steady_clock;

int setting(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The "no" of every whole JSON line.
std::vector<int> numbersIn(const std::string& out)
{
    std::vector<int> result;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t at = line.find("\"no\":");
        if (at != std::string::npos && line.ends_with("}"))
            result.push_back(std::stoi(line.substr(at + 5)));
    }
    return result;
}

int lastNumberIn(const std::string& path)
{
    const std::vector<int> numbers = numbersIn(slurp(path));
    return numbers.empty() ? -1 : numbers.back();
}

class LiveSoak : public pelmora::test::SimEnvTest {};

TEST_F(LiveSoak, EveryPostedCommentArrivesOnceInOrderThroughCuts)
{
    const int minutes = setting("PELMORA_SOAK_MINUTES", 2);
    const int cutSeconds = setting("PELMORA_SOAK_CUT_SECONDS", 20);
    const unsigned seed = static_cast<unsigned>(setting("PELMORA_SOAK_SEED", 15));
    const char* path = std::getenv("PELMORA_SOAK_PATH");
    const bool modern = path && std::string(path) == "modern";
    const std::string address = modern ? "http://live.nicovideo.jp/watch/lv1~modern" : "http://live.nicovideo.jp/watch/lv1";
    constexpr int kChatsPerSecond = 50;
    installLoginCookieFolder();

    const std::string dir = home->path().string();
    const std::string outPath = dir + "/stdout", errPath = dir + "/stderr";
    // The follow outlasts the soak; Ctrl+C ends it.
    const std::string command = "cd '" + dir + "' && ('" PELMORA_CLI_PATH "' --library '" PELMORA2_PATH
                                "' --format jsonl fetch " + address + " -n 1 --follow " +
                                std::to_string(minutes * 60 + 600) + " > '" + outPath + "' 2> '" + errPath +
                                "' & echo $! > pid; wait $!; echo $? > status)";
    std::thread cli([&] { std::system(command.c_str()); });
    int pid = 0;
    for (int i = 0; i < 500 && pid <= 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pid = std::atoi(slurp(dir + "/pid").c_str());
    }
    ASSERT_GT(pid, 0);
    // The posting starts once the follow has its first comment, the newest one before it.
    const int first = sim->liveChatCount("lv1");
    for (int i = 0; i < 3000 && lastNumberIn(outPath) < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(lastNumberIn(outPath), first) << slurp(errPath);

    // 50 comments a second, by the clock, and the cuts: one at the end of every period and
    // one at a random moment inside it.
    std::mt19937 random(seed);
    int cuts = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::minutes(minutes);
    const auto period = std::chrono::seconds(cutSeconds);
    auto periodStart = start;
    auto randomCut = periodStart + std::chrono::milliseconds(random() % (cutSeconds * 1000));
    int posted = 0;
    while (Clock::now() < end) {
        const auto now = Clock::now();
        const int due = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count() *
                                         kChatsPerSecond / 1000);
        if (due > posted) {
            ASSERT_TRUE(sim->pushChats("lv1", due - posted));
            posted = due;
        }
        if (now >= randomCut || now >= periodStart + period) {
            sim->cutLiveConnections();
            ++cuts;
            if (now >= periodStart + period) {
                periodStart += period;
                randomCut = periodStart + std::chrono::milliseconds(random() % (cutSeconds * 1000));
            } else {
                randomCut = periodStart + period + period;  // none more in this period
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const int last = sim->liveChatCount("lv1");

    // Everything posted comes out, then Ctrl+C.
    const auto drainStart = Clock::now();
    while (lastNumberIn(outPath) < last && Clock::now() - drainStart < std::chrono::seconds(90))
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto lag = Clock::now() - drainStart;
    ::kill(pid, SIGINT);
    cli.join();
    EXPECT_EQ(std::atoi(slurp(dir + "/status").c_str()), 0) << slurp(errPath);

    const std::vector<int> got = numbersIn(slurp(outPath));
    ASSERT_FALSE(got.empty());
    int gaps = 0, repeats = 0;
    for (size_t i = 1; i < got.size(); ++i) {
        if (got[i] <= got[i - 1])
            ++repeats;
        else if (got[i] != got[i - 1] + 1)
            ++gaps;
    }
    const std::string err = slurp(errPath);
    // Each connection made again leaves a line: the old path's "reconnect N: connected", the
    // stream's "... cut (...)" and the WebSocket's "connected again".
    int reconnects = 0;
    for (const char* mark : {": connected", " cut (", "connected again"})
        for (size_t at = err.find(mark); at != std::string::npos; at = err.find(mark, at + 1))
            ++reconnects;
    std::cout << "soak (" << (modern ? "today's stream" : "comment server") << "): " << minutes << " min, " << posted << " comments posted (" << kChatsPerSecond << "/s), "
              << cuts << " cuts, " << reconnects << " reconnections, " << got.size() << " comments printed, "
              << gaps << " gaps, " << repeats << " repeats, last comment out "
              << std::chrono::duration_cast<std::chrono::milliseconds>(lag).count() << " ms after the last post"
              << std::endl;
    EXPECT_EQ(gaps, 0);
    EXPECT_EQ(repeats, 0);
    EXPECT_EQ(got.front(), first);
    EXPECT_EQ(got.back(), last);
    EXPECT_GE(reconnects, cuts / 2) << err;
}

}  // namespace
