#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "qarvo/charcode/system_charcode.h"
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
