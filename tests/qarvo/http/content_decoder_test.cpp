#include "qarvo/http/content_decoder.h"

#include <gtest/gtest.h>

#include "tests/qarvo/http/zlib_samples.h"

using namespace qarvo;
using namespace qarvo::http;
using qarvo::test::gzipOf;
using qarvo::test::rawDeflateOf;
using qarvo::test::sampleText;
using qarvo::test::zlibOf;

namespace {

// decodeBody into a string; false with the error text when it fails.
bool decode(ContentCoding coding, const std::string& in, size_t cap, std::string* out, C_String* error)
{
    platform::MemoryBlock block;
    size_t size = 0;
    const bool ok = decodeBody(coding, in.data(), in.size(), cap, &block, &size, error);
    out->assign(block ? block.get() : "", size);
    return ok;
}

}  // namespace

TEST(ContentCoding, HeaderValueChoosesTheDecoder)
{
    EXPECT_EQ(contentCodingOf(C_String("")), ContentCoding::Identity);
    EXPECT_EQ(contentCodingOf(C_String("identity")), ContentCoding::Identity);
    EXPECT_EQ(contentCodingOf(C_String("gzip")), ContentCoding::Gzip);
    EXPECT_EQ(contentCodingOf(C_String("x-gzip")), ContentCoding::Gzip);
    EXPECT_EQ(contentCodingOf(C_String("deflate")), ContentCoding::Deflate);
    EXPECT_EQ(contentCodingOf(C_String("br")), ContentCoding::Deflate);
}

TEST(ContentDecoding, WholeBodiesOfEveryFraming)
{
    const std::string text = sampleText(100000);
    std::string out;
    C_String error;
    ASSERT_TRUE(decode(ContentCoding::Gzip, gzipOf(text), 1 << 20, &out, &error));
    EXPECT_EQ(out, text);
    const std::string z = zlibOf(text);
    ASSERT_TRUE(decode(ContentCoding::Deflate, z, 1 << 20, &out, &error));
    EXPECT_EQ(out, text);
    // Some servers send raw deflate for "deflate".
    const std::string raw = rawDeflateOf(text);
    ASSERT_TRUE(decode(ContentCoding::Deflate, raw, 1 << 20, &out, &error)) << error.c_str();
    EXPECT_EQ(out, text);
}

TEST(ContentDecoding, StreamingInTinyPiecesMatches)
{
    const std::string text = sampleText(50000);
    for (const std::string& encoded : {gzipOf(text), rawDeflateOf(text)}) {
        Inflater inflater(encoded == gzipOf(text) ? ContentCoding::Gzip : ContentCoding::Deflate);
        std::string out;
        for (size_t i = 0; i < encoded.size(); i += 7)
            ASSERT_TRUE(inflater.Feed(encoded.data() + i, std::min<size_t>(7, encoded.size() - i),
                                      [&](const char* p, size_t n) {
                                          out.append(p, n);
                                          return true;
                                      }))
                << inflater.GetError().c_str();
        EXPECT_EQ(out, text);
        EXPECT_TRUE(inflater.IsFinished());
    }
}

TEST(ContentDecoding, ExpansionBeyondTheCapFailsWithText)
{
    // 4 MB of zeros compress to a few kilobytes.
    const std::string bomb = gzipOf(std::string(4 << 20, '\0'));
    ASSERT_LT(bomb.size(), 10000u);
    std::string out;
    C_String error;
    EXPECT_FALSE(decode(ContentCoding::Gzip, bomb, 1 << 20, &out, &error));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(error.Contains("larger than the receive buffer")) << error.c_str();
}

TEST(ContentDecoding, BrokenGzipFails)
{
    std::string broken = gzipOf(sampleText(5000));
    broken[broken.size() / 2] ^= 0x55;
    broken[broken.size() / 2 + 1] ^= 0x55;
    std::string out;
    C_String error;
    EXPECT_FALSE(decode(ContentCoding::Gzip, broken, 1 << 20, &out, &error));
    EXPECT_TRUE(error.StartsWith("zlib error: ")) << error.c_str();
}

TEST(ZlibHelpers, OneShotAndPartsAgree)
{
    const std::string text = sampleText(30000);
    const std::string z = zlibOf(text);
    C_Memory out;
    C_String error;
    const int n = common::System::zlib_inflate(&out, z.data(), static_cast<int>(z.size()), &error);
    ASSERT_EQ(n, static_cast<int>(text.size())) << error.c_str();
    EXPECT_EQ(std::string(out.GetChars(), n), text);

    void* h = common::System::zlib_parts_init2(&error, 47);
    ASSERT_NE(h, nullptr);
    const std::string g = gzipOf(text);
    std::string joined;
    for (size_t i = 0; i < g.size(); i += 1000) {
        const int m = common::System::zlib_parts_inflate(h, &out, g.data() + i,
                                                         static_cast<int>(std::min<size_t>(1000, g.size() - i)), &error);
        ASSERT_GE(m, 0) << error.c_str();
        joined.append(out.GetChars() ? out.GetChars() : "", static_cast<size_t>(m));
    }
    common::System::zlib_parts_exit(h);
    EXPECT_EQ(joined, text);
    EXPECT_EQ(common::System::zlib_inflate(&out, "not zlib", 8, &error), -1);
    EXPECT_TRUE(error.StartsWith("zlib error: "));
}

// A broken stream fed in two reads, cut at every point: the bytes handed on before the
// failure are the same wherever the cut falls (the output of the read that meets the error
// once went missing in some cuts).
TEST(ContentDecoding, BrokenStreamGivesTheSameBytesWhateverTheSplit)
{
    std::string broken = zlibOf(sampleText(3000));
    broken[broken.size() * 2 / 3] ^= 0x5a;
    std::string expected;
    bool first = true;
    for (size_t cut = 0; cut <= broken.size(); ++cut) {
        Inflater inflater(ContentCoding::Deflate);
        std::string out;
        const auto sink = [&](const char* p, size_t n) {
            out.append(p, n);
            return true;
        };
        if (inflater.Feed(broken.data(), cut, sink))
            inflater.Feed(broken.data() + cut, broken.size() - cut, sink);
        ASSERT_FALSE(inflater.GetError().IsEmpty()) << "cut at " << cut;
        if (first)
            expected = out;
        first = false;
        ASSERT_EQ(out, expected) << "cut at " << cut;
    }
    EXPECT_FALSE(expected.empty());
}

// The helpers once grew their output up to INT_MAX for any input; now to the library's cap.
TEST(ZlibHelpers, OutputIsCapped)
{
    const std::string bomb = qarvo::test::bombOf(static_cast<size_t>(common::System::kZlibOutputCap) + (1 << 20), 15);
    C_Memory out;
    C_String error;
    EXPECT_EQ(common::System::zlib_inflate(&out, bomb.data(), static_cast<int>(bomb.size()), &error), -1);
    EXPECT_TRUE(error.Contains("larger than")) << error.c_str();
    EXPECT_LE(out.GetSize(), common::System::kZlibOutputCap + 10240);
    void* h = common::System::zlib_parts_init(&error);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(common::System::zlib_parts_inflate(h, &out, bomb.data(), static_cast<int>(bomb.size()), &error), -1);
    EXPECT_TRUE(error.Contains("larger than")) << error.c_str();
    common::System::zlib_parts_exit(h);
}
