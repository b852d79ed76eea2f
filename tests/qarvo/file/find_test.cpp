#include "qarvo/file/find.h"
#include "qarvo/file/file_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "tests/qarvo/support/temp_dir.h"

using qarvo::C_Find;
using qarvo::C_WString;
using qarvo::tag_FindInfo;
using qarvo_test::TempDir;
using qarvo_test::WriteBytes;

namespace {

class FindTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }

    std::set<std::u16string> names(C_Find& find)
    {
        std::set<std::u16string> out;
        tag_FindInfo info;
        for (int ok = find.GetFindInfoFirst(&info); ok; ok = find.GetFindInfoNext(&info))
            out.insert(info.name.std());
        return out;
    }

    TempDir dir;
};

}  // namespace

TEST_F(FindTest, FolderWithOnlyDotEntriesGivesOneAndNoEntries)
{
    C_Find find;
    EXPECT_EQ(find.Start(dir.wpath() + u"/*"), 1);
    EXPECT_EQ(find.GetFindCount(), 0);
    tag_FindInfo info;
    EXPECT_EQ(find.GetFindInfoFirst(&info), 0);
    find.Clear();
    // A pattern that even "." and ".." do not match finds nothing at all.
    EXPECT_EQ(find.Start(dir.wpath() + u"/*.txt"), 0);
}

TEST_F(FindTest, PatternsSelectByName)
{
    WriteBytes(dir.file("a.txt"), "1");
    WriteBytes(dir.file("b.txt"), "22");
    WriteBytes(dir.file("c.log"), "333");
    WriteBytes(dir.file("user@nicovideo[1].txt"), "c");
    WriteBytes(dir.file("user@nicovideo"), "c");
    WriteBytes(dir.file("user@other.txt"), "c");
    C_Find find;
    ASSERT_EQ(find.Start(dir.wpath() + u"/*.txt"), 1);
    EXPECT_EQ(names(find), (std::set<std::u16string>{u"a.txt", u"b.txt", u"user@nicovideo[1].txt", u"user@other.txt"}));
    find.Clear();
    // "*.*" also stands for names without an extension, as the cookie lookup relies on.
    ASSERT_EQ(find.Start(dir.wpath() + u"/user@nicovideo*.*"), 1);
    EXPECT_EQ(names(find), (std::set<std::u16string>{u"user@nicovideo[1].txt", u"user@nicovideo"}));
    find.Clear();
    ASSERT_EQ(find.Start(dir.wpath() + u"/?.log"), 1);
    EXPECT_EQ(names(find), (std::set<std::u16string>{u"c.log"}));
    find.Clear();
    EXPECT_EQ(find.Start(dir.wpath() + u"/*.none"), 0);
    EXPECT_EQ(find.GetFindCount(), 0);
}

TEST_F(FindTest, EntriesCarrySizeAndFolderAttribute)
{
    WriteBytes(dir.file("file"), "12345");
    std::filesystem::create_directory(dir.path() / "sub");
    C_Find find;
    ASSERT_EQ(find.Start(dir.wpath() + u"/*"), 1);
    ASSERT_EQ(find.GetFindCount(), 2);
    for (int i = 0; i < 2; ++i) {
        tag_FindInfo info;
        ASSERT_EQ(find.GetFindInfo(&info, i), 1);
        if (info.name == u"file") {
            EXPECT_EQ(info.size, 5);
            EXPECT_EQ(info.attributes & qarvo::FindAttribute::SubDir, 0u);
            EXPECT_GT(info.writeTime, 0);
        } else {
            EXPECT_EQ(info.name, u"sub");
            EXPECT_NE(info.attributes & qarvo::FindAttribute::SubDir, 0u);
        }
    }
    tag_FindInfo info;
    EXPECT_EQ(find.GetFindInfo(&info, 2), 0);
    EXPECT_EQ(find.GetFindInfo(&info, -1), 0);
}

TEST_F(FindTest, HeldListingMustBeClearedFirst)
{
    WriteBytes(dir.file("a.txt"), "1");
    C_Find find;
    ASSERT_EQ(find.Start(dir.wpath() + u"/*.txt"), 1);
    EXPECT_EQ(find.Start(dir.wpath() + u"/*"), 0);
    EXPECT_EQ(find.GetFindCount(), 1);
    find.Clear();
    EXPECT_EQ(find.Start(dir.wpath() + u"/*"), 1);
}

TEST_F(FindTest, BaseFolderIsUsedOnlyWhenAskedAndOnlyWhenEnterable)
{
    std::filesystem::create_directory(dir.path() / "base");
    WriteBytes(dir.file("base/in.txt"), "1");
    C_Find find;
    EXPECT_EQ(find.SetVtlDir(dir.wpath() + u"/nowhere"), 0);
    EXPECT_EQ(find.SetVtlDir(dir.wfile("base/in.txt")), 0);  // a file is not a folder
    EXPECT_TRUE(find.GetVtlDir().IsEmpty());
    const auto before = std::filesystem::current_path();
    ASSERT_EQ(find.SetVtlDir(dir.wfile("base")), 1);
    EXPECT_EQ(std::filesystem::current_path(), before);
    ASSERT_EQ(find.Start(C_WString(u"*.txt"), 1), 1);
    EXPECT_EQ(names(find), (std::set<std::u16string>{u"in.txt"}));
    find.Clear();
    // A base ending in a separator gets no second one.
    ASSERT_EQ(find.SetVtlDir(dir.wfile("base/")), 1);
    ASSERT_EQ(find.Start(C_WString(u"in.*"), 1), 1);
    EXPECT_EQ(find.GetFindCount(), 1);
}

TEST_F(FindTest, BackslashSeparatesLikeSlash)
{
    std::filesystem::create_directory(dir.path() / "sub");
    WriteBytes(dir.file("sub/x.txt"), "1");
    C_Find find;
    ASSERT_EQ(find.Start(dir.wpath() + u"\\sub\\*.txt"), 1);
    EXPECT_EQ(find.GetFindCount(), 1);
}

TEST_F(FindTest, MissingFolderOrEmptyNamePatternFindNothing)
{
    C_Find find;
    EXPECT_EQ(find.Start(dir.wpath() + u"/missing/*"), 0);
    EXPECT_EQ(find.Start(dir.wpath() + u"/"), 0);
    EXPECT_EQ(find.Start(C_WString()), 0);
}

TEST_F(FindTest, NonUtf8NamesRoundTripToOpen)
{
    // A name with a Shift_JIS byte pair that is not UTF-8.
    const std::string raw = "\x83\x65st.txt";
    WriteBytes(dir.file(raw), "data");
    C_Find find;
    ASSERT_EQ(find.Start(dir.wpath() + u"/*st.txt"), 1);
    tag_FindInfo info;
    ASSERT_EQ(find.GetFindInfoFirst(&info), 1);
    qarvo::C_BinaryMemory content;
    EXPECT_TRUE(qarvo::C_FileStream::ReadAll(dir.wpath() + u"/" + info.name, content));
    EXPECT_EQ(content.Length(), 4);
}
