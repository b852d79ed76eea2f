// Download throughput of C_HttpAsync from a loopback server, next to curl fetching the same
// body in the same run (ratios are what count: absolute numbers depend on the machine).
//
//   qarvo_http_download_bench [--benchmark_...]
// prints, after the table, the throughput of each client relative to curl.

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

#include "qarvo/http/http_async.h"
#include "qarvo/platform/socket.h"
#include "qarvo/time/clock.h"

using namespace qarvo;

namespace {

constexpr int64_t kBodySize = 200LL * 1024 * 1024;
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

// Best (shortest) seconds per download, by client.
std::map<std::string, double>& bestSeconds()
{
    static std::map<std::string, double> best;
    return best;
}

void note(const std::string& name, double seconds)
{
    auto& best = bestSeconds();
    auto it = best.find(name);
    if (it == best.end() || seconds < it->second)
        best[name] = seconds;
}

double now()
{
    return qarvo_time_millis() / 1000.0;
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
        C_HttpAsync http;
        http.SetReaderStream(true);
        if (!http.Open(server().Url().c_str(), 60000) || !http.Connect()) {
            state.SkipWithError("open/connect failed");
            return;
        }
        int64_t total = 0;
        for (;;) {
            const int n = http.ReaderStream(&out, 1 << 20, 30000);
            if (n <= 0)
                break;
            total += n;
        }
        const int status = http.WaitForConnecting();
        const double took = now() - start;
        if (total != kBodySize || status != I_HttpType::kSuccess) {
            state.SkipWithError("short download");
            return;
        }
        state.SetIterationTime(took);
        note("reader-stream", took);
    }
    state.SetBytesProcessed(state.iterations() * kBodySize);
}

void BM_HttpAsyncWholeBody(benchmark::State& state)
{
    for (auto _ : state) {
        const double start = now();
        C_HttpAsync http;
        // The whole answer plus the one read of room the buffer always keeps.
        http.SetHTTPBufferSize(static_cast<int>(kBodySize + 64 * 1024 + 10240));
        if (!http.Open(server().Url().c_str(), 60000) || !http.Connect()) {
            state.SkipWithError("open/connect failed");
            return;
        }
        const int status = http.WaitForConnecting();
        const double took = now() - start;
        if (status != I_HttpType::kSuccess || http.GetResponseSize() != kBodySize) {
            state.SkipWithError("short download");
            return;
        }
        state.SetIterationTime(took);
        note("whole-body", took);
    }
    state.SetBytesProcessed(state.iterations() * kBodySize);
}

// Interleaved so that each client sees the machine in the same state.
BENCHMARK(BM_Curl)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncReaderStream)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncWholeBody)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Curl)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HttpAsyncReaderStream)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto& best = bestSeconds();
    const auto curl = best.find("curl");
    if (curl == best.end())
        return 0;
    std::printf("\nbest of each, %lld MB from loopback:\n", static_cast<long long>(kBodySize >> 20));
    for (const auto& [name, seconds] : best)
        std::printf("  %-14s %8.1f MB/s   %.2fx curl\n", name.c_str(), (kBodySize >> 20) / seconds,
                    curl->second / seconds);
    return 0;
}
