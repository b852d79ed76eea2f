// Expected bytes and code units were produced with Python 3 (str.encode / bytes.decode with
// the "utf-8", "utf-16-le" and "cp932" codecs, errors="replace" for ill-formed UTF-8, which
// follows the Unicode maximal-subpart practice) while these tests were written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "qarvo/charcode/system_charcode.h"

using namespace qarvo;
namespace Sys = qarvo::common::System;

namespace {

C_String bytes(const char* data, size_t n) { return C_String(std::string(data, n)); }
template <size_t N>
C_String bytes(const char (&data)[N])
{
    return bytes(data, N - 1);
}

std::u16string units(std::initializer_list<char16_t> list) { return std::u16string(list); }

}  // namespace

TEST(Utf8Utf16, RoundTripsAsciiJapaneseAndEmoji)
{
    struct Case {
        C_String utf8;
        std::u16string utf16;
    } cases[] = {
        {bytes("Hello, world"), u"Hello, world"},
        // 日本語テキスト
        {bytes("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88"),
         units({0x65E5, 0x672C, 0x8A9E, 0x30C6, 0x30AD, 0x30B9, 0x30C8})},
        // U+1F600 needs a surrogate pair; U+10FFFF is the last code point.
        {bytes("a\xF0\x9F\x98\x80" "b"), units({u'a', 0xD83D, 0xDE00, u'b'})},
        {bytes("\xF4\x8F\xBF\xBF"), units({0xDBFF, 0xDFFF})},
        // Two-byte forms and the last code point before the surrogates.
        {bytes("\xC3\xA9\xED\x9F\xBF"), units({0x00E9, 0xD7FF})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sys::utf8_to_utf16(c.utf8).std(), c.utf16);
        EXPECT_EQ(Sys::utf16_to_utf8(C_WString(c.utf16)).std(), c.utf8.std());
        EXPECT_EQ(Sys::_utf8_to_utf16(c.utf8.c_str(), c.utf8.Length()).std(), c.utf16);
        EXPECT_EQ(Sys::_utf16_to_utf8(c.utf16.c_str(), static_cast<int>(c.utf16.size())).std(), c.utf8.std());
    }
}

TEST(Utf8Utf16, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart)
{
    constexpr char16_t R = 0xFFFD;
    struct Case {
        C_String in;
        std::u16string out;
    } cases[] = {
        // The example of the Unicode standard's chapter 3.
        {bytes("\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"), units({u'a', R, R, R, u'b', R, u'c', R, R, u'd'})},
        {bytes("\xC0\xAF"), units({R, R})},                  // overlong '/'
        {bytes("\xE0\x80\xAF"), units({R, R, R})},            // overlong, three bytes
        {bytes("\xF0\x80\x80\xAF"), units({R, R, R, R})},     // overlong, four bytes
        {bytes("\xED\xA0\x80"), units({R, R, R})},            // an encoded surrogate
        {bytes("\xF4\x90\x80\x80"), units({R, R, R, R})},     // above U+10FFFF
        {bytes("\xF5\xFF\xFE"), units({R, R, R})},            // bytes that never occur
        {bytes("\x80"), units({R})},                          // stray continuation byte
        {bytes("\xE3\x81"), units({R})},                      // truncated at the end
        {bytes("\xF0\x9F\x98"), units({R})},                  // truncated four-byte form
        {bytes("\xE3\x81" "A"), units({R, u'A'})},            // cut short by ASCII
        {bytes("a\0b"), units({u'a', 0, u'b'})},              // NUL is a character
    };
    for (const Case& c : cases)
        EXPECT_EQ(Sys::utf8_to_utf16(c.in).std(), c.out) << "input length " << c.in.Length();
}

TEST(Utf8Utf16, NonAsciiAtEveryOffsetAroundTheAsciiFastPath)
{
    // A multi-byte character, a truncated one and a stray byte placed at every offset of a
    // run of ASCII, so that each starts inside, at and past the eight-byte blocks.
    const std::string specimens[] = {"\xE3\x81\x82", "\xF0\x9F\x98\x80", "\xE3\x81", "\xBF"};
    const std::u16string decoded[] = {units({0x3042}), units({0xD83D, 0xDE00}), units({0xFFFD}), units({0xFFFD})};
    for (size_t s = 0; s < std::size(specimens); ++s) {
        for (size_t before = 0; before <= 17; ++before) {
            for (size_t after : {size_t(0), size_t(1), size_t(9)}) {
                const std::string in = std::string(before, 'x') + specimens[s] + std::string(after, 'y');
                const std::u16string want = std::u16string(before, u'x') + decoded[s] + std::u16string(after, u'y');
                EXPECT_EQ(Sys::utf8_to_utf16(C_String(in)).std(), want) << "specimen " << s << " at " << before;
            }
        }
    }
}

TEST(Utf8Utf16, UnpairedSurrogatesBecomeReplacementCharacter)
{
    // EF BF BD is U+FFFD in UTF-8.
    const std::string R = "\xEF\xBF\xBD";
    EXPECT_EQ(Sys::utf16_to_utf8(C_WString(units({0xD800}))).std(), R);
    EXPECT_EQ(Sys::utf16_to_utf8(C_WString(units({0xDC00, u'a'}))).std(), R + "a");
    EXPECT_EQ(Sys::utf16_to_utf8(C_WString(units({u'a', 0xD83D}))).std(), "a" + R);
    // A high surrogate followed by a complete pair: only the first is unpaired.
    EXPECT_EQ(Sys::utf16_to_utf8(C_WString(units({0xD83D, 0xD83D, 0xDE00}))).std(), R + "\xF0\x9F\x98\x80");
    // Two low surrogates in the wrong order are both unpaired.
    EXPECT_EQ(Sys::utf16_to_utf8(C_WString(units({0xDE00, 0xD83D}))).std(), R + R);
}

