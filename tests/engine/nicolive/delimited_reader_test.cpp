#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nicolive/delimited_reader.h"

using pelmora::engine::nicolive::DelimitedReader;

namespace {

// The varint forms below are hand-computed: 300 = 0b10_0101100 -> AC 02.
std::string framed(const std::string& body)
{
    std::string out;
    size_t n = body.size();
    do {
        unsigned char byte = n & 0x7F;
        n >>= 7;
        if (n)
            byte |= 0x80;
        out += static_cast<char>(byte);
    } while (n);
    return out + body;
}

std::vector<std::string> drain(DelimitedReader& reader)
{
    std::vector<std::string> out;
    std::string message;
    while (reader.Next(&message))
        out.push_back(message);
    return out;
}

}  // namespace

TEST(DelimitedStream, SplitAnywhereGivesTheSameMessages)
{
    const std::vector<std::string> messages = {"a", "", std::string(300, 'x'), "\x08\x01", std::string(127, 'y')};
    std::string stream;
    for (const std::string& m : messages)
        stream += framed(m);
    ASSERT_EQ(stream.substr(3, 3), std::string("\xAC\x02x", 3));  // after 01 "a" 00: the 300-byte one

    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        DelimitedReader reader;
        ASSERT_TRUE(reader.Feed(stream.data(), cut));
        std::vector<std::string> got = drain(reader);
        ASSERT_TRUE(reader.Feed(stream.data() + cut, stream.size() - cut));
        for (std::string& m : drain(reader))
            got.push_back(std::move(m));
        ASSERT_EQ(got, messages) << "cut at " << cut;
        EXPECT_EQ(reader.PendingBytes(), 0u);
        EXPECT_FALSE(reader.IsBroken());
        EXPECT_STREQ(reader.BrokenReason(), "");
    }
}

TEST(DelimitedStream, PendingBytesAreZeroOnlyAtABoundary)
{
    const std::string stream = framed("abc") + framed(std::string(300, 'z'));
    const size_t boundary = 4;  // after 03 'a' 'b' 'c'
    DelimitedReader reader;
    for (size_t i = 0; i < stream.size(); ++i) {
        ASSERT_TRUE(reader.Feed(&stream[i], 1));
        const size_t fed = i + 1;
        if (fed == boundary || fed == stream.size())
            EXPECT_EQ(reader.PendingBytes(), 0u) << fed;
        else
            EXPECT_EQ(reader.PendingBytes(), fed < boundary ? fed : fed - boundary) << fed;
    }
    EXPECT_EQ(drain(reader).size(), 2u);
}

TEST(DelimitedStream, BrokenByALengthPastTheCapOrAnOverlongVarint)
{
    {
        // Exactly the cap is fine; one past it breaks the stream, and it stays broken.
        DelimitedReader reader(16);
        const std::string ok = framed(std::string(16, 'a'));
        EXPECT_TRUE(reader.Feed(ok.data(), ok.size()));
        const std::string tooLong = "\x11";
        EXPECT_FALSE(reader.Feed(tooLong.data(), tooLong.size()));
        EXPECT_TRUE(reader.IsBroken());
        EXPECT_STRNE(reader.BrokenReason(), "");
        const std::string later = framed("b");
        EXPECT_FALSE(reader.Feed(later.data(), later.size()));
        EXPECT_EQ(drain(reader), std::vector<std::string>{std::string(16, 'a')});
    }
    {
        // Ten bytes are a varint (here of 0), an eleventh is not.
        DelimitedReader reader;
        const std::string ten = std::string(9, '\x80') + std::string(1, '\x00');
        EXPECT_TRUE(reader.Feed(ten.data(), ten.size()));
        EXPECT_EQ(drain(reader), std::vector<std::string>{""});
        const std::string eleven = std::string(10, '\x80') + std::string(1, '\x00');
        EXPECT_FALSE(reader.Feed(eleven.data(), eleven.size()));
        EXPECT_TRUE(reader.IsBroken());
    }
    {
        // 2^64 - 1 does not wrap around to a small length.
        DelimitedReader reader;
        const std::string huge = std::string(9, '\xFF') + std::string(1, '\x01');
        EXPECT_FALSE(reader.Feed(huge.data(), huge.size()));
        DelimitedReader wrapped;
        const std::string past = std::string(9, '\x80') + std::string(1, '\x02');
        EXPECT_FALSE(wrapped.Feed(past.data(), past.size()));
    }
}
