// The walk over UTF-8 bytes against the walk it replaced (over the whole answer converted to
// UTF-16 first): the same comments, field for field, on every document of the fuzz corpora and
// on generated hostile ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/parse/chat_parser.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/parse/chat_walk_reference.h"

using namespace pelmora::engine;
namespace fs = std::filesystem;

namespace {

// Empty when both walks agree on `bytes`, with and without running numbers.
std::string compareWalks(const std::string& bytes)
{
    const qarvo::C_WString text = qarvo::common::System::_utf8_to_utf16(bytes.data(), static_cast<int>(bytes.size()));
    for (const int first : {kNoRunningNumbers, 1}) {
        ParseContext walked, expected;
        // The thread strings keep what they held when the answer does not set them.
        walked.thread = expected.thread = qarvo::C_WString(u"before");
        walked.resultCode = expected.resultCode = 7;
        const bool complete = parseChats(walked, std::string_view(bytes), first);
        if (complete != reference::parseChats(expected, text.view(), first))
            return "completeness";
        const std::string difference = reference::differenceOf(walked, expected);
        if (!difference.empty())
            return difference + (first == 1 ? " (running numbers)" : "");
    }
    return std::string();
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Pieces a hostile answer is made of: the markers and names the walk looks for, cut and
// doubled, numbers at their limits, and UTF-8 both well and ill formed (truncated sequences,
// overlong forms, encoded surrogates, stray continuation bytes, bytes that never occur).
const char* const kPieces[] = {
    "<chat", "<chat ", "<thread ", "<view_counter ", "<chat_result ", "</chat>", "</chat", "</ch", ">", "/>", "/",
    "<", "\"", "=\"", " mail=\"", " no=\"", " vpos=\"", " date=\"", " user_id=\"", " thread=\"", " deleted=\"",
    " premium=\"", " anonymity=\"", " last_res=\"", " resultcode=\"", " server_time=\"", " ticket=\"", " video=\"",
    " ", "\t", "\n", "184", "18", "4", "-", "+", "12", "99999999999999999999", "2147483648", "-9223372036854775809",
    "x", "&amp;", "\xE3\x81\x82", "\xE3\x81", "\xE3", "\x81", "\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xF0\x9F\x98\x80",
    "\xF0\x9F\x98", "\xF4\x90\x80\x80", "\xEF\xBB\xBF",
    "",  // a NUL byte
};

// xorshift32: the same documents on every run; the seed goes into the failure message.
struct Random {
    uint32_t x;
    uint32_t Next()
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    }
};

std::string hostileDocument(uint32_t seed)
{
    Random random{seed | 1u};
    std::string doc;
    const uint32_t pieces = random.Next() % 120;
    for (uint32_t i = 0; i < pieces; ++i) {
        const size_t k = random.Next() % std::size(kPieces);
        if (kPieces[k][0] == '\0')
            doc.push_back('\0');
        else
            doc += kPieces[k];
    }
    return doc;
}

}  // namespace

TEST(ChatWalkEquality, EveryCorpusDocumentAndEveryCutOfIt)
{
    const fs::path fuzz(PELMORA_FUZZ_DIR);
    size_t documents = 0;
    for (const char* dir : {"corpus/chat_walk", "corpus/local_file", "corpus/live_stream", "regressions/chat_walk"}) {
        if (!fs::exists(fuzz / dir))
            continue;
        for (const auto& entry : fs::directory_iterator(fuzz / dir)) {
            const std::string doc = readFile(entry.path());
            ++documents;
            // Every cut of a short document; a long one at a few hundred places.
            const size_t step = doc.size() < 2000 ? 1 : doc.size() / 300;
            for (size_t cut = 0; cut <= doc.size(); cut += step) {
                ASSERT_EQ(compareWalks(doc.substr(0, cut)), "") << entry.path() << " cut at " << cut;
            }
        }
    }
    EXPECT_GT(documents, 10u);

    const fs::path real = fs::path(PELMORA_CORPUS_DIR) / "danmaku2ass__test__issue-9-test.xml";
    if (fs::exists(real)) {
        EXPECT_EQ(compareWalks(readFile(real)), "");
    }
}

TEST(ChatWalkEquality, GeneratedHostileDocuments)
{
    for (uint32_t seed = 1; seed <= 20000; ++seed)
        ASSERT_EQ(compareWalks(hostileDocument(seed)), "") << "seed " << seed;
}
