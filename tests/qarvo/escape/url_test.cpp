// Expected encodings of all 256 byte values were produced with Python 3's urllib.parse
// (quote_plus(b, safe="@"), quote(b, safe="@"), quote(b, safe="!*'()") and
// quote(b, safe="!#$&'()*+,/:;=?@"), which all keep A-Z a-z 0-9 _ . - ~) while these tests
// were written. CP932 bytes come from Python's "cp932" codec.

#include <gtest/gtest.h>

#include <string>

#include "qarvo/escape/url.h"

using namespace qarvo;
namespace Sys = qarvo::common::System;

namespace {

C_String allBytes()
{
    std::string s;
    for (int c = 0; c < 256; ++c)
        s.push_back(static_cast<char>(c));
    return C_String(s);
}

}  // namespace

TEST(UrlEncode, EveryByteInEachFlavour)
{
    const C_String all = allBytes();
    EXPECT_EQ(Sys::_url_encode_a(all, 0).std(),
        "%00%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F%10%11%12%13%14%15%16%17%18%19%1A%1B%1C%1D%1E%1F"
        "+%21%22%23%24%25%26%27%28%29%2A%2B%2C-.%2F0123456789%3A%3B%3C%3D%3E%3F@ABCDEFGHIJKLMNOPQRSTUVWXY"
        "Z%5B%5C%5D%5E_%60abcdefghijklmnopqrstuvwxyz%7B%7C%7D~%7F%80%81%82%83%84%85%86%87%88%89%8A%8B%8C%"
        "8D%8E%8F%90%91%92%93%94%95%96%97%98%99%9A%9B%9C%9D%9E%9F%A0%A1%A2%A3%A4%A5%A6%A7%A8%A9%AA%AB%AC%"
        "AD%AE%AF%B0%B1%B2%B3%B4%B5%B6%B7%B8%B9%BA%BB%BC%BD%BE%BF%C0%C1%C2%C3%C4%C5%C6%C7%C8%C9%CA%CB%CC%"
        "CD%CE%CF%D0%D1%D2%D3%D4%D5%D6%D7%D8%D9%DA%DB%DC%DD%DE%DF%E0%E1%E2%E3%E4%E5%E6%E7%E8%E9%EA%EB%EC%"
        "ED%EE%EF%F0%F1%F2%F3%F4%F5%F6%F7%F8%F9%FA%FB%FC%FD%FE%FF");
    EXPECT_EQ(Sys::_url_encode_a(all, 1).std(),
        "%00%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F%10%11%12%13%14%15%16%17%18%19%1A%1B%1C%1D%1E%1F"
        "%20%21%22%23%24%25%26%27%28%29%2A%2B%2C-.%2F0123456789%3A%3B%3C%3D%3E%3F@ABCDEFGHIJKLMNOPQRSTUVW"
        "XYZ%5B%5C%5D%5E_%60abcdefghijklmnopqrstuvwxyz%7B%7C%7D~%7F%80%81%82%83%84%85%86%87%88%89%8A%8B%8"
        "C%8D%8E%8F%90%91%92%93%94%95%96%97%98%99%9A%9B%9C%9D%9E%9F%A0%A1%A2%A3%A4%A5%A6%A7%A8%A9%AA%AB%A"
        "C%AD%AE%AF%B0%B1%B2%B3%B4%B5%B6%B7%B8%B9%BA%BB%BC%BD%BE%BF%C0%C1%C2%C3%C4%C5%C6%C7%C8%C9%CA%CB%C"
        "C%CD%CE%CF%D0%D1%D2%D3%D4%D5%D6%D7%D8%D9%DA%DB%DC%DD%DE%DF%E0%E1%E2%E3%E4%E5%E6%E7%E8%E9%EA%EB%E"
        "C%ED%EE%EF%F0%F1%F2%F3%F4%F5%F6%F7%F8%F9%FA%FB%FC%FD%FE%FF");
    const std::string rfc =
        "%00%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F%10%11%12%13%14%15%16%17%18%19%1A%1B%1C%1D%1E%1F"
        "%20!%22%23%24%25%26'()*%2B%2C-.%2F0123456789%3A%3B%3C%3D%3E%3F%40ABCDEFGHIJKLMNOPQRSTUVWXYZ%5B%5"
        "C%5D%5E_%60abcdefghijklmnopqrstuvwxyz%7B%7C%7D~%7F%80%81%82%83%84%85%86%87%88%89%8A%8B%8C%8D%8E%"
        "8F%90%91%92%93%94%95%96%97%98%99%9A%9B%9C%9D%9E%9F%A0%A1%A2%A3%A4%A5%A6%A7%A8%A9%AA%AB%AC%AD%AE%"
        "AF%B0%B1%B2%B3%B4%B5%B6%B7%B8%B9%BA%BB%BC%BD%BE%BF%C0%C1%C2%C3%C4%C5%C6%C7%C8%C9%CA%CB%CC%CD%CE%"
        "CF%D0%D1%D2%D3%D4%D5%D6%D7%D8%D9%DA%DB%DC%DD%DE%DF%E0%E1%E2%E3%E4%E5%E6%E7%E8%E9%EA%EB%EC%ED%EE%"
        "EF%F0%F1%F2%F3%F4%F5%F6%F7%F8%F9%FA%FB%FC%FD%FE%FF";
    EXPECT_EQ(Sys::_url_encode_rfc2396_a(all).std(), rfc);
    EXPECT_EQ(Sys::_encodeURIComponent(all).std(), rfc);
    EXPECT_EQ(Sys::_encodeURI(all).std(),
        "%00%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F%10%11%12%13%14%15%16%17%18%19%1A%1B%1C%1D%1E%1F"
        "%20!%22#$%25&'()*+,-./0123456789:;%3C=%3E?@ABCDEFGHIJKLMNOPQRSTUVWXYZ%5B%5C%5D%5E_%60abcdefghijk"
        "lmnopqrstuvwxyz%7B%7C%7D~%7F%80%81%82%83%84%85%86%87%88%89%8A%8B%8C%8D%8E%8F%90%91%92%93%94%95%9"
        "6%97%98%99%9A%9B%9C%9D%9E%9F%A0%A1%A2%A3%A4%A5%A6%A7%A8%A9%AA%AB%AC%AD%AE%AF%B0%B1%B2%B3%B4%B5%B"
        "6%B7%B8%B9%BA%BB%BC%BD%BE%BF%C0%C1%C2%C3%C4%C5%C6%C7%C8%C9%CA%CB%CC%CD%CE%CF%D0%D1%D2%D3%D4%D5%D"
        "6%D7%D8%D9%DA%DB%DC%DD%DE%DF%E0%E1%E2%E3%E4%E5%E6%E7%E8%E9%EA%EB%EC%ED%EE%EF%F0%F1%F2%F3%F4%F5%F"
        "6%F7%F8%F9%FA%FB%FC%FD%FE%FF");
}

