// Expected values: RFC 4648 section 10 for the base64 vectors, Python 3's base64.b64encode
// for all 256 byte values, the CRC catalogue's check value of CRC-16/ARC ("123456789" gives
// 0xBB3D), and RFC 2045 rules worked by hand for quoted-printable.

#include <gtest/gtest.h>

#include <string>

#include "qarvo/escape/base64.h"
#include "qarvo/escape/crc16.h"
#include "qarvo/escape/quoted_printable.h"

using namespace qarvo;
namespace Sys = qarvo::common::System;

TEST(Base64, RfcVectors)
{
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(Sys::base64_encode(C_String(plain)).std(), encoded);
        EXPECT_EQ(Sys::base64_decode(C_String(encoded)).std(), plain);
    }
}

TEST(Base64, AllBytesAndDirtyInput)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    const std::string encoded =
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZH"
        "SElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6P"
        "kJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX"
        "2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==";
    EXPECT_EQ(Sys::base64_encode(all.data(), 256).std(), encoded);
    EXPECT_EQ(Sys::base64_decode(C_String(encoded)).std(), all);
    // Line breaks, spaces and foreign characters are skipped; '=' ends the data.
    EXPECT_EQ(Sys::base64_decode(C_String("Zm9v\r\nYm Fy*")).std(), "foobar");
    EXPECT_EQ(Sys::base64_decode(C_String("Zg==Zm9v")).std(), "f");
    // A lone leftover character cannot make a byte.
    EXPECT_EQ(Sys::base64_decode(C_String("Zm9vY")).std(), "foo");
    EXPECT_TRUE(Sys::base64_decode(C_String("!!!")).IsEmpty());
    EXPECT_TRUE(Sys::base64_encode(nullptr, 4).IsEmpty());
}

TEST(QuotedPrintable, Decodes)
{
    EXPECT_EQ(Sys::quoted_printable_decode(C_String("a=3Db=3db")).std(), "a=b=b");
    EXPECT_EQ(Sys::quoted_printable_decode(C_String("soft=\r\nbreak=\nhere")).std(), "softbreakhere");
    EXPECT_EQ(Sys::quoted_printable_decode(C_String("=E3=81=82")).std(), "\xE3\x81\x82");
    // Broken escapes are copied.
    EXPECT_EQ(Sys::quoted_printable_decode(C_String("=ZZ=4=")).std(), "=ZZ=4=");
}

TEST(Crc16, CatalogueCheckValue)
{
    EXPECT_EQ(Sys::crc16(C_String("123456789")), 0xBB3D);
    EXPECT_EQ(Sys::crc16(C_String()), 0);
}
