// Download throughput of C_HttpAsync from a loopback server, next to curl fetching the same
// body in the same run (ratios are what count: absolute numbers depend on the machine).
//
//   qarvo_http_download_bench [--benchmark_...]
// prints, after the table, the throughput of each client relative to curl (medians).
//   qarvo_http_download_bench --serve
// serves the body and prints "url URL" until it is stopped (for curl under callgrind), and
//   qarvo_http_download_bench --count whole-body|reader-stream [--url URL]
// downloads it once, for an instruction count (from its own server without --url).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/instruction_count.h"
#include "bench/support/side_by_side.h"
#include "qarvo/http/http_async.h"
#include "qarvo/platform/socket.h"
#include "qarvo/time/clock.h"

using namespace qarvo;

namespace {

int64_t kBodySize = 200LL * 1024 * 1024;
constexpr size_t kSendPiece = 1 << 20;

// Serves kBodySize bytes to every connection (HTTP/1.0, Content-Length, then close).
class BodyServer {
public:
    BodyServer() : m_piece(kSendPiece)
    {
        for (size_t i = 0; i < m_piece.size(); ++i)
            m_piece[i] = static_cast<char>('A' + i % 23);
        m_listen = platform::socketCreate(platform::SocketType::Tcp);
        platform::socketSetReuseAddress(m_listen, true);
        platform::socketBind(m_listen, platform::Ipv4Endpoint{0x7f000001, 0});
        platform::socketListen(m_listen, 16);
        platform::Ipv4Endpoint local;
        platform::socketLocalEndpoint(m_listen, &local);
        m_port = local.port;
        m_thread = std::thread([this] { run(); });
    }
    ~BodyServer()
    {
        m_stop = true;
        m_thread.join();
        platform::socketClose(m_listen);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/body"; }

private:
    void run()
    {
        while (!m_stop) {
            if (platform::socketWaitReadable(m_listen, 50) <= 0)
                continue;
            const platform::socket_t s = platform::socketAccept(m_listen, nullptr);
            if (s == platform::kInvalidSocket)
                continue;
            serve(s);
            platform::socketClose(s);
        }
    }
    void serve(platform::socket_t s)
    {
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            if (platform::socketWaitReadable(s, 5000) <= 0)
                return;
            const long n = platform::socketRecv(s, buf, sizeof buf);
            if (n <= 0)
                return;
            request.append(buf, static_cast<size_t>(n));
        }
        const std::string head =
            "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
            std::to_string(kBodySize) + "\r\n\r\n";
        if (!sendAll(s, head.data(), head.size()))
            return;
        for (int64_t left = kBodySize; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(m_piece.size())));
            if (!sendAll(s, m_piece.data(), n))
                return;
            left -= static_cast<int64_t>(n);
        }
        platform::socketShutdown(s, platform::ShutdownHow::Send);
        // Let the client read to the end before the socket goes.
        while (platform::socketWaitReadable(s, 5000) > 0 && platform::socketRecv(s, buf, sizeof buf) > 0) {
        }
    }
    static bool sendAll(platform::socket_t s, const char* data, size_t size)
    {
        while (size > 0) {
            const long n = platform::socketSend(s, data, static_cast<long>(size));
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    std::vector<char> m_piece;
    platform::socket_t m_listen;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

BodyServer& server()
{
    static BodyServer s;
    return s;
}

double now()
{
    return qarvo_time_millis() / 1000.0;
}

void note(const std::string& name, double seconds)
{
    pelmora::bench::noteTime(name, seconds);
}

// One download by C_HttpAsync; false when it came short.
bool downloadReaderStream(const std::string& url, C_Memory& out)
{
    C_HttpAsync http;
    http.SetReaderStream(true);
    if (!http.Open(url.c_str(), 60000) || !http.Connect())
        return false;
    int64_t total = 0;
    for (;;) {
        const int n = http.ReaderStream(&out, 1 << 20, 30000);
        if (n <= 0)
            break;
        total += n;
    }
    return http.WaitForConnecting() == I_HttpType::kSuccess && total == kBodySize;
}

bool downloadWholeBody(const std::string& url)
{
    C_HttpAsync http;
    // The whole answer plus the one read of room the buffer always keeps.
    http.SetHTTPBufferSize(static_cast<int>(kBodySize + 64 * 1024 + 10240));
    if (!http.Open(url.c_str(), 60000) || !http.Connect())
        return false;
    return http.WaitForConnecting() == I_HttpType::kSuccess && http.GetResponseSize() == kBodySize;
}

void BM_Curl(benchmark::State& state)
{
    const std::string command = "curl -s -o /dev/null " + server().Url();
    for (auto _ : state) {
        const double start = now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            return;
        }
        const double took = now() - start;
        state.SetIterationTime(took);
        note("curl", took);
    }
    state.SetBytesProcessed(state.iterations() * kBodySize);
}

void BM_HttpAsyncReaderStream(benchmark::State& state)
{
    C_Memory out;
    for (auto _ : state) {
        const double start = now();
        if (!downloadReaderStream(server().Url(), out)) {
            state.SkipWithError("short download");
            return;
        }
        const double took = now() - start;
        state.SetIterationTime(took);
        note("reader-stream", took);
    }
    state.SetBytesProcessed(state.iterations() * kBodySize);
}

void BM_HttpAsyncWholeBody(benchmark::State& state)
{
    for (auto _ : state) {
        const double start = now();
        if (!downloadWholeBody(server().Url())) {
            state.SkipWithError("short download");
            return;
        }
        const double took = now() - start;
        state.SetIterationTime(took);
        note("whole-body", took);
    }
    state.SetBytesProcessed(state.iterations() * kBodySize);
}

// Interleaved so that each client sees the machine in the same state.
BENCHMARK(BM_Curl)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncReaderStream)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncWholeBody)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Curl)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncWholeBody)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncReaderStream)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);


// Serves until stdin closes (bench/run keeps it open while curl is counted).
int serve()
{
    std::printf("url %s\n", server().Url().c_str());
    std::fflush(stdout);
    char c;
    while (std::fread(&c, 1, 1, stdin) == 1) {
    }
    return 0;
}

int countOnce(const std::string& mode, int argc, char** argv)
{
    std::string url;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--url")
            url = argv[i + 1];
    if (url.empty())
        url = server().Url();
    bool ok = false;
    C_Memory out;
    pelmora::bench::countedRun([&] {
        ok = mode == "reader-stream" ? downloadReaderStream(url, out) : downloadWholeBody(url);
    });
    std::printf("%s: %s, %lld bytes\n", mode.c_str(), ok ? "complete" : "SHORT", static_cast<long long>(kBodySize));
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "--serve")
        return serve();
    if (const std::string mode = pelmora::bench::countMode(argc, argv); !mode.empty())
        return countOnce(mode, argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    using pelmora::bench::Better;
    using pelmora::bench::medianWall;
    // Throughput from the median time of each client.
    const auto rate = [](const char* client) {
        const double seconds = medianWall(client);
        return seconds > 0 ? static_cast<double>(kBodySize >> 20) / seconds : -1;
    };
    const std::string what = "download " + std::to_string(kBodySize >> 20) + " MB over loopback";
    pelmora::bench::printRatio(what, "whole-body", rate("whole-body"), "curl", rate("curl"), "MB/s", 1.0,
                               Better::Higher);
    pelmora::bench::printRatio(what, "reader-stream", rate("reader-stream"), "curl", rate("curl"), "MB/s", 1.1,
                               Better::Higher);
    return 0;
}
