// The rules both settings-file classes share, run against each: the wide one stores UTF-16LE,
// the 8-bit one bytes. Expected file contents are written by hand from the format rules.
#include "qarvo/ini/ini_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

#include "tests/qarvo/support/temp_dir.h"

using qarvo::C_IniFile;
using qarvo::C_WIniFile;
using qarvo::C_WString;
using qarvo_test::ReadBytes;
using qarvo_test::TempDir;
using qarvo_test::WriteBytes;

namespace {

template <class Ini>
struct Encoding;

template <>
struct Encoding<C_WIniFile> {
    using Str = qarvo::C_WString;
    static Str text(const std::string& ascii) { return qarvo::C_String(ascii).ToByteWString(); }
    static std::string bytes(const std::string& ascii)
    {
        return qarvo_test::Utf16le(qarvo::C_String(ascii).ToByteWString().std());
    }
};

template <>
struct Encoding<C_IniFile> {
    using Str = qarvo::C_String;
    static Str text(const std::string& ascii) { return Str(ascii); }
    static std::string bytes(const std::string& ascii) { return ascii; }
};

template <class Ini>
class IniFileTest : public ::testing::Test {
protected:
    using E = Encoding<Ini>;
    using Str = typename E::Str;

    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    // Writes `ascii` (encoded) as the file and opens it.
    std::unique_ptr<Ini> openWith(const std::string& ascii)
    {
        WriteBytes(path(), E::bytes(ascii));
        auto ini = std::make_unique<Ini>(wpath());
        EXPECT_TRUE(ini->IsOpen());
        return ini;
    }
    std::string path() const { return dir.file("init.ini"); }
    C_WString wpath() const { return dir.wfile("init.ini"); }
    std::string content() const { return ReadBytes(path()); }
    static Str S(const std::string& ascii) { return E::text(ascii); }
    static std::string B(const std::string& ascii) { return E::bytes(ascii); }

    TempDir dir;
};

using IniTypes = ::testing::Types<C_WIniFile, C_IniFile>;
TYPED_TEST_SUITE(IniFileTest, IniTypes);

}  // namespace

TYPED_TEST(IniFileTest, OpenCreatesAMissingFile)
{
    TypeParam ini(this->wpath());
    EXPECT_TRUE(ini.IsOpen());
    EXPECT_EQ(ini.GetIniName(), this->wpath());
    EXPECT_EQ(this->content(), "");
    EXPECT_GT(ini.GetLastModified().GetTime(), 0);
}

