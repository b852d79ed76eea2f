// Shift_JIS, JIS, EUC-JP and UTF-16 byte values were produced with Python 3's "cp932",
// "iso2022_jp", "euc_jp" and "utf-16-le" codecs while these tests were written; the escaped
// forms follow the entity tables by hand.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "qarvo/escape/markup.h"

using namespace qarvo;
namespace Sys = qarvo::common::System;

namespace {

template <size_t N>
C_String bytes(const char (&data)[N])
{
    return C_String(std::string(data, N - 1));
}

const std::string kShiftIn = "\x1B$B";

}  // namespace

TEST(MarkupEncode, QuoteStyles)
{
    const C_String text("x\"y'z");
    EXPECT_EQ(Sys::htmlspecialchars(text, 0, nullptr).std(), "x&quot;y'z");
    EXPECT_EQ(Sys::htmlspecialchars(text, 1, nullptr).std(), "x\"y'z");
    EXPECT_EQ(Sys::htmlspecialchars(text, 2, nullptr).std(), "x&quot;y&#039;z");
    EXPECT_EQ(Sys::htmlspecialchars(text, 3, nullptr).std(), "x\"y&#039;z");
    EXPECT_EQ(Sys::htmlspecialchars(C_String("<a href=\"x&y\">"), 0, "UTF-8").std(), "&lt;a href=&quot;x&amp;y&quot;&gt;");
    // Already escaped text is escaped again.
    EXPECT_EQ(Sys::_htmlspecialchars_a(C_String("&amp;")).std(), "&amp;amp;");
    EXPECT_EQ(Sys::xmlspecialchars(C_String("<'\"&>"), "SJIS").std(), "&lt;&apos;&quot;&amp;&gt;");
}

TEST(MarkupDecode, TablesAndSinglePass)
{
    EXPECT_EQ(Sys::htmlspecialchars_decode(C_String("&lt;b&gt; &quot;&#039;&amp;"), nullptr).std(), "<b> \"'&");
    EXPECT_EQ(Sys::htmlspecialchars_decode(C_String("&amp;lt;"), nullptr).std(), "&lt;");
    EXPECT_EQ(Sys::htmlspecialchars_decode(C_String("&apos;"), nullptr).std(), "&apos;");
    EXPECT_EQ(Sys::xmlspecialchars_decode(C_String("&apos;&#039;&lt;"), "UTF-8").std(), "'&#039;<");
    // Other numeric references, broken entities and a lone ampersand at the end stay.
    EXPECT_EQ(Sys::htmlspecialchars_decode(C_String("&#60;&lt&gt;&"), nullptr).std(), "&#60;&lt>&");
    EXPECT_EQ(Sys::_htmlspecialchars_decode_a(C_String("a&quot;")).std(), "a\"");
}

TEST(MarkupCharset, EmptyAndUnsupported)
{
    EXPECT_TRUE(Sys::htmlspecialchars_decode(C_String("&lt;"), "latin1").IsEmpty());
    EXPECT_TRUE(Sys::htmlspecialchars(C_String("<"), 0, "UTF-16BE").IsEmpty());
    EXPECT_TRUE(Sys::xmlspecialchars(C_String(), "UTF-8").IsEmpty());
    // A NUL inside the text is part of it.
    EXPECT_EQ(Sys::htmlspecialchars(C_String(std::string("a\0<", 3)), 0, nullptr).std(), std::string("a\0&lt;", 6));
}

TEST(MarkupCharset, ShiftJisCharactersAreCopiedWhole)
{
    // 表ソポ then '<': the trail bytes '\' and '|' are not special, '<' is.
    EXPECT_EQ(Sys::htmlspecialchars(bytes("\x95\x5C\x83\x5C\x83\x7C<"), 0, "CP932").std(), "\x95\x5C\x83\x5C\x83\x7C&lt;");
    // A lead byte that has no valid partner must not swallow the '<' after it.
    EXPECT_EQ(Sys::htmlspecialchars(bytes("\x95<"), 0, "SJIS").std(), "\x95&lt;");
    EXPECT_EQ(Sys::htmlspecialchars(bytes("a\x95"), 0, "SJIS").std(), "a\x95");
    // UTF-8: 表<
    EXPECT_EQ(Sys::htmlspecialchars(bytes("\xE8\xA1\xA8<"), 0, "UTF-8").std(), "\xE8\xA1\xA8&lt;");
}

