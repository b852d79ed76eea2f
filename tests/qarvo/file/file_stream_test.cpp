#include "qarvo/file/file_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/qarvo/support/temp_dir.h"

using qarvo::ByteOrder;
using qarvo::C_FileStream;
using qarvo::C_String;
using qarvo::C_WString;
namespace FileFlags = qarvo::FileFlags;
using qarvo_test::ReadBytes;
using qarvo_test::TempDir;
using qarvo_test::Utf16le;
using qarvo_test::WriteBytes;

namespace {

// The flag words the system passes, as the Windows C runtime spells them.
constexpr int kReadBinary = 0x8000;
constexpr int kCreateReadWrite = 0x8102;
constexpr int kAppendReadWrite = 0x810A;

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.ok()); }
    TempDir dir;
};

}  // namespace

TEST_F(FileStreamTest, CreateMakesTheFileButNeverEmptiesIt)
{
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("a.bin"), kCreateReadWrite), 1);
    EXPECT_EQ(f.GetSize(), 0);
    EXPECT_EQ(f.WriteStringA("hello"), 5);
    f.Close();
    // Opening again with create must keep what is there: truncation is a flag of its own.
    ASSERT_EQ(f.Open(dir.wfile("a.bin"), kCreateReadWrite), 1);
    EXPECT_EQ(f.GetSize(), 5);
    EXPECT_EQ(f.GetPos(), 0);
    f.Close();
    ASSERT_EQ(f.Open(dir.wfile("a.bin"), kCreateReadWrite | FileFlags::Truncate), 1);
    EXPECT_EQ(f.GetSize(), 0);
}

TEST_F(FileStreamTest, ReadOnlyOfAMissingFileFailsWithAReason)
{
    C_FileStream f;
    EXPECT_EQ(f.Open(dir.wfile("missing"), kReadBinary), 0);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetLastError(), qarvo::platform::FileError::NotFound);
    EXPECT_NE(f.GetLastErrorText().IndexOf("missing"), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
    // A read-only stream refuses writes.
    WriteBytes(dir.file("ro"), "x");
    ASSERT_EQ(f.Open(dir.wfile("ro"), kReadBinary), 1);
    EXPECT_EQ(f.Write("y", 1), -1);
    EXPECT_EQ(ReadBytes(dir.file("ro")), "x");
}

TEST_F(FileStreamTest, AppendWritesAtTheEndWhereverThePositionIs)
{
    WriteBytes(dir.file("log"), "abc");
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("log"), kAppendReadWrite), 1);
    f.Seek(0, SEEK_SET);
    EXPECT_EQ(f.WriteStringA("de"), 2);
    f.Close();
    EXPECT_EQ(ReadBytes(dir.file("log")), "abcde");
}

TEST_F(FileStreamTest, ExclusiveCreateRefusesAnExistingFile)
{
    WriteBytes(dir.file("x"), "keep");
    C_FileStream f;
    EXPECT_EQ(f.Open(dir.wfile("x"), kCreateReadWrite | FileFlags::Exclusive), 0);
    EXPECT_EQ(f.GetLastError(), qarvo::platform::FileError::Exists);
    EXPECT_EQ(ReadBytes(dir.file("x")), "keep");
}

TEST_F(FileStreamTest, OpenWhileOpenIsRefusedAndLeavesTheFileAlone)
{
    WriteBytes(dir.file("one"), "12345");
    WriteBytes(dir.file("two"), "abc");
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("one"), kCreateReadWrite), 1);
    f.Seek(2, SEEK_SET);
    EXPECT_EQ(f.Open(dir.wfile("two"), kCreateReadWrite), 0);
    EXPECT_TRUE(f.IsOpen());
    EXPECT_EQ(f.GetFileName(), dir.wfile("one"));
    EXPECT_EQ(f.GetPos(), 2);
    EXPECT_EQ(f.GetSize(), 5);
}