TEST(Utf8Utf16, LengthsNullsAndEmptyInput)
{
    EXPECT_TRUE(Sys::utf8_to_utf16(C_String()).IsEmpty());
    EXPECT_TRUE(Sys::utf16_to_utf8(C_WString()).IsEmpty());
    EXPECT_TRUE(Sys::_utf8_to_utf16(nullptr, 5).IsEmpty());
    EXPECT_TRUE(Sys::_utf16_to_utf8(nullptr, 5).IsEmpty());
    // A negative length reads up to the terminator; an explicit one reads past NULs.
    EXPECT_EQ(Sys::_utf8_to_utf16("ab\0cd", -1).std(), u"ab");
    EXPECT_EQ(Sys::_utf8_to_utf16("ab\0cd", 5).std(), std::u16string(u"ab\0cd", 5));
    EXPECT_EQ(Sys::_utf16_to_utf8(u"ab\0cd", 5).std(), std::string("ab\0cd", 5));
    EXPECT_EQ(Sys::_utf16_to_utf8(u"ab\0cd", -1).std(), "ab");
    // A length that cuts a sequence short does not read on.
    EXPECT_EQ(Sys::_utf8_to_utf16("\xE3\x81\x82", 2).std(), units({0xFFFD}));
    int detected = -1;
    EXPECT_EQ(Sys::utf8_to_auto(bytes("\xE3\x81\x82"), &detected).std(), units({0x3042}));
    EXPECT_EQ(detected, 5);
}

TEST(CodePage, ShiftJisWithBackslashAndBarTrailBytes)
{
    // 表ソポ in CP932: each trail byte is '\' or '|'.
    const C_String sjis = bytes("\x95\x5C\x83\x5C\x83\x7C");
    const std::u16string wide = units({0x8868, 0x30BD, 0x30DD});
    const std::string utf8 = "\xE8\xA1\xA8\xE3\x82\xBD\xE3\x83\x9D";

    EXPECT_EQ(Sys::sjis_to_utf16(sjis).std(), wide);
    EXPECT_EQ(Sys::utf16_to_sjis(C_WString(wide)).std(), sjis.std());
    EXPECT_EQ(Sys::sjis_to_utf8(sjis).std(), utf8);
    int usedDefault = -1;
    EXPECT_EQ(Sys::utf8_to_sjis(C_String(utf8), &usedDefault).std(), sjis.std());
    EXPECT_EQ(usedDefault, 0);
}

TEST(CodePage, ArrayAndCountedForms)
{
    // aあいb in CP932.
    const char sjis[] = "\x61\x82\xA0\x82\xA2\x62";
    const std::u16string wide = units({u'a', 0x3042, 0x3044, u'b'});

    int count = -1;
    std::unique_ptr<char16_t[]> w = Sys::sjis_to_utf16(sjis, 6, &count);
    ASSERT_TRUE(w);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(std::u16string(w.get()), wide);  // NUL-terminated

    count = -1;
    std::unique_ptr<char[]> s = Sys::utf16_to_sjis(wide.c_str(), 4, &count);
    ASSERT_TRUE(s);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(std::string(s.get()), std::string(sjis));

    C_WString out;
    EXPECT_EQ(Sys::sjis_to_utf16(reinterpret_cast<const unsigned char*>(sjis), 6u, &out), 4);
    EXPECT_EQ(out.std(), wide);

    // Nothing to convert: null, the count untouched.
    count = 7;
    EXPECT_FALSE(Sys::sjis_to_utf16(sjis, 0, &count));
    EXPECT_FALSE(Sys::utf16_to_sjis(nullptr, 3, &count));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(Sys::sjis_to_utf16(nullptr, 3u, &out), 0);
    EXPECT_EQ(Sys::sjis_to_utf16(reinterpret_cast<const unsigned char*>(sjis), 6u, nullptr), 0);
}

TEST(CodePage, CharactersTheCodePageLacksAndBrokenBytes)
{
    // é and U+1F600 have no CP932 form: '?' each, and the flag says so.
    int usedDefault = 0;
    EXPECT_EQ(Sys::utf8_to_sjis(bytes("\xC3\xA9x\xF0\x9F\x98\x80"), &usedDefault).std(), "?x?");
    EXPECT_EQ(usedDefault, 1);
    EXPECT_EQ(Sys::utf16_to_sjis(C_WString(units({0xD83D, 0xDE00}))).std().find_first_not_of('?'), std::string::npos);
    // A lead byte with nothing after it.
    EXPECT_EQ(Sys::sjis_to_utf16(bytes("a\x95")).std(), units({u'a', 0xFFFD}));
}

TEST(Utf8Utf16, RealCommentAnswerRoundTrips)
{
    // The corpus sits next to the repository and is not always there.
    const std::filesystem::path found =
        std::filesystem::path(PELMORA_SOURCE_DIR) / "../shared/corpus/danmaku2ass__test__issue-9-test.xml";
    if (!std::filesystem::exists(found))
        GTEST_SKIP() << "corpus not present";
    std::ifstream in(found, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const C_String utf8(all.str());
    const C_WString wide = Sys::utf8_to_utf16(utf8);
    // len(data.decode("utf-8").encode("utf-16-le")) // 2 in Python.
    EXPECT_EQ(wide.Length(), 27762);
    EXPECT_EQ(wide.std().find(u'\uFFFD'), std::u16string::npos);
    EXPECT_EQ(Sys::utf16_to_utf8(wide).std(), utf8.std());
}
