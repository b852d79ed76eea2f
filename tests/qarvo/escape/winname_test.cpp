// The look-alikes' CP932 and UTF-8 bytes, and the CP932 / EUC-JP / JIS bytes of the sample
// characters, were produced with Python 3's "cp932", "utf-8", "euc_jp" and "iso2022_jp"
// codecs while these tests were written.

#include <gtest/gtest.h>

#include <string>

#include "qarvo/escape/winname.h"

using namespace qarvo;
namespace Sys = qarvo::common::System;

namespace {

template <size_t N>
C_String bytes(const char (&data)[N])
{
    return C_String(std::string(data, N - 1));
}

// The ten characters a file name may not hold, in the order of the replacement table.
const std::string kForbidden = "\"\\/*<>:?|\t";

}  // namespace

TEST(WinName, WideReplacesEveryForbiddenCharacter)
{
    EXPECT_EQ(Sys::_to_create_winname(C_WString(u"x:y/z")).std(), u"x\uFF1Ay\uFF0Fz");
    const std::u16string forbidden(kForbidden.begin(), kForbidden.end());
    EXPECT_EQ(Sys::_to_create_winname_w(C_WString(forbidden)).std(),
              u"\u201C\uFFE5\uFF0F\uFF0A\uFF1C\uFF1E\uFF1A\uFF1F\uFF5C\u3000");
    // Everything else, surrogate pairs included, is kept.
    EXPECT_EQ(Sys::_to_create_winname_w(C_WString(u"a.b \U0001F600")).std(), u"a.b \U0001F600");
}

TEST(WinName, ShiftJisLookAlikes)
{
    EXPECT_EQ(Sys::_to_create_winname_a(C_String(kForbidden)).std(),
              "\x81\x67\x81\x8F\x81\x5E\x81\x96\x81\x83\x81\x84\x81\x46\x81\x48\x81\x62\x81\x40");
    EXPECT_TRUE(Sys::_to_create_winname_a(C_String()).IsEmpty());
}

TEST(WinName, ShiftJisTrailBytesAreNotPathCharacters)
{
    // 表ソポ: trail bytes '\', '\', '|'. Nothing to replace.
    const C_String names = bytes("\x95\x5C\x83\x5C\x83\x7C");
    EXPECT_EQ(Sys::_to_create_winname_a(names).std(), names.std());
    EXPECT_EQ(Sys::to_create_winname(names, "CP932").std(), names.std());
    // The same characters next to real ones: 表\ポ| becomes 表￥ポ｜.
    EXPECT_EQ(Sys::_to_create_winname_a(bytes("\x95\x5C\\\x83\x7C|")).std(), "\x95\x5C\x81\x8F\x83\x7C\x81\x62");
    // A lead byte that cannot pair with ':' does not hide it; one at the end is kept.
    EXPECT_EQ(Sys::_to_create_winname_a(bytes("\x95:")).std(), "\x95\x81\x46");
    EXPECT_EQ(Sys::_to_create_winname_a(bytes("a\x95")).std(), "a\x95");
}

TEST(WinName, OtherCharsets)
{
    // UTF-8: 表:? with the look-alikes in UTF-8.
    EXPECT_EQ(Sys::to_create_winname(bytes("\xE8\xA1\xA8:?"), "UTF-8").std(), "\xE8\xA1\xA8\xEF\xBC\x9A\xEF\xBC\x9F");
    // EUC-JP: 表/ gives 表／ (EUC A1 BF).
    EXPECT_EQ(Sys::to_create_winname(bytes("\xC9\xBD/"), "EUC").std(), "\xC9\xBD\xA1\xBF");
    // JIS: 移 is 30 5C and 淫 is 30 7C; only the ASCII '|' after the shift-out is replaced,
    // by ｜ (JIS 21 43), which joins the run of double-byte characters before it.
    const std::string in = "\x1B$B\x30\x5C\x30\x7C\x1B(B|";
    EXPECT_EQ(Sys::to_create_winname(C_String(in), "JIS").std(), "\x1B$B\x30\x5C\x30\x7C\x21\x43\x1B(J");
    EXPECT_TRUE(Sys::to_create_winname(C_String("a"), "UTF-32").IsEmpty());
}