TEST_F(FileStreamTest, EmptyPathDirectoryAndNulAreRefused)
{
    C_FileStream f;
    EXPECT_EQ(f.Open(C_WString(), kCreateReadWrite), 0);
    EXPECT_EQ(f.Open(dir.wpath(), kReadBinary), 0);
    EXPECT_EQ(f.GetLastError(), qarvo::platform::FileError::IsDirectory);
    // A NUL inside the name would silently cut it to "a": refuse instead.
    std::u16string withNul = dir.wfile("a").std();
    withNul += u'\0';
    withNul += u"b";
    EXPECT_EQ(f.Open(C_WString(withNul), kCreateReadWrite), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a")));
    // Everything on a closed stream fails softly.
    char b;
    EXPECT_EQ(f.Read(&b, 1), -1);
    EXPECT_EQ(f.Write(&b, 1), -1);
    EXPECT_EQ(f.GetSize(), -1);
    EXPECT_EQ(f.SetEndFile(), 0);
    C_WString line;
    EXPECT_EQ(f.ReadLineW(&line), -1);
}

TEST_F(FileStreamTest, WideNamesAreUtf8OnDisk)
{
    // "コメント.txt"; the UTF-8 bytes are E3 82 B3 E3 83 A1 E3 83 B3 E3 83 88.
    const C_WString name = dir.wpath() + u"/\u30B3\u30E1\u30F3\u30C8.txt";
    C_FileStream f;
    ASSERT_EQ(f.Open(name, kCreateReadWrite), 1);
    f.Close();
    EXPECT_TRUE(std::filesystem::exists(dir.file("\xE3\x82\xB3\xE3\x83\xA1\xE3\x83\xB3\xE3\x83\x88.txt")));
}

TEST_F(FileStreamTest, ReadLineWReturnsEveryLineThenMinusOne)
{
    WriteBytes(dir.file("w"), Utf16le(u"ab\r\ncd\n\r\nlast"));
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("w"), kReadBinary), 1);
    C_WString line;
    EXPECT_EQ(f.ReadLineW(&line), 2);
    EXPECT_EQ(line, u"ab");
    EXPECT_EQ(f.GetPos(), 8);
    EXPECT_EQ(f.ReadLineW(&line), 2);
    EXPECT_EQ(line, u"cd");
    EXPECT_EQ(f.ReadLineW(&line), 0);
    EXPECT_EQ(line, u"");
    // The last line has no line end: it still comes back whole.
    EXPECT_EQ(f.ReadLineW(&line), 4);
    EXPECT_EQ(line, u"last");
    EXPECT_EQ(f.ReadLineW(&line), -1);
    EXPECT_EQ(f.ReadLineW(&line), -1);
}

TEST_F(FileStreamTest, ReadLineLoneCarriageReturnKeepsTheNextLinesFirstCharacter)
{
    WriteBytes(dir.file("w"), Utf16le(u"one\rtwo\r"));
    WriteBytes(dir.file("a"), "one\rtwo");
    C_FileStream w, a;
    ASSERT_EQ(w.Open(dir.wfile("w"), kReadBinary), 1);
    ASSERT_EQ(a.Open(dir.wfile("a"), kReadBinary), 1);
    C_WString wl;
    C_String al;
    EXPECT_EQ(w.ReadLineW(&wl), 3);
    EXPECT_EQ(w.ReadLineW(&wl), 3);
    EXPECT_EQ(wl, u"two");
    EXPECT_EQ(w.ReadLineW(&wl), -1);
    EXPECT_EQ(a.ReadLineA(&al), 3);
    EXPECT_EQ(a.ReadLineA(&al), 3);
    EXPECT_EQ(al, "two");
}

TEST_F(FileStreamTest, ReadLineAcrossBlockBoundaries)
{
    // 300 wide units exceed one 520-byte block; the CR LF of the narrow file sits exactly on
    // the 512-byte block edge.
    std::u16string longWide(300, u'x');
    WriteBytes(dir.file("w"), Utf16le(longWide + u"\r\nz"));
    std::string longNarrow(511, 'y');
    WriteBytes(dir.file("a"), longNarrow + "\r\nz");
    C_FileStream w, a;
    ASSERT_EQ(w.Open(dir.wfile("w"), kReadBinary), 1);
    ASSERT_EQ(a.Open(dir.wfile("a"), kReadBinary), 1);
    C_WString wl;
    C_String al;
    EXPECT_EQ(w.ReadLineW(&wl), 300);
    EXPECT_EQ(wl.std(), longWide);
    EXPECT_EQ(w.ReadLineW(&wl), 1);
    EXPECT_EQ(wl, u"z");
    EXPECT_EQ(a.ReadLineA(&al), 511);
    EXPECT_EQ(a.ReadLineA(&al), 1);
    EXPECT_EQ(al, "z");
    EXPECT_EQ(a.ReadLineA(&al), -1);
}

