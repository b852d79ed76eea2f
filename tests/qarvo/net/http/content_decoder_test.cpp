#include "qarvo/http/content_decoder.h"

#include <gtest/gtest.h>

#include "zlib_samples.h"

using namespace qarvo;
using namespace qarvo::http;
using qarvo::test::gzipOf;
using qarvo::test::rawDeflateOf;
using qarvo::test::sampleText;
using qarvo::test::zlibOf;

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
    ASSERT_TRUE(decodeBody(ContentCoding::Gzip, gzipOf(text).data(), gzipOf(text).size(), 1 << 20, &out, &error));
    EXPECT_EQ(out, text);
    const std::string z = zlibOf(text);
    ASSERT_TRUE(decodeBody(ContentCoding::Deflate, z.data(), z.size(), 1 << 20, &out, &error));
    EXPECT_EQ(out, text);
    // Some servers send raw deflate for "deflate".
    const std::string raw = rawDeflateOf(text);
    ASSERT_TRUE(decodeBody(ContentCoding::Deflate, raw.data(), raw.size(), 1 << 20, &out, &error)) << error.c_str();
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
    EXPECT_FALSE(decodeBody(ContentCoding::Gzip, bomb.data(), bomb.size(), 1 << 20, &out, &error));
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
    EXPECT_FALSE(decodeBody(ContentCoding::Gzip, broken.data(), broken.size(), 1 << 20, &out, &error));
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
