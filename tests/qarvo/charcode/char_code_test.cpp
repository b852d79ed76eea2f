// Shift_JIS, JIS (ISO-2022-JP) and EUC-JP byte values were produced with Python 3's "cp932",
// "iso2022_jp" and "euc_jp" codecs while these tests were written. Python closes a JIS run
// with ESC ( B; our converter closes it with ESC ( J, which the tests spell out.

#include <gtest/gtest.h>

#include <string>

#include "qarvo/charcode/char_code.h"

using namespace qarvo;

namespace {

template <size_t N>
C_String bytes(const char (&data)[N])
{
    return C_String(std::string(data, N - 1));
}

const std::string kShiftIn = "\x1B$B";
const std::string kShiftOut = "\x1B(J";

}  // namespace

TEST(CharCodeNames, EveryNameAndItsValue)
{
    const std::pair<const char*, int> table[] = {
        {"SJIS", 0},     {"SHIFT-JIS", 0}, {"SHIFT_JIS", 0}, {"CP932", 1},       {"EUC", 2},      {"JIS", 3},
        {"UTF-7", 4},    {"UTF7", 4},      {"UTF-8", 5},     {"UTF8", 5},        {"UTF-16", 6},   {"UTF16", 6},
        {"UTF-16BE", 7}, {"UTF16BE", 7},   {"UTF-16LE", 8},  {"UTF16LE", 8},     {"UTF-32", 9},   {"UTF32", 9},
        {"UTF-32BE", 10}, {"UTF32BE", 10}, {"UTF-32LE", 11}, {"UTF32LE", 11},    {"ISO-2022-JP", 12},
    };
    for (const auto& [name, value] : table) {
        EXPECT_EQ(CharCode::getCharType(name), value) << name;
        C_String lower(name);
        lower.ToLower();
        EXPECT_EQ(CharCode::getCharType(lower), value) << lower.c_str();
    }
    EXPECT_EQ(CharCode::getCharType("Shift_Jis"), 0);
    EXPECT_EQ(CharCode::getCharType("latin1"), -1);
    EXPECT_EQ(CharCode::getCharType(""), -1);
    EXPECT_EQ(CharCode::getCharType("UTF-8 "), -1);
}

TEST(CharCodeNames, FirstNameOfEachValue)
{
    const char* first[] = {"SJIS",   "CP932",  "EUC",      "JIS",      "UTF-7",    "UTF-8",      "UTF-16",
                           "UTF-16BE", "UTF-16LE", "UTF-32", "UTF-32BE", "UTF-32LE", "ISO-2022-JP"};
    for (int v = 0; v < 13; ++v)
        EXPECT_STREQ(CharCode::getCharTypeString(static_cast<CharCode::CHAR_TYPE>(v)), first[v]);
    EXPECT_EQ(CharCode::getCharTypeString(CharCode::UNKNOWN), nullptr);
    EXPECT_EQ(CharCode::getCharTypeString(static_cast<CharCode::CHAR_TYPE>(13)), nullptr);
}

TEST(CharCodeBytes, CharacterLengths)
{
    EXPECT_EQ(CharCode::sjis_char_bytes_count(0x95), 2);
    EXPECT_EQ(CharCode::sjis_char_bytes_count(0xB1), 1);  // half-width katakana
    EXPECT_EQ(CharCode::sjis_char_bytes_count(static_cast<char>(0x95)), 2);  // a signed char
    EXPECT_EQ(CharCode::utf8_char_bytes_count(0x41), 1);
    EXPECT_EQ(CharCode::utf8_char_bytes_count(0xC3), 2);
    EXPECT_EQ(CharCode::utf8_char_bytes_count(0xE3), 3);
    EXPECT_EQ(CharCode::utf8_char_bytes_count(0xF0), 4);
    EXPECT_EQ(CharCode::utf8_char_bytes_count(0x80), 1);
    EXPECT_EQ(CharCode::utf8_char_bytes_count(static_cast<char>(0xE3)), 3);
}

TEST(JisArithmetic, KnownCharacters)
{
    // character: CP932 code, JIS X 0208 code
    const std::pair<int, int> pairs[] = {
        {0x955C, 0x493D},  // 表
        {0x835C, 0x253D},  // ソ
        {0x837C, 0x255D},  // ポ
        {0x8140, 0x2121},  // ideographic space
        {0x815B, 0x213C},  // ー
        {0x889F, 0x3021},  // 亜
        {0x9872, 0x4F53},  // 腕, last of level 1
        {0x989F, 0x5021},  // 弌, first of level 2
        {0xEAA4, 0x7426},  // 熙, last of level 2
    };
    for (const auto& [sjis, jis] : pairs) {
        EXPECT_EQ(CharCode::sjis_to_jis_char(sjis >> 8, sjis & 0xFF), jis) << std::hex << sjis;
        EXPECT_EQ(CharCode::jis_to_sjis_char(jis >> 8, jis & 0xFF), sjis) << std::hex << jis;
    }
}