TEST(UrlEncode, SmallCases)
{
    EXPECT_EQ(Sys::_url_encode_a(C_String("a b@~"), 0).std(), "a+b@~");
    EXPECT_EQ(Sys::_url_encode_a(C_String("a b@~"), 1).std(), "a%20b@~");
    EXPECT_EQ(Sys::_encodeURI(C_String("/?&=")).std(), "/?&=");
    EXPECT_EQ(Sys::_encodeURIComponent(C_String("/?&=")).std(), "%2F%3F%26%3D");
    EXPECT_TRUE(Sys::_url_encode_a(C_String(), 0).IsEmpty());
}

TEST(UrlDecode, EscapesPlusAndBrokenPercent)
{
    EXPECT_EQ(Sys::_url_decode_a(C_String("%41%4a%4A+x")).std(), "AJJ x");
    // Fewer than two characters after '%', or characters that are not hexadecimal: copied.
    EXPECT_EQ(Sys::_url_decode_a(C_String("100%")).std(), "100%");
    EXPECT_EQ(Sys::_url_decode_a(C_String("%4")).std(), "%4");
    EXPECT_EQ(Sys::_url_decode_a(C_String("%zz%g1%1g")).std(), "%zz%g1%1g");
    EXPECT_EQ(Sys::_url_decode_a(C_String("a%00b")).std(), std::string("a\0b", 3));
    // Every byte survives a trip through each encoder.
    const C_String all = allBytes();
    EXPECT_EQ(Sys::_url_decode_a(Sys::_url_encode_a(all, 0)).std(), all.std());
    EXPECT_EQ(Sys::_url_decode_a(Sys::_url_encode_rfc2396_a(all)).std(), all.std());
}

TEST(UrlWide, GoesThroughTheCodePage)
{
    // 表 is 95 5C in CP932: its trail byte is escaped like any other byte.
    EXPECT_EQ(Sys::url_encode(C_WString(u"\u8868 a")).std(), u"%95%5C+a");
    EXPECT_EQ(Sys::url_rawencode(C_WString(u"\u8868 a")).std(), u"%95%5C%20a");
    EXPECT_EQ(Sys::_url_encode_w(C_WString(u"~ "), 0).std(), u"~+");
    EXPECT_EQ(Sys::url_encode_rfc2396(C_WString(u"(\u30BD)")).std(), u"(%83%5C)");
    EXPECT_EQ(Sys::_url_encode_rfc2396_w(C_WString(u"@")).std(), u"%40");
    EXPECT_EQ(Sys::url_decode(C_WString(u"%95%5C+%83%7C")).std(), u"\u8868 \u30DD");
    EXPECT_EQ(Sys::_url_decode_w(C_WString(u"%41")).std(), u"A");
}
