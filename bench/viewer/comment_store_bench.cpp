// The viewer's store of one delivery of 100,000 comments: C_App::OnParseResult as an engine job
// thread calls it, which copies the comments into the page's collection, writes the page's
// text file and the XML file of the raw answer. The real viewer runs offscreen in a temporary
// folder, with a page fetched first (the engine's made-up comments) so that the delivery has a
// page to go to; every measured delivery finds that page empty.
//
// Run: viewer_comment_store_bench [benchmark flags]. After the table it prints the store's
// median time and the heap the stored comments hold per comment beyond their texts' own
// blocks. `--count store` delivers once, for an instruction count under callgrind.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "bench/engine/comment_document.h"
#include "bench/support/instruction_count.h"
#include "bench/support/side_by_side.h"
#include "engine/parse/local_file.h"
#include "engine/parse/parse_result.h"
#include "qarvo/ini/ini_file.h"
#include "qarvo/net/connect_to.h"
#include "viewer/core/app/app.h"
#include "viewer/ui/controls.h"
#include "viewer/ui/desktop.h"
#include "viewer/ui/window.h"

namespace {

namespace fs = std::filesystem;
namespace ui = qarvo::ui;
using pelmora::viewer::C_App;

constexpr int kComments = 100000;

// The delivery: the generated answer decoded by the engine, with the raw answer attached as
// for a page that saves the XML file.
struct Delivery {
    std::string document = makeCommentDocument(kComments);
    pelmora::engine::ParseContext context;
    pelmora::engine::ResultRecord record;
    ParseResult result{};
    bool ok = false;

