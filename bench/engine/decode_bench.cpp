// End-to-end decoding of a comment answer of a million chats (the chat walk over the UTF-8
// bytes, the strings it converts, the flat records the caller gets) against pugixml parsing and
// walking the same bytes, and against the path it replaced (the whole answer converted to
// UTF-16, then walked).
//
// Run: engine_decode_bench [benchmark flags]. Before the timings it measures the peak memory of
// decoding the document from a file, for the engine and for pugixml, each in a fresh process
// (this program started again with --peak), and prints both as multiples of the file size.
// After them it prints the side-by-side ratios. `--count engine|pugixml|old` decodes once, for
// an instruction count under callgrind.

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
#include "bench/support/instruction_count.h"
#include "bench/support/side_by_side.h"
#include "engine/job/job_registry.h"
#include "engine/parse/local_file.h"
#include "engine/parse/parse_result.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/parse/chat_walk_reference.h"

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

// One decode of the document by each side, from its bytes to the walk over what the caller gets.
Checksum decodeEngine(const std::string& doc)
{
    pelmora::engine::ParseContext context;
    pelmora::engine::decodeCommentBytes(doc.data(), doc.size(), context);
    pelmora::engine::ResultRecord record;
    return walkEngine(*record.Build(context));
}

Checksum decodeOldPath(const std::string& doc)
{
    pelmora::engine::ParseContext context;
    const qarvo::C_WString text =
        qarvo::common::System::_utf8_to_utf16(doc.data(), static_cast<int>(doc.size()));
    pelmora::engine::reference::parseChats(context, text.view(), pelmora::engine::kNoRunningNumbers);
    pelmora::engine::ResultRecord record;
    return walkEngine(*record.Build(context));
}

Checksum decodePugixml(const std::string& doc)
{
    pugi::xml_document xml;
    if (!xml.load_buffer(doc.data(), doc.size(), pugi::parse_default, pugi::encoding_utf8))
        return Checksum{};
    return walkPugixml(xml);
}

using Decoder = Checksum (*)(const std::string&);

void runDecoder(benchmark::State& state, const char* workload, Decoder decode)
{
    const std::string& doc = document();
    Checksum c;
    for (auto _ : state) {
        const pelmora::bench::Stopwatch watch;
        c = decode(doc);
        benchmark::DoNotOptimize(c.sum);
        pelmora::bench::noteTime(workload, watch.WallSeconds(), watch.CpuSeconds());
    }
    if (c.chats != kChats)
        state.SkipWithError("not every chat was read");
    report(state, c);
}

void BM_EngineDecode(benchmark::State& state)
{
    runDecoder(state, "engine", decodeEngine);
}

void BM_PugixmlParseAndWalk(benchmark::State& state)
{
    runDecoder(state, "pugixml", decodePugixml);
}

void BM_OldPathDecode(benchmark::State& state)
{
    runDecoder(state, "old", decodeOldPath);
}

// The sides alternate in one run, so that the ratios are measured under the same conditions.
void registerRounds()
{
    for (int round = 0; round < 3; ++round) {
        benchmark::RegisterBenchmark("BM_EngineDecode", BM_EngineDecode)->Unit(benchmark::kMillisecond)->Iterations(1);
        benchmark::RegisterBenchmark("BM_PugixmlParseAndWalk", BM_PugixmlParseAndWalk)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark("BM_OldPathDecode", BM_OldPathDecode)->Unit(benchmark::kMillisecond)->Iterations(1);
    }
}

void printRatios(double enginePeak, double pugixmlPeak)
{
    using pelmora::bench::Better;
    using pelmora::bench::medianCpu;
    using pelmora::bench::medianWall;
    pelmora::bench::printRatio("decode 1M chats, wall", "engine", medianWall("engine"), "pugixml",
                               medianWall("pugixml"), "s", 0.8, Better::Lower);
    pelmora::bench::printRatio("decode 1M chats, cpu", "engine", medianCpu("engine"), "pugixml", medianCpu("pugixml"),
                               "s", 0.8, Better::Lower);
    pelmora::bench::printRatio("decode 1M chats, wall", "engine", medianWall("engine"), "old path",
                               medianWall("old"), "s", 0, Better::Lower);
    pelmora::bench::printTarget("decode peak memory (x the file)", enginePeak, "x", 2.5, Better::Lower);
    pelmora::bench::printTarget("pugixml peak memory (x the file)", pugixmlPeak, "x", 0, Better::Lower);
}

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

// Each side's peak as a multiple of the file size.
std::pair<double, double> printPeakMemory(const char* self)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("pelmora-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path file = dir / "comments.xml";
    std::ofstream(file, std::ios::binary) << document();
    const double size = static_cast<double>(fs::file_size(file));
    std::printf("document: %d chats, %.1f MB\n", kChats, size / 1e6);
    double multiples[2] = {-1, -1};
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
        if (chats == kChats && code == 0)
            multiples[side[0] == 'p'] = static_cast<double>(peak) / size;
    }
    std::fflush(stdout);
    fs::remove_all(dir);
    return {multiples[0], multiples[1]};
}

int countOnce(const std::string& side)
{
    const Decoder decode = side == "engine" ? decodeEngine : side == "old" ? decodeOldPath : decodePugixml;
    const std::string& doc = document();
    Checksum c;
    pelmora::bench::countedRun([&] { c = decode(doc); });
    std::printf("%s: %lld chats, %zu bytes\n", side.c_str(), static_cast<long long>(c.chats), doc.size());
    return c.chats == kChats ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--peak")
        return std::string(argv[2]) == "engine" ? measureEngine(argv[3]) : measurePugixml(argv[3]);
    if (const std::string side = pelmora::bench::countMode(argc, argv); !side.empty())
        return countOnce(side);
    const auto [enginePeak, pugixmlPeak] = printPeakMemory(argv[0]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerRounds();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printRatios(enginePeak, pugixmlPeak);
    return 0;
}
