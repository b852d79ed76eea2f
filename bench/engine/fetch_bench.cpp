// pelmora-cli fetching the newest N comments of the simulated service's video of 100,000
// comments, end to end (watch page, video information, the comment answer, parsing, printing
// as JSON lines to /dev/null), for N = 10,000 and N = 100,000, so that the growth shows.
//
// Run: engine_fetch_bench [benchmark flags]. Each iteration is one pelmora-cli process; the
// counters are its wall time and its peak resident memory (from wait4).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/nicosim/nicosim.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Service {
    std::unique_ptr<nicosim::Server> sim;
    fs::path dir;

    Service()
    {
        std::random_device random;
        dir = fs::temp_directory_path() / ("pelmora-fetch-bench-" + std::to_string(random()));
        fs::create_directories(dir);
        nicosim::Options options;
        options.livePushMs = 0;
        sim = std::make_unique<nicosim::Server>(options);
        if (!sim->start())
            std::abort();
        nicosim::CookieFileOptions cookies;
        cookies.userName = "bench";
        nicosim::writeCookieFolder((dir / "Cookies").string(), cookies);
        setenv("PELMORA_CONNECT_TO", sim->connectTo().c_str(), 1);
        setenv("PELMORA_COOKIE_DIR", (dir / "Cookies").c_str(), 1);
        setenv("USER", "bench", 1);
        // No real browser store is consulted.
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    }
    ~Service()
    {
        sim->stop();
        std::error_code error;
        fs::remove_all(dir, error);
    }
};

Service& service()
{
    static Service instance;
    return instance;
}

struct RunResult {
    bool ok = false;
    double seconds = 0;
    double peakMegabytes = 0;
};

RunResult runCli(int count)
{
    const std::string countText = std::to_string(count);
    std::vector<std::string> args = {PELMORA_CLI_PATH, "--library", PELMORA2_PATH, "--format", "jsonl", "fetch",
                                     "http://www.nicovideo.jp/watch/sm100000", "-n", countText};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    RunResult result;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            result.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
        }
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

void BM_CliFetch(benchmark::State& state)
{
    service();
    const int count = static_cast<int>(state.range(0));
    // One warm-up run: the simulated service makes the thread on first demand.
    if (!runCli(count).ok) {
        state.SkipWithError("pelmora-cli failed");
        return;
    }
    double peak = 0;
    for (auto _ : state) {
        const RunResult r = runCli(count);
        if (!r.ok) {
            state.SkipWithError("pelmora-cli failed");
            return;
        }
        state.SetIterationTime(r.seconds);
        peak = std::max(peak, r.peakMegabytes);
    }
    state.counters["peak_MB"] = peak;
    state.counters["comments"] = count;
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(BM_CliFetch)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
