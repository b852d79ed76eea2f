// What only the UTF-16 settings file does.
#include <gtest/gtest.h>

#include "qarvo/ini/ini_file.h"
#include "tests/qarvo/support/temp_dir.h"

using qarvo::C_WIniFile;
using qarvo::C_WString;
using qarvo_test::ReadBytes;
using qarvo_test::Utf16le;
using qarvo_test::WriteBytes;

TEST(WideIniFile, JapaneseValuesRoundTripAsUtf16le)
{
    qarvo_test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    {
        C_WIniFile ini(dir.wfile("init.ini"));
        // "メイリオ": the font setting of the viewer.
        ASSERT_EQ(ini.SetStr(C_WString(u"font"), C_WString(u"\u30E1\u30A4\u30EA\u30AA")), 1);
    }
    // Bytes written by hand: each unit little-endian, no byte-order mark.
    EXPECT_EQ(ReadBytes(dir.file("init.ini")), Utf16le(u"font = \u30E1\u30A4\u30EA\u30AA\r\n"));
    C_WIniFile ini(dir.wfile("init.ini"));
    EXPECT_EQ(ini.GetStr(C_WString(u"font")), C_WString(u"\u30E1\u30A4\u30EA\u30AA"));
}

TEST(WideIniFile, ByteOrderMarkIsKeptAndNotPartOfTheFirstKey)
{
    qarvo_test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    WriteBytes(dir.file("init.ini"), Utf16le(u"\uFEFFa = 1\r\nb = 2\r\n"));
    C_WIniFile ini(dir.wfile("init.ini"));
    EXPECT_EQ(ini.GetInt(C_WString(u"a")), 1);
    ASSERT_EQ(ini.DeleteStr(C_WString(u"a")), 1);
    ASSERT_EQ(ini.Commit(), 1);
    EXPECT_EQ(ReadBytes(dir.file("init.ini")), Utf16le(u"\uFEFFb = 2\r\n"));
}

TEST(WideIniFile, DanglingOddByteIsReplacedByAnAppend)
{
    qarvo_test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    WriteBytes(dir.file("init.ini"), Utf16le(u"a = 1\r\n") + "\x01");
    C_WIniFile ini(dir.wfile("init.ini"));
    ASSERT_EQ(ini.SetStr(C_WString(u"b"), C_WString(u"2")), 1);
    ASSERT_EQ(ini.Commit(), 1);
    EXPECT_EQ(ReadBytes(dir.file("init.ini")), Utf16le(u"a = 1\r\nb = 2\r\n"));
}
