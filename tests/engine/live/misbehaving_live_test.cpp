// The catalogue of misbehaving live comment servers: each row is a scripted server behaviour
// and the exact outcome of the reader's calls on a connection to it (how the read ended, the
// comments it took, what waits for the next call), with a clean end: no socket or thread left
// and memory bounded however much the server sends. What the job makes of a break (connect
// again, or end) is the live handler's, tested against the simulated service.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/handlers/live_handler.h"
#include "engine/handlers/live_reader.h"
#include "engine/parse/chat_item.h"
#include "engine/parse/chat_parser.h"
#include "engine/parse/parse_context.h"
#include "engine/pelmora2.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/net/socket.h"
#include "tests/qarvo/support/clean_end.h"
#include "tests/qarvo/support/script_server.h"

namespace pelmora::engine {
namespace {

using qarvo::test::ScriptConnection;
using qarvo::test::ScriptServer;

std::string nul() { return std::string(1, '\0'); }

std::string chat(int no, const std::string& text)
{
    return "<chat thread=\"1\" no=\"" + std::to_string(no) + "\" vpos=\"0\" date=\"1\">" + text + "</chat>" + nul();
}

// What one call of the reader must give.
struct Call {
    LiveReadEnd end;
    std::vector<std::string> texts;
    std::string tail;  // bytes left for the next call
};

struct Row {
    const char* name;
    std::function<void(ScriptConnection&)> serve;
    std::vector<Call> calls;
    int count = 2;            // comments asked for
    int64_t lastNo = -1;      // the highest comment delivered before
    long maxGrowthMb = 64;
};


// Sends `block` until `total` bytes are out or the reader goes away.
std::function<void(ScriptConnection&)> floods(std::string start, std::string block, size_t total)
{
    return [start, block, total](ScriptConnection& c) {
        if (!c.Send(start))
            return;
        for (size_t sent = start.size(); sent < total; sent += block.size())
            if (!c.Send(block))
                return;
        c.WaitPeerClose(10000);
    };
}

std::function<void(ScriptConnection&)> sendsThenWaits(std::string bytes, int ms)
{
    return [bytes, ms](ScriptConnection& c) {
        c.Send(bytes);
        c.Pause(ms);
    };
}

std::string garbage(size_t size)
{
    std::string g;
    for (size_t i = 0; g.size() < size; ++i)
        g.push_back(static_cast<char>(1 + (i * 37) % 250));  // never a NUL, never a whole "</chat"
    return g;
}

std::string thousandChats()
{
    std::string all;
    for (int i = 1; i <= 1000; ++i)
        all += chat(i, "c" + std::to_string(i));
    return all;
}

std::vector<std::string> thousandTexts()
{
    std::vector<std::string> texts;
    for (int i = 1; i <= 1000; ++i)
        texts.push_back("c" + std::to_string(i));
    return texts;
}

using End = LiveReadEnd;

const Row kRows[] = {
    {"CloseBeforeAnyByte", [](ScriptConnection& c) { c.Close(); }, {{End::Broken, {}, ""}}},
    {"StallThenClose", sendsThenWaits("", 1500), {{End::Broken, {}, ""}}},
    {"ChatsThenSilence", sendsThenWaits(chat(1, "a") + chat(2, "b"), 3000), {{End::Silence, {"a", "b"}, ""}}},
    {"ChatThenStallThenClose", sendsThenWaits(chat(1, "a"), 1800),
     {{End::Silence, {"a"}, ""}, {End::Broken, {}, ""}}},
    {"PartOfAChatThenClose", sendsThenWaits(chat(1, "a") + "<chat no=\"2\">cu", 0),
     {{End::Broken, {"a"}, "<chat no=\"2\">cu"}}},
    {"GarbageThatNeverEndsAnElement", floods("", garbage(64 * 1024), 17u << 20), {{End::Overflow, {}, ""}}, 2, -1, 48},
    {"GarbageThenSilence", sendsThenWaits(garbage(4096), 3000), {{End::Silence, {}, garbage(4096)}}},
    {"GarbageWithNuls", sendsThenWaits(garbage(1000) + nul() + garbage(10) + nul() + "rest", 3000),
     {{End::Silence, {}, "rest"}}},
    {"NulsOnly", sendsThenWaits(std::string(100000, '\0'), 3000), {{End::Silence, {}, ""}}},
    {"TwentyMegabyteElement", floods("<chat thread=\"1\" no=\"1\">", std::string(64 * 1024, 'x'), 20u << 20),
     {{End::Overflow, {}, ""}}, 2, -1, 48},
    // The comments that were complete before the endless element are kept.
    {"ChatsThenEndlessElement", floods(chat(1, "a") + chat(2, "b") + "<chat no=\"3\">", std::string(64 * 1024, 'x'),
                                       17u << 20),
     {{End::Overflow, {"a", "b"}, ""}}, 5, -1, 48},
    {"ElementSplitByteByByte",
     [](ScriptConnection& c) {
         for (char b : chat(7, "slow"))
             if (!c.Send(std::string(1, b)) || !c.Pause(2))
                 return;
         c.Pause(3000);
     },
     {{End::Silence, {"slow"}, ""}}},
    {"NulInsideAChat", sendsThenWaits("<chat no=\"1\">a" + nul() + "b</chat>" + nul(), 3000),
     {{End::Silence, {"a b"}, ""}}},
    {"DeletedChatOnly", sendsThenWaits("<chat thread=\"1\" no=\"3\" deleted=\"1\"/>" + nul(), 3000),
     {{End::Silence, {""}, ""}}},
    {"ChatWithoutItsNulWaitsForIt",
     [](ScriptConnection& c) {
         const std::string one = chat(1, "late");
         c.Send(one.substr(0, one.size() - 1));
         c.Pause(1500);
         c.Send(nul());
         c.Pause(3000);
     },
     {{End::Silence, {}, chat(1, "late").substr(0, chat(1, "late").size() - 1)}, {End::Silence, {"late"}, ""}}},
    {"RepeatedCommentsAreLeftOut", sendsThenWaits(chat(4, "d") + chat(5, "e") + chat(6, "f"), 3000),
     {{End::Silence, {"f"}, ""}}, 2, 5},
    // Repeats do not count toward the comments asked for: three new ones end the read.
    {"RepeatsDoNotEndTheRead", sendsThenWaits(chat(4, "d") + chat(5, "e") + chat(6, "f") + chat(7, "g") + chat(8, "h"), 3000),
     {{End::Enough, {"f", "g", "h"}, ""}}, 2, 5},
    // What waits already is taken with the asked comments, not one read's worth per cycle: a
    // broadcast that posts faster than that would fall behind without end.
    {"BacklogIsTakenInOneCycle", sendsThenWaits(thousandChats(), 3000), {{End::Enough, thousandTexts(), ""}}},
    {"ThousandChatsInOneBurst", sendsThenWaits(thousandChats(), 3000), {{End::Silence, std::vector<std::string>(), ""}},
     5000},
};

class MisbehavingLiveServer : public ::testing::TestWithParam<Row> {};

TEST_P(MisbehavingLiveServer, EndsAsCatalogued)
{
    const Row& row = GetParam();
    const size_t socketsBefore = qarvo::test::openDescriptors();
    const size_t threadsBefore = qarvo::test::runningThreads();
    const long rssBefore = qarvo::test::peakRssMb();
    {
        ScriptServer server(row.serve);
        std::atomic<int> stop{0};
        ParseContext context;
        context.stopFlag = &stop;
        context.liveThread = "1";
        context.liveLastNo = row.lastNo;
        auto socket = qarvo::common::MakePointer<qarvo::C_Socket>();
        ASSERT_EQ(socket->Startup(qarvo::C_Socket::kClient, qarvo::C_Socket::kTcp, qarvo::C_String("127.0.0.1"),
                                  server.Port()),
                  1);
        context.liveSocket = socket;
        socket.Reset();
        for (size_t i = 0; i < row.calls.size(); ++i) {
            const Call& expected = row.calls[i];
            std::string text;
            EXPECT_EQ(readLiveConnection(context, row.count, text), expected.end) << "call " << i;
            context.clearChats();
            parseChats(context, qarvo::common::System::utf8_to_utf16(qarvo::C_String(text)), 1);
            std::vector<std::string> texts;
            for (const ChatItem& item : context.chats)
                texts.push_back(qarvo::common::System::utf16_to_utf8(qarvo::C_WString(std::u16string(textOf(item.text))))
                                    .std());
            if (row.count > 1000)
                EXPECT_EQ(texts.size(), 1000u) << "call " << i;
            else
                EXPECT_EQ(texts, expected.texts) << "call " << i;
            EXPECT_EQ(context.liveTail, expected.tail) << "call " << i;
        }
        closeLiveConnection(context);
    }
    if (qarvo::test::kPeaksComparable) {
        EXPECT_LE(qarvo::test::peakRssMb() - rssBefore, row.maxGrowthMb);
    }
    for (int i = 0; i < 200 && qarvo::test::runningThreads() != threadsBefore; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(qarvo::test::runningThreads(), threadsBefore);
    EXPECT_EQ(qarvo::test::openDescriptors(), socketsBefore);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, MisbehavingLiveServer, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelmora::engine
