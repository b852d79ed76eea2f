// End-to-end decoding of a comment answer of a million chats (UTF-8 to UTF-16, the chat walk,
// the flat records the caller gets) against pugixml parsing and walking the same bytes.
//
// Run: engine_decode_bench [benchmark flags]. Before the timings it measures the peak memory of
// decoding the document from a file, for the engine and for pugixml, each in a fresh process
// (this program started again with --peak), and prints both as multiples of the file size.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <pugixml.hpp>
#include <string>

#include "bench/engine/comment_document.h"
#include "bench/engine/peak_memory.h"
#include "engine/job/job_registry.h"
#include "engine/parse/local_file.h"
#include "engine/parse/parse_result.h"

namespace {

constexpr int kChats = 1000000;

const std::string& document()
{
    static const std::string doc = makeCommentDocument(kChats);
    return doc;
}

// What both sides read from every comment, summed so that nothing is optimised away.
struct Checksum {
    int64_t sum = 0;
    int64_t chats = 0;
};

Checksum walkEngine(const ParseResult& result)
{
    Checksum c;
    for (const ChatEntry* e = result.chats; e; e = e->next) {
        c.sum += e->no + e->vpos + e->date + e->premium + e->anonymity + e->deleted + e->mail[0] + e->userId[0] +
                 e->text[0] + e->thread[0];
        ++c.chats;
    }
    return c;
}

Checksum walkPugixml(const pugi::xml_document& doc)
{
    Checksum c;
    for (pugi::xml_node chat : doc.child("packet").children("chat")) {
        c.sum += chat.attribute("no").as_int() + chat.attribute("vpos").as_int() + chat.attribute("date").as_llong() +
                 chat.attribute("premium").as_int() + chat.attribute("anonymity").as_int() +
                 chat.attribute("deleted").as_int() + chat.attribute("mail").value()[0] +
                 chat.attribute("user_id").value()[0] + chat.child_value()[0] + chat.attribute("thread").value()[0];
        ++c.chats;
    }
    return c;
}

void report(benchmark::State& state, const Checksum& c)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(document().size()));
    state.counters["chats/s"] =
        benchmark::Counter(static_cast<double>(c.chats) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["chats"] = static_cast<double>(c.chats);
}

void BM_EngineDecode(benchmark::State& state)
{
    const std::string& doc = document();
    Checksum c;
    for (auto _ : state) {
        pelmora::engine::ParseContext context;
        pelmora::engine::decodeCommentBytes(doc.data(), doc.size(), context);
        pelmora::engine::ResultRecord record;
        c = walkEngine(*record.Build(context));
        benchmark::DoNotOptimize(c.sum);
    }
    report(state, c);
}

void BM_PugixmlParseAndWalk(benchmark::State& state)
{
    const std::string& doc = document();
    Checksum c;
    for (auto _ : state) {
        pugi::xml_document xml;
        if (!xml.load_buffer(doc.data(), doc.size(), pugi::parse_default, pugi::encoding_utf8))
            state.SkipWithError("pugixml refused the document");
        c = walkPugixml(xml);
        benchmark::DoNotOptimize(c.sum);
    }
    report(state, c);
}

// Both sides alternate in one run, so that the ratio is measured under the same conditions.
BENCHMARK(BM_EngineDecode)->Unit(benchmark::kMillisecond)->MinWarmUpTime(1.0)->Repetitions(3);
BENCHMARK(BM_PugixmlParseAndWalk)->Unit(benchmark::kMillisecond)->MinWarmUpTime(1.0)->Repetitions(3);

// --- peak memory, measured in a child process -------------------------------------------------

struct DecodeWait {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    Checksum checksum;
    int code = -1;
};

void onDecoded(int, int code, const ParseResult* result, intptr_t userValue)
{
    DecodeWait* wait = reinterpret_cast<DecodeWait*>(userValue);
    Checksum c;
    if (result)
        c = walkEngine(*result);
    std::lock_guard<std::mutex> lock(wait->mutex);
    wait->checksum = c;
    wait->code = code;
    wait->finished = true;
    wait->done.notify_all();
}

// The whole "decode" job of the engine: read the file, convert, parse, flatten, deliver.
int measureEngine(const std::string& path)
{
    pelmora::engine::JobRegistry jobs;
    DecodeWait wait;
    const std::u16string request = std::u16string(path.begin(), path.end()) + u" decode";
    const int64_t before = residentBytes();
    resetPeakResident();
    jobs.Start(reinterpret_cast<const pelmora_wchar*>(request.c_str()), reinterpret_cast<intptr_t>(&wait),
               onDecoded);
    {
        std::unique_lock<std::mutex> lock(wait.mutex);
        wait.done.wait(lock, [&] { return wait.finished; });
    }
    jobs.ExitAll();
    std::printf("%lld %lld %d\n", static_cast<long long>(peakResidentBytes() - before),
                static_cast<long long>(wait.checksum.chats), wait.code);
    return 0;
}

int measurePugixml(const std::string& path)
{
    const int64_t before = residentBytes();
    resetPeakResident();
    Checksum c;
    {
        pugi::xml_document xml;
        xml.load_file(path.c_str());
        c = walkPugixml(xml);
    }
    std::printf("%lld %lld 0\n", static_cast<long long>(peakResidentBytes() - before),
                static_cast<long long>(c.chats));
    return 0;
}

void printPeakMemory(const char* self)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("pelmora-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "comments.xml";
    std::ofstream(file, std::ios::binary) << document();
    const double size = static_cast<double>(fs::file_size(file));
    std::printf("document: %d chats, %.1f MB\n", kChats, size / 1e6);
    for (const char* side : {"engine", "pugixml"}) {
        const fs::path out = dir / (std::string(side) + ".txt");
        const std::string command =
            std::string("'") + self + "' --peak " + side + " '" + file.string() + "' > '" + out.string() + "'";
        long long peak = 0, chats = 0;
        int code = -1;
        if (std::system(command.c_str()) == 0) {
            std::ifstream in(out);
            in >> peak >> chats >> code;
        }
        std::printf("peak memory, %-8s %7.1f MB = %.2f x the file (%lld chats, code %d)\n", side, peak / 1e6,
                    peak / size, chats, code);
    }
    std::fflush(stdout);
    fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--peak")
        return std::string(argv[2]) == "engine" ? measureEngine(argv[3]) : measurePugixml(argv[3]);
    printPeakMemory(argv[0]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
