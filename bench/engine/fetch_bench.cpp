// pelmora-cli fetching the newest N comments of the simulated service's video of 100,000
// comments, end to end (watch page, video information, the comment answer, parsing, printing
// as JSON lines to /dev/null), for N = 10,000 and N = 100,000, so that the growth shows; and
// then every comment of the same video through today's comment interface ("--all" on
// sm100000~modern: the page data, about a hundred pages over HTTPS, JSON), beside it in the
// same run.
//
// Run: engine_fetch_bench [benchmark flags]. Each iteration is one pelmora-cli process; the
// counters are its wall time and its peak resident memory (from wait4). The current path also
// reports its time against the old path's 100,000 of this run, and its peak memory per
// comment beyond the texts: (peak - the peak of a one-comment fetch - the comments' UTF-16
// strings) / 100,000.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/nicosim.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The simulated service runs as a process of its own: a child started by posix_spawn shares
// the parent's memory until it executes, and the kernel keeps the larger high-water mark, so
// an in-process service would count its own answers into every pelmora-cli peak.
struct Service {
    pid_t pid = 0;
    fs::path dir;
    nicosim::Catalogue catalogue{1};  // the data of the default seed, for the text sizes

    Service()
    {
        std::random_device random;
        dir = fs::temp_directory_path() / ("pelmora-fetch-bench-" + std::to_string(random()));
        fs::create_directories(dir);
        setenv("USER", "bench", 1);
        const std::string out = (dir / "nicosim.out").string();
        std::vector<std::string> args = {PELMORA_NICOSIM_PATH, "--data", dir.string(), "--push-ms", "0"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            std::abort();
        // It prints its addresses once it answers.
        std::string connectTo, certificates;
        for (int i = 0; i < 1000 && (connectTo.empty() || certificates.empty()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ifstream lines(out);
            std::string line;
            while (std::getline(lines, line)) {
                if (line.starts_with("PELMORA_CONNECT_TO="))
                    connectTo = line.substr(19);
                else if (line.starts_with("SSL_CERT_FILE="))
                    certificates = line.substr(14);
            }
        }
        if (connectTo.empty() || certificates.empty())
            std::abort();
        setenv("PELMORA_CONNECT_TO", connectTo.c_str(), 1);
        setenv("SSL_CERT_FILE", certificates.c_str(), 1);
        setenv("PELMORA_COOKIE_DIR", (dir / "Cookies").c_str(), 1);
        // No real browser store is consulted.
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    }
    ~Service()
    {
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
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

RunResult runCli(std::vector<std::string> tail)
{
    std::vector<std::string> args = {PELMORA_CLI_PATH, "--library", PELMORA2_PATH, "--format", "jsonl"};
    args.insert(args.end(), tail.begin(), tail.end());
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

struct Measured {
    bool ok = false;
    double meanSeconds = 0;
    double peakMegabytes = 0;
};

// One warm-up run (the simulated service makes a thread on first demand), then the
// benchmark's iterations, each one pelmora-cli process.
Measured measure(benchmark::State& state, const std::vector<std::string>& args)
{
    Measured m;
    if (!runCli(args).ok) {
        state.SkipWithError("pelmora-cli failed");
        return m;
    }
    double total = 0;
    for (auto _ : state) {
        const RunResult r = runCli(args);
        if (!r.ok) {
            state.SkipWithError("pelmora-cli failed");
            return m;
        }
        state.SetIterationTime(r.seconds);
        m.peakMegabytes = std::max(m.peakMegabytes, r.peakMegabytes);
        total += r.seconds;
    }
    m.ok = true;
    m.meanSeconds = total / static_cast<double>(state.iterations());
    return m;
}

// The old path's seconds for 100,000 in this run, for the ratio of the current path.
double g_oldSeconds = 0;

void BM_CliFetch(benchmark::State& state)
{
    service();
    const int count = static_cast<int>(state.range(0));
    const Measured m = measure(state, {"fetch", "http://www.nicovideo.jp/watch/sm100000", "-n", std::to_string(count)});
    if (!m.ok)
        return;
    if (count == 100000)
        g_oldSeconds = m.meanSeconds;
    state.counters["peak_MB"] = m.peakMegabytes;
    state.counters["comments"] = count;
    state.SetItemsProcessed(state.iterations() * count);
}

BENCHMARK(BM_CliFetch)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// UTF-16 units of a UTF-8 text, with the markup escaping the engine applies to bodies.
size_t utf16Units(std::string_view text, bool escaped)
{
    size_t units = 0;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u & 0xC0) == 0x80)
            continue;
        units += u >= 0xF0 ? 2 : 1;
        if (escaped)
            units += c == '&' ? 4 : c == '<' || c == '>' ? 3 : c == '"' ? 5 : 0;
    }
    return units;
}

// The bytes of the strings the engine stores for every comment of the video: body and user
// id, each with its terminator (the mail texts and thread names are stored once each).
double textBytes()
{
    const nicosim::Catalogue& catalogue = service().catalogue;
    double bytes = 0;
    for (const nicosim::ModernFork& fork : nicosim::modernForks(catalogue, *catalogue.video("sm100000"))) {
        for (int i = 0; i < fork.count; ++i) {
            const nicosim::ModernComment c = nicosim::modernComment(catalogue, fork, i);
            bytes += 2.0 * static_cast<double>(utf16Units(c.body, true) + 1 + utf16Units(c.userId, false) + 1);
        }
    }
    return bytes;
}

void BM_CliFetchAllCurrent(benchmark::State& state)
{
    service();
    const std::string address = "http://www.nicovideo.jp/watch/sm100000~modern";
    const RunResult small = runCli({"fetch", address, "-n", "1"});
    if (!small.ok) {
        state.SkipWithError("pelmora-cli failed");
        return;
    }
    const Measured m = measure(state, {"--all", "fetch", address});
    if (!m.ok)
        return;
    constexpr double kComments = 100000;
    state.counters["peak_MB"] = m.peakMegabytes;
    state.counters["comments"] = kComments;
    state.counters["bytes_per_comment_beyond_text"] =
        ((m.peakMegabytes - small.peakMegabytes) * 1024.0 * 1024.0 - textBytes()) / kComments;
    if (g_oldSeconds > 0)
        state.counters["time_vs_old_100000"] = m.meanSeconds / g_oldSeconds;
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kComments));
}

BENCHMARK(BM_CliFetchAllCurrent)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
