// pelmora-cli fetching the newest N comments of the simulated service's video of 100,000
// comments, end to end (watch page, video information, the comment answer, parsing, printing
// as JSON lines to /dev/null), for N = 10,000 and N = 100,000, so that the growth shows.
//
// Run: engine_fetch_bench [benchmark flags]. Each iteration is one pelmora-cli process; the
// counters are its wall time and its peak resident memory (from wait4). Beside it the comment
// answer alone is fetched from the simulated service (one GET, nothing parsed), which is what
// the service itself costs of the whole fetch. `--serve` starts the service, prints
// "env NAME=VALUE" lines and the pelmora-cli command line, and serves until stdin closes (for
// counting pelmora-cli's instructions under callgrind).

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/support/side_by_side.h"
#include "qarvo/http/http_async.h"
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

std::vector<std::string> cliArguments(int count)
{
    return {PELMORA_CLI_PATH, "--library", PELMORA2_PATH,          "--format", "jsonl",
            "fetch",          "http://www.nicovideo.jp/watch/sm100000", "-n",       std::to_string(count)};
}

// Runs `args` with stdout to /dev/null: its wall time and its peak resident memory.
RunResult runProgram(std::vector<std::string> args)
{
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

// pelmora-cli is started from a small helper (this program again, with --measure): a child
// started straight from here would count this process's memory as its own peak, since the
// kernel takes the peak of the memory the child ran in before exec, which is ours.
RunResult runCli(int count)
{
    std::vector<std::string> args = {"/proc/self/exe", "--measure"};
    for (const std::string& a : cliArguments(count))
        args.push_back(a);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    RunResult result;
    if (pipe(pipeEnds) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t pid = 0;
    const bool started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (started) {
        char line[128] = {};
        FILE* in = fdopen(pipeEnds[0], "r");
        int ok = 0;
        if (in && std::fgets(line, sizeof line, in) &&
            std::sscanf(line, "%d %lf %lf", &ok, &result.seconds, &result.peakMegabytes) == 3)
            result.ok = ok != 0;
        if (in)
            std::fclose(in);
        else
            close(pipeEnds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
    } else {
        close(pipeEnds[0]);
    }
    return result;
}

int measure(int argc, char** argv)
{
    const RunResult r = runProgram(std::vector<std::string>(argv + 2, argv + argc));
    std::printf("%d %.6f %.3f\n", r.ok ? 1 : 0, r.seconds, r.peakMegabytes);
    return 0;
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
        pelmora::bench::noteTime("cli " + std::to_string(count), r.seconds);
        peak = std::max(peak, r.peakMegabytes);
    }
    state.counters["peak_MB"] = peak;
    state.counters["comments"] = count;
    state.SetItemsProcessed(state.iterations() * count);
}

// The newest 100,000 comments of the video as the comment server answers them, fetched alone.
void BM_ServiceAnswerOnly(benchmark::State& state)
{
    Service& s = service();
    const auto video = s.sim->catalogue().video("sm100000");
    if (!video) {
        state.SkipWithError("no such video");
        return;
    }
    const std::string url = "http://msg.nicovideo.jp/api/thread?thread=" + video->threadId + "&res_from=-100000";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        qarvo::C_HttpAsync http;
        http.SetHTTPBufferSize(256 << 20);
        if (!http.Open(url.c_str(), 60000) || !http.Connect() ||
            http.WaitForConnecting() != qarvo::C_HttpAsync::kSuccess || http.GetResponseSize() < 1000000) {
            state.SkipWithError("the answer did not come");
            return;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        pelmora::bench::noteTime("service", seconds);
    }
}

BENCHMARK(BM_CliFetch)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ServiceAnswerOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CliFetch)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

int serve()
{
    service();
    for (const char* name : {"PELMORA_CONNECT_TO", "PELMORA_COOKIE_DIR", "USER", "HOME", "XDG_CONFIG_HOME"})
        std::printf("env %s=%s\n", name, std::getenv(name));
    std::printf("cli");
    for (const std::string& a : cliArguments(100000))
        std::printf(" %s", a.c_str());
    std::printf("\n");
    std::fflush(stdout);
    // One warm-up fetch: the simulated service makes the thread on first demand.
    runCli(100000);
    std::printf("ready\n");
    std::fflush(stdout);
    char c;
    while (std::fread(&c, 1, 1, stdin) == 1) {
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--serve")
        return serve();
    if (argc >= 3 && std::string(argv[1]) == "--measure")
        return measure(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    using pelmora::bench::Better;
    pelmora::bench::printTarget("fetch 100,000 comments through pelmora-cli (warm)",
                                pelmora::bench::medianWall("cli 100000"), "s", 0.5, Better::Lower);
    pelmora::bench::printRatio("fetch 100,000 comments", "service answer alone", pelmora::bench::medianWall("service"),
                               "the whole fetch", pelmora::bench::medianWall("cli 100000"), "s", 0, Better::Lower);
    return 0;
}