TEST_F(FileStreamTest, ReadLineWIgnoresADanglingOddByte)
{
    WriteBytes(dir.file("w"), Utf16le(u"ab") + "\x41");
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("w"), kReadBinary), 1);
    C_WString line;
    EXPECT_EQ(f.ReadLineW(&line), 2);
    EXPECT_EQ(line, u"ab");
    EXPECT_EQ(f.ReadLineW(&line), -1);
}

TEST_F(FileStreamTest, WrittenLinesAreUtf16LittleEndianWithCrLf)
{
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("w"), kCreateReadWrite), 1);
    EXPECT_EQ(f.WriteLineW(C_WString(u"a\u3042")), 8);
    EXPECT_EQ(f.WriteStringW(C_WString()), 0);
    EXPECT_EQ(f.WriteLineA("b"), 3);
    f.Close();
    // U+3042 is 42 30 in little-endian order.
    EXPECT_EQ(ReadBytes(dir.file("w")), std::string("a\0\x42\x30\r\0\n\0b\r\n", 11));
}

TEST_F(FileStreamTest, WordsAndDwordsInBothByteOrders)
{
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("n"), kCreateReadWrite), 1);
    EXPECT_EQ(f.WriteByte(0xAB), 1);
    EXPECT_EQ(f.WriteWord(0x1234), 1);
    EXPECT_EQ(f.WriteWord(0x1234, ByteOrder::BigEndian), 1);
    EXPECT_EQ(f.WriteDword(0x01020304), 1);
    EXPECT_EQ(f.WriteDword(0x01020304, ByteOrder::BigEndian), 1);
    EXPECT_EQ(ReadBytes(dir.file("n")), "\xAB\x34\x12\x12\x34\x04\x03\x02\x01\x01\x02\x03\x04");
    f.Seek(0, SEEK_SET);
    uint8_t b = 0;
    uint16_t w1 = 0, w2 = 0;
    uint32_t d1 = 0, d2 = 0;
    EXPECT_EQ(f.ReadByte(&b), 1);
    EXPECT_EQ(f.ReadWord(&w1), 1);
    EXPECT_EQ(f.ReadWord(&w2, ByteOrder::BigEndian), 1);
    EXPECT_EQ(f.ReadDword(&d1), 1);
    EXPECT_EQ(f.ReadDword(&d2, ByteOrder::BigEndian), 1);
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(w1, 0x1234);
    EXPECT_EQ(w2, 0x1234);
    EXPECT_EQ(d1, 0x01020304u);
    EXPECT_EQ(d2, 0x01020304u);
    // Short read at the end.
    EXPECT_EQ(f.ReadWord(&w1), 0);
}

TEST_F(FileStreamTest, SetEndFileCutsAtThePosition)
{
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("c"), kCreateReadWrite), 1);
    f.WriteStringA("0123456789");
    EXPECT_EQ(f.Seek(-4, SEEK_END), 6);
    EXPECT_EQ(f.SetEndFile(), 1);
    EXPECT_EQ(f.GetSize(), 6);
    EXPECT_EQ(f.Seek(0, 99), -1);  // unknown origin
    f.Close();
    EXPECT_EQ(ReadBytes(dir.file("c")), "012345");
}

TEST_F(FileStreamTest, DeleteOnCloseRemovesTheFile)
{
    C_FileStream f;
    ASSERT_EQ(f.Open(dir.wfile("tmp"), kCreateReadWrite), 1);
    f.SetDeleteOnClose(true);
    EXPECT_TRUE(std::filesystem::exists(dir.file("tmp")));
    f.Close();
    EXPECT_FALSE(std::filesystem::exists(dir.file("tmp")));
}

TEST_F(FileStreamTest, ReadAllReadsEverything)
{
    std::string big(40000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    WriteBytes(dir.file("big"), big);
    qarvo::C_BinaryMemory out;
    ASSERT_TRUE(C_FileStream::ReadAll(dir.wfile("big"), out));
    ASSERT_EQ(out.Length(), 40000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Get()), 40000), big);
    EXPECT_FALSE(C_FileStream::ReadAll(dir.wfile("none"), out));
    EXPECT_EQ(out.Length(), 0);
}