TEST(MarkupCharset, JisPairsHoldingSpecialBytes)
{
    // ー is JIS 21 3C ('!<') and 熙 is 74 26 ('t&'): neither pair is markup. The ASCII '<'
    // after the shift-out is. The result is shifted out with ESC ( J.
    const C_String jis(kShiftIn + "\x21\x3C\x74\x26" + "\x1B(B" + "<");
    EXPECT_EQ(Sys::htmlspecialchars(jis, 0, "JIS").std(), kShiftIn + "\x21\x3C\x74\x26" + "\x1B(J" + "&lt;");
    // The fast form walks the shift states itself.
    C_StringMemory out;
    Sys::htmlspecialchars_fast(&out, jis.c_str(), 0, CharCode::JIS);
    EXPECT_EQ(out.std(), kShiftIn + "\x21\x3C\x74\x26" + "\x1B(B" + "&lt;");
}

TEST(MarkupCharset, EucAndUtf16)
{
    // 表<ｱ in EUC-JP: the half-width katakana keeps its single-shift byte.
    EXPECT_EQ(Sys::htmlspecialchars(bytes("\xC9\xBD<\x8E\xB1"), 0, "EUC").std(), "\xC9\xBD&lt;\x8E\xB1");
    // a<表 as raw UTF-16LE bytes.
    EXPECT_EQ(Sys::htmlspecialchars(bytes("a\0<\0\x68\x88"), 0, "UTF-16").std(),
              std::string("a\0&\0l\0t\0;\0\x68\x88", 12));
    EXPECT_EQ(Sys::htmlspecialchars_decode(bytes("&\0g\0t\0;\0"), "UTF16").std(), std::string(">\0", 2));
}

TEST(MarkupWide, EncodeAndDecode)
{
    // 表"😀' with the emoji as a surrogate pair, and an unpaired surrogate that is kept.
    const C_WString text(std::u16string(u"\u8868\"\U0001F600'") + char16_t(0xD800));
    EXPECT_EQ(Sys::_htmlspecialchars_w(text, 2).std(), std::u16string(u"\u8868&quot;\U0001F600&#039;") + char16_t(0xD800));
    EXPECT_EQ(Sys::_htmlspecialchars(C_WString(u"<&>"), 0).std(), u"&lt;&amp;&gt;");
    EXPECT_EQ(Sys::_htmlspecialchars_decode_w(C_WString(u"&lt;&amp;lt;&#039;&apos;")).std(), u"<&lt;'&apos;");
    EXPECT_EQ(Sys::_htmlspecialchars_decode(C_WString(u"&quot;")).std(), u"\"");
}

TEST(MarkupFast, AppendsAndReturnsLength)
{
    C_StringMemory out;
    out.Add("[");
    EXPECT_EQ(Sys::htmlspecialchars_fast(&out, "\x95\x5C<", 0, CharCode::SJIS), 7);
    EXPECT_EQ(out.std(), "[\x95\x5C&lt;");
    EXPECT_EQ(Sys::htmlspecialchars_decode_fast(&out, "&gt;"), 8);
    EXPECT_EQ(out.std(), "[\x95\x5C&lt;>");
    out.Clear();
    Sys::xmlspecialchars_fast(&out, "'", CharCode::UTF8);
    Sys::xmlspecialchars_decode_fast(&out, "&apos;");
    Sys::_htmlspecialchars_fast_a(&out, "'\"", 3);
    EXPECT_EQ(out.std(), "&apos;'&#039;\"");
    EXPECT_EQ(Sys::htmlspecialchars_fast(nullptr, "<", 0, CharCode::SJIS), 0);
    EXPECT_EQ(Sys::htmlspecialchars_fast(&out, nullptr, 0, CharCode::SJIS), out.Length());

    C_WStringMemory wide;
    EXPECT_EQ(Sys::_htmlspecialchars_fast_w(&wide, u"a<", 0), 5);
    EXPECT_EQ(Sys::_htmlspecialchars_decode_fast_w(&wide, u"&amp;"), 6);
    EXPECT_EQ(wide.std(), u"a&lt;&");
}

TEST(MarkupDecode, RealVideoInfoDescription)
{
    const std::filesystem::path file =
        std::filesystem::path(PELMORA_SOURCE_DIR) / "../shared/corpus/nicc__getvideoinfo_sample02.xml";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "corpus not present";
    std::ifstream in(file, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const C_String decoded = Sys::xmlspecialchars_decode(C_String(all.str()), "UTF-8");
    // The description carries escaped line breaks; once decoded they are markup again.
    EXPECT_EQ(all.str().find("<br />"), std::string::npos);
    EXPECT_NE(decoded.std().find("<br />"), std::string::npos);
    EXPECT_EQ(decoded.std().find("&lt;br"), std::string::npos);
}
