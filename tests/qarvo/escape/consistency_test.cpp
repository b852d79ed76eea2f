// The byte-level escapers must agree with the wide ones on any Shift_JIS text: escaping the
// bytes and then widening gives the same as widening and then escaping. The texts are random
// mixtures of the special ASCII characters and of CP932 characters whose trail byte is '\' or
// '|' (checked with Python's "cp932" codec), the case a byte-by-byte walk gets wrong.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/markup.h"
#include "qarvo/escape/winname.h"

using namespace qarvo;
namespace Sys = qarvo::common::System;

namespace {

// 表 ソ ポ 予 十 能 申 － 掛 翻, half-width ｱ, あ, and ASCII that matters to the escapers.
const char* const kPieces[] = {
    "\x95\x5C", "\x83\x5C", "\x83\x7C", "\x97\x5C", "\x8F\x5C", "\x94\x5C", "\x90\x5C", "\x81\x7C", "\x8A\x7C",
    "\x96\x7C", "\xB1",     "\x82\xA0", "a",        "<",        ">",        "&",        "\"",       "'",
    "\\",       "|",        "/",        ":",        "*",        "?",        "\t",       " ",
};

C_String randomShiftJis(std::mt19937& rng)
{
    std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    std::string text;
    for (int n = length(rng); n > 0; --n)
        text += kPieces[pick(rng)];
    return C_String(text);
}

}  // namespace

TEST(EscapeConsistency, ShiftJisEscapersAgreeWithWideOnes)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    for (int round = 0; round < 2000; ++round) {
        const C_String sjis = randomShiftJis(rng);
        const C_WString wide = Sys::sjis_to_utf16(sjis);
        ASSERT_EQ(Sys::sjis_to_utf16(Sys::_to_create_winname_a(sjis)).std(), Sys::_to_create_winname_w(wide).std())
            << "seed " << seed << " round " << round;
        for (int style = 0; style < 4; ++style)
            ASSERT_EQ(Sys::sjis_to_utf16(Sys::_htmlspecialchars_a(sjis, style)).std(),
                      Sys::_htmlspecialchars_w(wide, style).std())
                << "seed " << seed << " round " << round << " style " << style;
        // Decoding what was encoded gives the text back.
        ASSERT_EQ(Sys::_htmlspecialchars_decode_a(Sys::_htmlspecialchars_a(sjis, 2)).std(), sjis.std())
            << "seed " << seed << " round " << round;
        // The same text in UTF-8 through the charset wrapper.
        const C_String utf8 = Sys::utf16_to_utf8(wide);
        ASSERT_EQ(Sys::utf8_to_utf16(Sys::xmlspecialchars(utf8, "UTF-8")).std(),
                  Sys::sjis_to_utf16(Sys::xmlspecialchars(sjis, "SJIS")).std())
            << "seed " << seed << " round " << round;
    }
}

TEST(EscapeConsistency, RandomBytesNeverBreakTheConverters)
{
    // Arbitrary bytes: the UTF-8 decoder yields well-formed UTF-16, which then survives a
    // round trip unchanged; nothing reads outside its input (the sanitizer build checks).
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 64);
    for (int round = 0; round < 2000; ++round) {
        std::string raw;
        for (int n = length(rng); n > 0; --n)
            raw.push_back(static_cast<char>(byte(rng)));
        const C_String text(raw);
        const C_WString wide = Sys::utf8_to_utf16(text);
        ASSERT_EQ(Sys::utf8_to_utf16(Sys::utf16_to_utf8(wide)).std(), wide.std()) << "seed " << seed;
        Sys::to_create_winname(text, "JIS");
        Sys::to_create_winname(text, "EUC");
        Sys::htmlspecialchars(text, 0, "UTF-16");
        Sys::htmlspecialchars_decode(text, "SJIS");
        CharCode::jis_to_sjis(CharCode::sjis_to_jis(text, 1));
        CharCode::sjis_to_euc(CharCode::euc_to_sjis(text));
    }
}
