#include "qarvo/http/chunk_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using qarvo::http::ChunkDecoder;

namespace {

// Feeds `wire` in the given pieces the way the receiver does: undecoded bytes stay in place
// and the next piece is appended after them. Returns the decoded body.
std::string decodeInPieces(const std::string& wire, const std::vector<size_t>& cuts, ChunkDecoder* decoder)
{
    std::string body;
    std::string pending;
    size_t from = 0;
    std::vector<size_t> points = cuts;
    points.push_back(wire.size());
    for (size_t cut : points) {
        pending += wire.substr(from, cut - from);
        from = cut;
        const ChunkDecoder::Step step = decoder->Feed(pending.data(), pending.size());
        body += pending.substr(0, step.produced);
        pending = pending.substr(step.consumed);
        if (decoder->IsFailed() || decoder->IsDone())
            break;
    }
    return body;
}

// Written by hand: "Wiki" / "pedia" / " in\r\n\r\nchunks." (the RFC-style example), with an
// extension, upper-case hex and lone LF line ends mixed in.
const std::string kWire = "4\r\nWiki\r\n5;name=value\r\npedia\r\nE\n in\r\n\r\nchunks.\n0\r\nX-Trailer: 1\r\n\r\n";
const std::string kBody = "Wikipedia in\r\n\r\nchunks.";

}  // namespace

TEST(ChunkedBody, WholeInOnePiece)
{
    ChunkDecoder d;
    EXPECT_EQ(decodeInPieces(kWire, {}, &d), kBody);
    EXPECT_TRUE(d.IsDone());
    EXPECT_EQ(d.GetChunkCount(), 4);
}

TEST(ChunkedBody, SplitAtEveryPoint)
{
    for (size_t cut = 0; cut <= kWire.size(); ++cut) {
        ChunkDecoder d;
        EXPECT_EQ(decodeInPieces(kWire, {cut}, &d), kBody) << "cut at " << cut;
        EXPECT_TRUE(d.IsDone()) << "cut at " << cut;
    }
}

TEST(ChunkedBody, SplitAtEveryPairOfPoints)
{
    for (size_t a = 0; a <= kWire.size(); ++a)
        for (size_t b = a; b <= kWire.size(); ++b) {
            ChunkDecoder d;
            ASSERT_EQ(decodeInPieces(kWire, {a, b}, &d), kBody) << "cuts " << a << "," << b;
            ASSERT_TRUE(d.IsDone());
        }
}

TEST(ChunkedBody, LargeBodyAtSeededRandomPoints)
{
    const unsigned seed = 20240611;
    std::mt19937 rng(seed);
    std::string body, wire;
    for (int i = 0; i < 200; ++i) {
        const size_t n = 1 + rng() % 3000;
        std::string piece(n, '\0');
        for (char& c : piece)
            c = static_cast<char>(rng());
        body += piece;
        char size[16];
        std::snprintf(size, sizeof size, "%zX\r\n", n);
        wire += size + piece + "\r\n";
    }
    wire += "0\r\n\r\n";
    std::vector<size_t> cuts;
    for (size_t p = 0; p < wire.size(); p += 1 + rng() % 700)
        cuts.push_back(p);
    ChunkDecoder d;
    EXPECT_EQ(decodeInPieces(wire, cuts, &d), body) << "seed " << seed;
    EXPECT_TRUE(d.IsDone()) << "seed " << seed;
}

TEST(ChunkedBody, LastChunkWithoutEmptyLineIsSeenButNotDone)
{
    ChunkDecoder d;
    EXPECT_EQ(decodeInPieces("3\r\nabc\r\n0\r\n", {}, &d), "abc");
    EXPECT_TRUE(d.SawLastChunk());
    EXPECT_FALSE(d.IsDone());
}

TEST(ChunkedBody, MalformedInputFailsAndStaysFailed)
{
    struct Case {
        const char* wire;
        ChunkDecoder::Error error;
    };
    const Case cases[] = {
        {"zz\r\nabc\r\n", ChunkDecoder::Error::BadSize},
        {"\r\nabc\r\n", ChunkDecoder::Error::BadSize},
        {"3 x\r\nabc\r\n", ChunkDecoder::Error::BadSize},
        // 16 digits would still fit, but no body of ours is that large.
        {"1000000000000000\r\n", ChunkDecoder::Error::SizeTooLarge},
        {"FFFFFFFFFFFFFFFFF\r\n", ChunkDecoder::Error::SizeTooLarge},
        {"3\r\nabcX\r\n", ChunkDecoder::Error::MissingDataEnd},
        {"3\r\nabc\rX", ChunkDecoder::Error::MissingDataEnd},
    };
    for (const Case& c : cases) {
        ChunkDecoder d;
        std::string wire = c.wire;
        d.Feed(wire.data(), wire.size());
        EXPECT_TRUE(d.IsFailed()) << c.wire;
        EXPECT_EQ(d.GetError(), c.error) << c.wire;
        std::string more = "3\r\nabc\r\n0\r\n\r\n";
        const auto step = d.Feed(more.data(), more.size());
        EXPECT_EQ(step.produced, 0u);
        EXPECT_TRUE(d.IsFailed());
    }
}

TEST(ChunkedBody, EndlessSizeLineFails)
{
    ChunkDecoder d;
    std::string wire = "1" + std::string(ChunkDecoder::kMaxLineLength + 1, ';');
    d.Feed(wire.data(), wire.size());
    EXPECT_EQ(d.GetError(), ChunkDecoder::Error::SizeLineTooLong);
}

TEST(ChunkedBody, BytesAfterTheEndAreLeftToTheCaller)
{
    ChunkDecoder d;
    std::string wire = "2\r\nok\r\n0\r\n\r\nHTTP/1.1 200 OK";
    const auto step = d.Feed(wire.data(), wire.size());
    EXPECT_TRUE(d.IsDone());
    EXPECT_EQ(std::string(wire.data(), step.produced), "ok");
    EXPECT_EQ(wire.substr(step.consumed), "HTTP/1.1 200 OK");
}