    Delivery()
    {
        if (pelmora::engine::decodeCommentBytes(document.data(), document.size(), context) != 0)
            return;
        const ParseResult* built = record.Build(context);
        if (!built)
            return;
        result = *built;
        result.title = "store bench";
        result.rawXmlData = reinterpret_cast<const unsigned char*>(document.data());
        result.rawXmlSize = static_cast<int32_t>(document.size());
        ok = true;
    }
};

struct Target {
    int jobId = 0;
    intptr_t requestValue = 0;
};

Delivery* g_delivery = nullptr;
Target g_target;

bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 60000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void deliver(const ParseResult& result)
{
    C_App::OnParseResult(g_target.jobId, PELMORA_RESULT_SUCCESS, &result, g_target.requestValue);
}

// A delivery without comments: the page's collection is emptied, as before a first fetch.
void emptyThePage()
{
    ParseResult empty{};
    empty.title = "store bench";
    deliver(empty);
}

size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_StoreDelivery(benchmark::State& state)
{
    for (auto _ : state) {
        emptyThePage();
        const pelmora::bench::Stopwatch watch;
        deliver(g_delivery->result);
        const double seconds = watch.WallSeconds();
        state.SetIterationTime(seconds);
        pelmora::bench::noteTime("store", seconds, watch.CpuSeconds());
    }
    state.SetItemsProcessed(state.iterations() * kComments);
}

BENCHMARK(BM_StoreDelivery)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The heap that one delivery leaves held, per comment, less the blocks of the texts (a text
// of more than the seven code units a string holds in place gets a block of its own).
double bytesPerCommentBeyondText(C_App& app)
{
    emptyThePage();
    const size_t before = heapInUse();
    deliver(g_delivery->result);
    const size_t after = heapInUse();
    const auto page = app.SnapshotPage(qarvo::C_WString(u"sm9"));
    if (!page || page->comments.size() != static_cast<size_t>(kComments))
        return -1;
    const auto blockOf = [](const qarvo::C_WString& s) {
        const size_t capacity = s.std().capacity();
        return capacity > 7 ? (capacity + 1) * sizeof(char16_t) : 0;
    };
    size_t textBytes = 0, otherStringBytes = 0;
    for (const auto& comment : page->comments) {
        textBytes += blockOf(comment->text);
        otherStringBytes += blockOf(comment->userId) + blockOf(comment->mail);
    }
    std::printf("stored %d comments: heap %+.1f MB, of which texts %.1f MB\n", kComments,
                (static_cast<double>(after) - static_cast<double>(before)) / 1e6, static_cast<double>(textBytes) / 1e6);
    // Where the rest goes: the record with its shared count, the collection's slot, the
    // blocks of the user ids and mail commands (before the allocator's own overhead).
    std::printf("per comment: record %zu bytes (with its count in one block), slot %zu, user id and mail %.1f\n",
                sizeof(pelmora::viewer::tag_NICO_COMMENT_LIGHT) + 16, sizeof(pelmora::viewer::CommentPtr),
                static_cast<double>(otherStringBytes) / kComments);
    return (static_cast<double>(after) - static_cast<double>(before) - static_cast<double>(textBytes)) / kComments;
}

// The page the deliveries go to: sm9 fetched with the engine's made-up comments.
bool openPage(C_App& app)
{
    if (!waitUntil([&] { return app.GetHWnd() != 0 && app.StatusBarWindow() != 0; }))
        return false;
    ui::SetDlgItemText(app.GetHWnd(), 1001, qarvo::C_WString(u"sm9"));
    ui::SendMessage(app.GetHWnd(), ui::WM_COMMAND, ui::MakeWParam(1u, 0u),
                    static_cast<ui::LParam>(ui::GetDlgItem(app.GetHWnd(), 1)));
    std::optional<C_App::PageSnapshot> page;
    if (!waitUntil([&] {
            page = app.SnapshotPage(qarvo::C_WString(u"sm9"));
            return page && page->comments.size() >= 1000 && app.LastAddress() == qarvo::C_WString(u"sm9");
        }))
        return false;
    g_target.jobId = page->jobId;
    g_target.requestValue = page->requestValue;
    return true;
}

// A working folder of its own (the viewer uses relative paths), nothing leaving the machine.
fs::path enterWorkFolder()
{
    const fs::path dir = fs::temp_directory_path() / ("pelmora-store-bench-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::permissions(dir, fs::perms::owner_all);
    fs::current_path(dir);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    setenv("PELMORA_CONNECT_TO", "::127.0.0.1:1", 1);
    qarvo::net::reloadConnectTo();
    qarvo::C_WIniFile ini(qarvo::C_WString(u"init.ini"));
    ini.SetStr(qarvo::C_WString(u"factory_comment_xml"), qarvo::C_WString(u"1"));
    ini.SetStr(qarvo::C_WString(u"get_tag"), qarvo::C_WString(u"0"));
    return dir;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string countMode = pelmora::bench::countMode(argc, argv);
    if (countMode.empty()) {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
    }
    // The viewer finds the engine in dll/ beside the program.
    const fs::path previous = fs::current_path();
    Delivery delivery;
    if (!delivery.ok) {
        std::fprintf(stderr, "the generated answer did not decode\n");
        return 1;
    }
    g_delivery = &delivery;
    const fs::path dir = enterWorkFolder();

    ui::C_DesktopRecorder desktop;
    ui::SetDesktop(&desktop);
    int code = 1;
    double perComment = -1;
    {
        C_App app;
        app.SetRequestMode(qarvo::C_WString(u"dumy_debug"));
        std::thread driver([&] {
            if (openPage(app)) {
                if (!countMode.empty()) {
                    emptyThePage();
                    pelmora::bench::countedRun([] { deliver(g_delivery->result); });
                    const auto page = app.SnapshotPage(qarvo::C_WString(u"sm9"));
                    code = page && page->comments.size() == static_cast<size_t>(kComments) ? 0 : 1;
                    std::printf("store: %zu comments\n", page ? page->comments.size() : 0);
                } else {
                    perComment = bytesPerCommentBeyondText(app);
                    benchmark::RunSpecifiedBenchmarks();
                    code = 0;
                }
            } else {
                std::fprintf(stderr, "the viewer did not open the page\n");
            }
            if (app.GetHWnd())
                ui::PostMessage(app.GetHWnd(), ui::WM_CLOSE, 0, 0);
        });
        app.Run();
        driver.join();
    }
    ui::SetDesktop(nullptr);
    fs::current_path(previous);
    std::error_code error;
    fs::remove_all(dir, error);
    if (countMode.empty()) {
        benchmark::Shutdown();
        using pelmora::bench::Better;
        pelmora::bench::printTarget("viewer store of 100,000 comments (OnParseResult), wall",
                                    pelmora::bench::medianWall("store"), "s", 0, Better::Lower);
        pelmora::bench::printTarget("viewer memory per stored comment beyond its text", perComment, "bytes", 150,
                                    Better::Lower);
    }
    return code;
}
