#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/path_encoding.h"
#include "viewer/core/model/comment_files.h"

using namespace pelmora::viewer;
using qarvo::C_String;
using qarvo::C_WString;
namespace fs = std::filesystem;

namespace {

class CommentFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "Asia/Tokyo", 1);
        tzset();
        dir = fs::temp_directory_path() / ("pv-files-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        wdir = qarvo::common::System::utf8_to_utf16(C_String(dir.string()));
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string readAll(const C_WString& path)
    {
        std::ifstream in(qarvo::common::System::utf16_to_utf8(path).std(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir;
    C_WString wdir;
};

tag_NICO_COMMENT_LIGHT sample()
{
    tag_NICO_COMMENT_LIGHT c;
    c.anonymity = 1;
    c.date = 1272838089;  // 2010-05-03 07:08:09 in Tokyo (Python: calendar.timegm of 22:08:09 UTC on the 2nd)
    c.vpos = 12345;
    c.no = 12;
    c.userId = C_WString(u"abc");
    c.deleted = 1;
    c.mail = C_WString(u"184");
    c.text = C_WString(u"a&b");
    return c;
}

}  // namespace

TEST_F(CommentFiles, LineFormat)
{
    EXPECT_EQ(FormatCommentLine(sample()), C_WString(u"2010/05/03_07:08:09 匿名 002:03 12 一般 abc 削除済み a&b\r\n"));
    tag_NICO_COMMENT_LIGHT c = sample();
    c.deleted = 0;
    c.anonymity = 0;
    c.premium = 1;
    c.vpos = 0;
    EXPECT_EQ(FormatCommentLine(c), C_WString(u"2010/05/03_07:08:09 公開 000:00 12 プレミアム abc 184 a&b\r\n"));
}

TEST_F(CommentFiles, RecordFromEngineDecodesText)
{
    ChatEntry e{};
    e.no = 5;
    e.text = u"a &amp;lt; b\nline2\nline3";
    e.mail = u"184 red";
    e.mail184 = 184;
    const tag_NICO_COMMENT_LIGHT c = MakeCommentRecord(e);
    EXPECT_EQ(c.text, C_WString(u"a &lt; b\nline2\nline3"));  // one decoding pass
    EXPECT_EQ(c.lineBreaks, 2);
    EXPECT_EQ(c.mail184, 184);
    EXPECT_EQ(c.flowX, kFlowStartX);
    EXPECT_EQ(c.userId, C_WString(u""));  // a null pointer is an empty text
}

TEST_F(CommentFiles, NamesAreSafeAndStamped)
{
    // 2026-12-08 09:05:07 in Tokyo.
    const std::time_t now = 1796688307;
    const C_WString name = CommentTextFileName(wdir, "a/b:c &amp; d", now);
    EXPECT_EQ(FileNameOnly(name), C_WString(u"a／b：c & d(26.12.08 09時05分07秒).txt"));
    EXPECT_EQ(FileNameOnly(CommentXmlFileName(name)), C_WString(u"a／b：c & d(26.12.08 09時05分07秒).xml"));
    // A very long title is cut so that the name stays creatable.
    const std::string longTitle(600, 'x');
    qarvo::C_FileStream file;
    C_WString fileName;
    ASSERT_TRUE(OpenCommentTextFile(file, fileName, wdir, longTitle.c_str(), now));
}

// 80 CJK characters are 240 bytes in UTF-8, plus 30 of the stamp: past the 255-byte limit of a
// name. And an 80-unit cut may fall inside a surrogate pair.
TEST_F(CommentFiles, LongTitlesAreCutByBytesOnACharacterBoundary)
{
    const std::time_t now = 1796688307;
    std::string cjk;
    for (int i = 0; i < 90; ++i)
        cjk += "\xe5\x90\x8d";  // 名
    std::string emoji;
    for (int i = 0; i < 41; ++i)
        emoji += "\xf0\x9f\x98\x80";  // U+1F600, two UTF-16 units
    for (const std::string& title : {cjk, "x" + emoji}) {
        const C_WString name = FileNameOnly(CommentTextFileName(wdir, title.c_str(), now));
        std::string bytes;
        ASSERT_TRUE(qarvo::PathToUtf8(name, &bytes));
        EXPECT_LE(bytes.size(), 255u);
        EXPECT_TRUE(name.EndsWith(u"(26.12.08 09時05分07秒).txt"));
        for (int i = 0; i < name.Length(); ++i) {
            const bool high = name[i] >= 0xD800 && name[i] <= 0xDBFF;
            const bool low = name[i] >= 0xDC00 && name[i] <= 0xDFFF;
            if (high) {
                EXPECT_TRUE(i + 1 < name.Length() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) << i;
            }
            if (low) {
                EXPECT_TRUE(i > 0 && name[i - 1] >= 0xD800 && name[i - 1] <= 0xDBFF) << i;
            }
        }
        qarvo::C_FileStream file;
        C_WString fileName;
        EXPECT_TRUE(OpenCommentTextFile(file, fileName, wdir, title.c_str(), now));
    }
    // 75 CJK characters (225 bytes) fit beside the stamp, the 76th does not.
    const C_WString cut = FileNameOnly(CommentTextFileName(wdir, cjk.c_str(), now));
    EXPECT_EQ(cut.IndexOf(u"("), 75);
}

TEST_F(CommentFiles, FileDeletedBetweenBatchesIsMadeAgain)
{
    qarvo::C_FileStream file;
    C_WString name;
    ASSERT_TRUE(OpenCommentTextFile(file, name, wdir, "title", 1796688307));
    file.Close();
    std::string path;
    ASSERT_TRUE(qarvo::PathToUtf8(name, &path));
    ASSERT_EQ(std::remove(path.c_str()), 0);
    ASSERT_TRUE(OpenCommentTextFile(file, name, wdir, "title", 1796688999));
    ASSERT_TRUE(AppendCommentLine(file, sample()));
    file.Close();
    const std::string bytes = readAll(name);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(bytes.size(), 2u + FormatCommentLine(sample()).ToByteString().Length());
}

TEST_F(CommentFiles, NewFileStartsWithMarkAndBatchesAppend)
{
    qarvo::C_FileStream file;
    C_WString name;
    ASSERT_TRUE(OpenCommentTextFile(file, name, wdir, "title", 1796688307));
    ASSERT_TRUE(AppendCommentLine(file, sample()));
    file.Close();
    ASSERT_TRUE(OpenCommentTextFile(file, name, wdir, "ignored", 1796688999));
    ASSERT_TRUE(AppendCommentLine(file, sample()));
    file.Close();

    const std::string bytes = readAll(name);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);
    const C_String line = FormatCommentLine(sample()).ToByteString();
    EXPECT_EQ(bytes.size(), 2u + 2u * line.Length());
    // The known line's first units: "2010/05/03" (Python: s.encode('utf-16-le').hex()).
    EXPECT_EQ(bytes.substr(2, 20), std::string("2\0000\0001\0000\000/\0000\0005\000/\0000\0003\000", 20));
}

TEST_F(CommentFiles, XmlIsCutToTheNewBlock)
{
    const C_WString path = wdir + u"/x(1).xml";
    const std::string longer(100, 'L');
    ASSERT_TRUE(WriteCommentXml(path, reinterpret_cast<const unsigned char*>(longer.data()), 100));
    ASSERT_TRUE(WriteCommentXml(path, reinterpret_cast<const unsigned char*>("<packet/>"), 9));
    EXPECT_EQ(readAll(path), "<packet/>");
    EXPECT_FALSE(WriteCommentXml(path, nullptr, 0));
    // A folder that does not exist is a failure, not a crash.
    EXPECT_FALSE(WriteCommentXml(wdir + u"/missing/x.xml", reinterpret_cast<const unsigned char*>("x"), 1));
}