TEST(JisArithmetic, EveryJisCodeMapsToAShiftJisPairAndBack)
{
    for (int first = 0x21; first <= 0x7E; ++first) {
        for (int second = 0x21; second <= 0x7E; ++second) {
            const int sjis = CharCode::jis_to_sjis_char(first, second);
            ASSERT_TRUE(CharCode::is_sjis_kanji(sjis >> 8)) << std::hex << first << " " << second;
            ASSERT_TRUE(CharCode::is_sjis_kanji2(sjis & 0xFF)) << std::hex << first << " " << second;
            ASSERT_EQ(CharCode::sjis_to_jis_char(sjis >> 8, sjis & 0xFF), (first << 8) | second);
        }
    }
}

TEST(JisText, ShiftJisToJis)
{
    // aあいb: one shift-in before the run of two, one shift-out after it.
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("a\x82\xA0\x82\xA2" "b"), 0).std(), "a" + kShiftIn + "\x24\x22\x24\x24" + kShiftOut + "b");
    // Two runs: two shifts. A run at the very end is closed as well.
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("\x82\xA0x\x82\xA2"), 0).std(),
              kShiftIn + "\x24\x22" + kShiftOut + "x" + kShiftIn + "\x24\x24" + kShiftOut);
    // 表ソポ: the '\' and '|' trail bytes stay inside their characters.
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("\x95\x5C\x83\x5C\x83\x7C"), 0).std(), kShiftIn + "\x49\x3D\x25\x3D\x25\x5D" + kShiftOut);
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("a\r\nb"), 0).std(), "a\nb");
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("a\r\nb"), 1).std(), "a\r\nb");
    // Half-width katakana is copied; a lead byte with nothing to pair with is kept alone.
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("\xB1"), 0).std(), "\xB1");
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("a\x95"), 0).std(), "a\x95");
    EXPECT_EQ(CharCode::sjis_to_jis(bytes("\x95<"), 0).std(), "\x95<");
    EXPECT_TRUE(CharCode::sjis_to_jis(C_String(), 0).IsEmpty());
}

TEST(JisText, JisToShiftJis)
{
    EXPECT_EQ(CharCode::jis_to_sjis(C_String(kShiftIn + "\x24\x22\x24\x24" + "\x1B(B" + "b")).std(), "\x82\xA0\x82\xA2" "b");
    EXPECT_EQ(CharCode::jis_to_sjis(C_String("\x1B$@\x49\x3D" + kShiftOut)).std(), "\x95\x5C");
    // A bare line feed becomes CR LF, in either mode; CR LF stays as it is.
    EXPECT_EQ(CharCode::jis_to_sjis(C_String("a\nb\r\nc")).std(), "a\r\nb\r\nc");
    EXPECT_EQ(CharCode::jis_to_sjis(C_String(kShiftIn + "\x24\x22\n\x24\x24" + kShiftOut)).std(), "\x82\xA0\r\n\x82\xA2");
    // Outside double-byte mode the same bytes are plain ASCII.
    EXPECT_EQ(CharCode::jis_to_sjis(C_String("\x24\x22")).std(), "\x24\x22");
    // A half pair at the end is kept, not read past.
    EXPECT_EQ(CharCode::jis_to_sjis(C_String(kShiftIn + "\x24")).std(), "\x24");
}

TEST(JisText, RoundTripKeepsText)
{
    // 表ソポ、亜腕弌熙ー with ASCII and half-width katakana between.
    const C_String sjis = bytes("\x95\x5C\x83\x5C\x83\x7C" "a\x81\x41\x88\x9F\x98\x72" " \xB1 " "\x98\x9F\xEA\xA4\x81\x5B");
    EXPECT_EQ(CharCode::jis_to_sjis(CharCode::sjis_to_jis(sjis, 0)).std(), sjis.std());
}

TEST(EucText, ConvertsBothWays)
{
    // 表<ｱ熙 in EUC-JP and in CP932.
    const C_String euc = bytes("\xC9\xBD<\x8E\xB1\xF4\xA6");
    const C_String sjis = bytes("\x95\x5C<\xB1\xEA\xA4");
    EXPECT_EQ(CharCode::euc_to_sjis(euc).std(), sjis.std());
    EXPECT_EQ(CharCode::sjis_to_euc(sjis).std(), euc.std());
    // Broken input is copied, not merged with its neighbour.
    EXPECT_EQ(CharCode::euc_to_sjis(bytes("\xC9<")).std(), "\xC9<");
    EXPECT_EQ(CharCode::euc_to_sjis(bytes("\x8E<")).std(), "\x8E<");
    EXPECT_EQ(CharCode::euc_to_sjis(bytes("a\xC9")).std(), "a\xC9");
}
