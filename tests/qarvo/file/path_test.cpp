#include "qarvo/file/path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "qarvo/file/path_encoding.h"
#include "tests/qarvo/support/temp_dir.h"

using qarvo::C_String;
using qarvo::C_WString;

TEST(Path, LastNameAfterEitherSeparator)
{
    EXPECT_EQ(qarvo::qarvo_GetLastName(C_WString(u"a/b\\c.txt")), u"c.txt");
    EXPECT_EQ(qarvo::qarvo_GetLastName(C_WString(u"a\\b/c")), u"c");
    EXPECT_EQ(qarvo::qarvo_GetLastName(C_WString(u"plain")), u"plain");
    EXPECT_EQ(qarvo::qarvo_GetLastName(C_WString(u"dir/")), u"");
    EXPECT_EQ(qarvo::qarvo_GetLastNameA(C_String("dll\\Pelmora2.dll")), "Pelmora2.dll");
    EXPECT_EQ(qarvo::qarvo_GetLastNameA(C_String("")), "");
}

TEST(Path, ParentAndJoin)
{
    EXPECT_EQ(qarvo::qarvo_GetParentPath(C_WString(u"/a/b")), u"/a");
    EXPECT_EQ(qarvo::qarvo_GetParentPath(C_WString(u"/a")), u"/");
    EXPECT_EQ(qarvo::qarvo_GetParentPath(C_WString(u"a")), u"");
    EXPECT_EQ(qarvo::qarvo_JoinPath(C_WString(u"a"), C_WString(u"b")), u"a/b");
    EXPECT_EQ(qarvo::qarvo_JoinPath(C_WString(u"a\\"), C_WString(u"b")), u"a\\b");
    EXPECT_EQ(qarvo::qarvo_JoinPath(C_WString(), C_WString(u"b")), u"b");
}

TEST(Path, CreateDirectoryTellsWhetherItMadeIt)
{
    qarvo_test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    const C_WString lock = dir.wfile("_lock_Trace.trc");
    EXPECT_NE(qarvo::qarvo_CreateDirectory(lock, 0777), 0);
    // The second creation fails: this is what makes it usable as a lock.
    EXPECT_EQ(qarvo::qarvo_CreateDirectory(lock, 0777), 0);
    EXPECT_TRUE(qarvo::qarvo_DirectoryExists(lock));
    EXPECT_TRUE(qarvo::qarvo_FileExists(lock));
    EXPECT_NE(qarvo::qarvo_RemoveDirectory(lock), 0);
    EXPECT_FALSE(qarvo::qarvo_FileExists(lock));
    EXPECT_EQ(qarvo::qarvo_CreateDirectory(dir.wfile("no/such/parent"), 0777), 0);
}

TEST(Path, ProcessPlaces)
{
    const C_WString exeDir = qarvo::qarvo_GetExecutableDirectory();
    const auto expected = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(exeDir, C_String(expected).ToByteWString());
    EXPECT_EQ(qarvo::qarvo_GetCurrentDirectory(), C_String(std::filesystem::current_path().string()).ToByteWString());
}

TEST(PathEncoding, Utf16AndStrayBytesRoundTrip)
{
    std::string bytes;
    // U+3042 and U+1F600 (a surrogate pair) in UTF-8, then two stray bytes.
    ASSERT_TRUE(qarvo::PathToUtf8(C_WString(u"\u3042\U0001F600"), &bytes));
    EXPECT_EQ(bytes, "\xE3\x81\x82\xF0\x9F\x98\x80");
    const std::string stray = "a\x83\x65\xFF\xC0\xAF";
    const C_WString wide = qarvo::PathFromUtf8(stray);
    EXPECT_EQ(wide.Length(), 6);
    ASSERT_TRUE(qarvo::PathToUtf8(wide, &bytes));
    EXPECT_EQ(bytes, stray);
    // A lone surrogate that is no escaped byte becomes U+FFFD.
    ASSERT_TRUE(qarvo::PathToUtf8(C_WString(u"\xD800x"), &bytes));
    EXPECT_EQ(bytes, "\xEF\xBF\xBDx");
}