TYPED_TEST(IniFileTest, NewKeyAfterALastLineWithoutBreakStartsOnItsOwnLine)
{
    auto ini = this->openWith("a = 1");
    ASSERT_EQ(ini->SetStr(this->S("b"), this->S("2")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 1\r\nb = 2\r\n"));
    // Into an empty file: no leading break.
    ini->ClearAll();
    ASSERT_EQ(ini->SetStr(this->S("c"), 3), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("c = 3\r\n"));
}

TYPED_TEST(IniFileTest, LongerValueKeepsTheFollowingLinesAndGrowsByItsBytes)
{
    auto ini = this->openWith("a = 1\r\nb = 2\r\nc = 3\r\n");
    const size_t before = this->content().size();
    ASSERT_EQ(ini->SetStr(this->S("a"), this->S("123")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 123\r\nb = 2\r\nc = 3\r\n"));
    EXPECT_EQ(this->content().size() - before, 2 * sizeof(typename TestFixture::Str::Char));
    // And shorter again: the file shrinks, nothing is left behind at the end.
    ASSERT_EQ(ini->SetStr(this->S("b"), this->S("")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 123\r\nb = \r\nc = 3\r\n"));
    EXPECT_EQ(ini->GetInt(this->S("b")), -1);  // an empty value reads as absent
}

TYPED_TEST(IniFileTest, DeletingLeavesNoEmptyLine)
{
    auto ini = this->openWith("a = 1\r\nb = 2\r\nc = 3\r\n");
    ASSERT_EQ(ini->DeleteStr(this->S("b")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 1\r\nc = 3\r\n"));
    ASSERT_EQ(ini->DeleteStr(this->S("c")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 1\r\n"));
    ASSERT_EQ(ini->DeleteStr(this->S("a")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), "");
}

TYPED_TEST(IniFileTest, DeletingALastLineWithoutBreak)
{
    auto ini = this->openWith("a = 1\r\nb = 2");
    ASSERT_EQ(ini->DeleteStr(this->S("b")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 1\r\n"));
}

TYPED_TEST(IniFileTest, CommentsNeverMatchAndSpacingIsFree)
{
    auto ini = this->openWith("#a = 1\r\n a = 2\r\na=3\r\nb   ==  x y \nc 4\r\n");
    EXPECT_EQ(ini->GetStr(this->S("a")), this->S("3"));
    EXPECT_EQ(ini->GetStr(this->S("b")), this->S("x y "));
    // No "=": not an entry.
    EXPECT_EQ(ini->IsExistStr(this->S("c")), 0);
    EXPECT_EQ(ini->IsExistStr(this->S("#a")), 0);
    // Case matters.
    EXPECT_EQ(ini->IsExistStr(this->S("A")), 0);
}

TYPED_TEST(IniFileTest, EmptyValueLineIsSkippedForALaterOne)
{
    auto ini = this->openWith("k =\r\nk = 5\r\n");
    EXPECT_EQ(ini->GetInt(this->S("k")), 5);
    // A write replaces the line that counts, not the empty one.
    ASSERT_EQ(ini->SetStr(this->S("k"), 6), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("k =\r\nk = 6\r\n"));
}

TYPED_TEST(IniFileTest, GetIntRules)
{
    auto ini = this->openWith("n = 42abc\r\nm = -7\r\nz = x\r\n");
    EXPECT_EQ(ini->GetInt(this->S("n")), 42);
    EXPECT_EQ(ini->GetInt(this->S("m")), -7);
    EXPECT_EQ(ini->GetInt(this->S("z")), 0);
    EXPECT_FALSE(ini->IsLastError());
    EXPECT_EQ(ini->GetInt(this->S("absent")), -1);
    EXPECT_TRUE(ini->IsLastError());
    // GetInt clears the flag before it looks.
    EXPECT_EQ(ini->GetInt(this->S("n")), 42);
    EXPECT_FALSE(ini->IsLastError());
    // GetStr does not: the flag stays until cleared.
    ini->GetStr(this->S("absent"));
    ini->GetStr(this->S("n"));
    EXPECT_TRUE(ini->IsLastError());
    ini->ClearLastError();
    EXPECT_FALSE(ini->IsLastError());
}

TYPED_TEST(IniFileTest, PendingWriteIsSeenBeforeCommit)
{
    auto ini = this->openWith("a = 1\r\n");
    ASSERT_EQ(ini->SetStr(this->S("a"), this->S("9")), 1);
    EXPECT_TRUE(ini->IsCommit());
    EXPECT_EQ(ini->GetStr(this->S("a")), this->S("9"));
    ASSERT_EQ(ini->SetStr(this->S("new"), this->S("x")), 1);  // commits the first
    EXPECT_EQ(this->content(), this->B("a = 9\r\n"));
    EXPECT_EQ(ini->GetStr(this->S("new")), this->S("x"));
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_FALSE(ini->IsCommit());
    EXPECT_EQ(this->content(), this->B("a = 9\r\nnew = x\r\n"));
    // Nothing pending: commit says so.
    EXPECT_EQ(ini->Commit(), 0);
    EXPECT_TRUE(ini->IsLastError());
}

TYPED_TEST(IniFileTest, PendingDeletesHideKeys)
{
    auto ini = this->openWith("a = 1\r\nb = 2\r\n");
    ASSERT_EQ(ini->DeleteStr(this->S("a")), 1);
    EXPECT_EQ(ini->IsExistStr(this->S("a")), 0);
    EXPECT_EQ(ini->IsExistStr(this->S("b")), 1);
    ASSERT_EQ(ini->DeleteAllStr(), 1);  // commits the delete of "a" first
    EXPECT_EQ(this->content(), this->B("b = 2\r\n"));
    EXPECT_EQ(ini->IsExistStr(this->S("b")), 0);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), "");
    EXPECT_EQ(ini->DeleteStr(this->S("b")), 0);
    EXPECT_TRUE(ini->IsLastError());
}

TYPED_TEST(IniFileTest, RollBackDropsThePendingChange)
{
    auto ini = this->openWith("a = 1\r\n");
    ASSERT_EQ(ini->SetStr(this->S("a"), this->S("2")), 1);
    EXPECT_EQ(ini->RollBack(), 1);
    EXPECT_EQ(ini->GetStr(this->S("a")), this->S("1"));
    EXPECT_EQ(ini->RollBack(), 0);
    EXPECT_TRUE(ini->IsLastError());
}

TYPED_TEST(IniFileTest, DestructionCommitsButCloseLoses)
{
    {
        auto ini = this->openWith("a = 1\r\n");
        ASSERT_EQ(ini->SetStr(this->S("a"), this->S("2")), 1);
        ini->Close();
    }
    EXPECT_EQ(this->content(), this->B("a = 1\r\n"));
    {
        TypeParam ini(this->wpath());
        ASSERT_EQ(ini.SetStr(this->S("a"), this->S("3")), 1);
    }
    EXPECT_EQ(this->content(), this->B("a = 3\r\n"));
}

TYPED_TEST(IniFileTest, ReopeningCommitsTheChangePendingOnTheOldFile)
{
    auto ini = this->openWith("a = 1\r\n");
    ASSERT_EQ(ini->SetStr(this->S("a"), this->S("2")), 1);
    ASSERT_EQ(ini->Open(this->dir.wfile("other.ini")), 1);
    EXPECT_EQ(this->content(), this->B("a = 2\r\n"));
    EXPECT_FALSE(ini->IsCommit());
}

TYPED_TEST(IniFileTest, WritesThatCouldNotBeReadBackAreRefused)
{
    auto ini = this->openWith("a = 1\r\n");
    const std::string before = this->content();
    EXPECT_EQ(ini->SetStr(this->S(""), this->S("x")), 0);
    EXPECT_EQ(ini->SetStr(this->S("two words"), this->S("x")), 0);
    EXPECT_EQ(ini->SetStr(this->S("k=v"), this->S("x")), 0);
    EXPECT_EQ(ini->SetStr(this->S("#c"), this->S("x")), 0);
    // At the file's start a key beginning with U+FEFF would read as the byte-order mark.
    if constexpr (std::is_same_v<TypeParam, C_WIniFile>) {
        EXPECT_EQ(ini->SetStr(C_WString(u"\uFEFFk"), this->S("x")), 0);
    }
    // A line break in a value would plant a second entry in the file.
    EXPECT_EQ(ini->SetStr(this->S("a"), this->S("2\r\nadmin = 1")), 0);
    EXPECT_TRUE(ini->IsLastError());
    EXPECT_FALSE(ini->IsCommit());
    EXPECT_EQ(this->content(), before);
    EXPECT_EQ(ini->GetStr(this->S("a")), this->S("1"));
}

TYPED_TEST(IniFileTest, ClosedFileRefusesEverything)
{
    TypeParam ini;
    EXPECT_FALSE(ini.IsOpen());
    EXPECT_EQ(ini.SetStr(this->S("a"), this->S("1")), 0);
    EXPECT_EQ(ini.GetStr(this->S("a")), this->S(""));
    EXPECT_EQ(ini.GetInt(this->S("a")), -1);
    EXPECT_EQ(ini.DeleteAllStr(), 0);
    EXPECT_EQ(ini.Lock(0), 1);
    EXPECT_TRUE(ini.IsLastError());
    // A folder cannot be opened as a settings file.
    EXPECT_EQ(ini.Open(this->dir.wpath()), 0);
}

TYPED_TEST(IniFileTest, NumberKeysUseTheirDecimalText)
{
    auto ini = this->openWith("");
    ASSERT_EQ(ini->SetStr(5, 7), 1);
    ASSERT_EQ(ini->SetStr(-1, this->S("neg")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("5 = 7\r\n-1 = neg\r\n"));
    EXPECT_EQ(ini->GetInt(5), 7);
    EXPECT_EQ(ini->GetStr(-1), this->S("neg"));
    EXPECT_EQ(ini->IsExistStr(6), 0);
    ASSERT_EQ(ini->DeleteStr(5), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("-1 = neg\r\n"));
}

TYPED_TEST(IniFileTest, CommitFindsItsLineAfterAnotherWriterMovedIt)
{
    auto ini = this->openWith("a = 1\r\nb = 2\r\n");
    ASSERT_EQ(ini->SetStr(this->S("b"), this->S("3")), 1);
    // Someone else (an editor, another process) inserts a line in front meanwhile.
    WriteBytes(this->path(), this->B("x = long value here\r\na = 1\r\nb = 2\r\n"));
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("x = long value here\r\na = 1\r\nb = 3\r\n"));
    // And removes the line a pending delete aimed at: nothing else is touched.
    ASSERT_EQ(ini->DeleteStr(this->S("a")), 1);
    WriteBytes(this->path(), this->B("x = 0\r\n"));
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("x = 0\r\n"));
}

TYPED_TEST(IniFileTest, LoneCarriageReturnsAndLineFeedsEndLines)
{
    auto ini = this->openWith("a = 1\rb = 2\nc = 3");
    EXPECT_EQ(ini->GetStr(this->S("b")), this->S("2"));
    EXPECT_EQ(ini->GetStr(this->S("c")), this->S("3"));
    ASSERT_EQ(ini->SetStr(this->S("b"), this->S("22")), 1);
    ASSERT_EQ(ini->Commit(), 1);
    EXPECT_EQ(this->content(), this->B("a = 1\rb = 22\nc = 3"));
}

TYPED_TEST(IniFileTest, LockIsExclusiveBetweenObjects)
{
    auto first = this->openWith("a = 1\r\n");
    TypeParam second(this->wpath());
    ASSERT_EQ(first->Lock(0), 0);
    EXPECT_TRUE(first->IsLocked());
    EXPECT_EQ(first->Lock(0), 3);
    EXPECT_EQ(second.Lock(0), 1);
    EXPECT_EQ(second.Lock(60), 2);
    EXPECT_FALSE(second.IsLocked());
    EXPECT_EQ(first->Unlock(), 1);
    EXPECT_EQ(first->Unlock(), 0);
    EXPECT_EQ(second.Lock(0), 0);
    // Destruction unlocks.
    second.Close();
    EXPECT_EQ(first->Lock(0), 0);
}
