#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/parse/local_file.h"
#include "engine/pelmora2.h"
#include "qarvo/charcode/system_charcode.h"

using namespace pelmora::engine;

namespace {

class LocalFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("pelmora-localfile-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    qarvo::C_WString write(const std::string& name, const std::string& bytes)
    {
        const std::filesystem::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return qarvo::common::System::utf8_to_utf16(qarvo::C_String(path.string()));
    }

    std::filesystem::path m_dir;
};

}  // namespace

TEST(CommentXmlHead, AcceptsDeclarationsAndAnswerRoots)
{
    const char* good[] = {"<?xml version=\"1.0\"?><packet/>", "<packet><chat>a</chat></packet>",
                          "\xEF\xBB\xBF<?xml version=\"1.0\"?>", "\xEF\xBB\xBF \r\n\t<thread thread=\"1\"/>",
                          "<chat no=\"1\">a</chat>", "<packet>"};
    for (const char* text : good)
        EXPECT_TRUE(looksLikeCommentXml(text, std::strlen(text))) << text;
    const char* bad[] = {"", "\xEF\xBB\xBF", "hello", "<html><chat>a</chat></html>", "<threads/>", "<chatroom>",
                         "\xFF\xFE<\0?\0x\0m\0l\0", "<?xm"};
    for (const char* text : bad)
        EXPECT_FALSE(looksLikeCommentXml(text, std::strlen(text))) << text;
}

TEST_F(LocalFile, DecodesAFileWithADeclaration)
{
    ParseContext context;
    const auto path = write("ok.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<packet>"
                                      "<chat no=\"1\" user_id=\"u\">\xE3\x81\x82</chat><chat no=\"2\"/></packet>");
    ASSERT_EQ(decodeCommentFile(path, context), PELMORA_RESULT_SUCCESS);
    ASSERT_EQ(context.chats.GetCount(), 2);
    EXPECT_EQ(textOf(context.chats.GetHead().text), u"\u3042");
    EXPECT_EQ(context.chats.GetTail().deleted, 1);
}

TEST_F(LocalFile, DecodesASavedAnswerWithoutDeclaration)
{
    ParseContext context;
    const auto path = write("raw.xml", "\xEF\xBB\xBF\r\n<packet><thread thread=\"7\"/><chat no=\"3\">x</chat></packet>");
    ASSERT_EQ(decodeCommentFile(path, context), PELMORA_RESULT_SUCCESS);
    ASSERT_EQ(context.chats.GetCount(), 1);
    EXPECT_EQ(context.thread, u"7");
}

TEST_F(LocalFile, RefusesWhatIsNotCommentXml)
{
    ParseContext context;
    EXPECT_EQ(decodeCommentFile(write("empty.xml", ""), context), PELMORA_RESULT_NOT_USABLE);
    EXPECT_EQ(decodeCommentFile(write("text.txt", "just text <chat>a</chat>"), context), PELMORA_RESULT_NOT_USABLE);
    EXPECT_EQ(context.chats.GetCount(), 0);
    const auto missing = qarvo::common::System::utf8_to_utf16(qarvo::C_String((m_dir / "missing.xml").string()));
    EXPECT_EQ(decodeCommentFile(missing, context), PELMORA_RESULT_FILE_UNREADABLE);
    // A folder cannot be read as a file either.
    const auto folder = qarvo::common::System::utf8_to_utf16(qarvo::C_String(m_dir.string()));
    EXPECT_EQ(decodeCommentFile(folder, context), PELMORA_RESULT_FILE_UNREADABLE);
}

TEST_F(LocalFile, BrokenUtf8BecomesReplacementCharacters)
{
    ParseContext context;
    const auto path = write("broken.xml", std::string("<packet><chat no=\"1\">a\xFF\xE3\x81</chat><chat no=\"2\">b</chat>"));
    ASSERT_EQ(decodeCommentFile(path, context), PELMORA_RESULT_SUCCESS);
    ASSERT_EQ(context.chats.GetCount(), 2);
    EXPECT_EQ(textOf(context.chats.GetHead().text), u"a\uFFFD\uFFFD");
    EXPECT_EQ(textOf(context.chats.GetTail().text), u"b");
}

TEST_F(LocalFile, PathWithJapaneseName)
{
    ParseContext context;
    const auto path = write("\xE3\x82\xB3\xE3\x83\xA1\xE3\x83\xB3\xE3\x83\x88.xml", "<packet><chat>a</chat></packet>");
    EXPECT_EQ(decodeCommentFile(path, context), PELMORA_RESULT_SUCCESS);
    EXPECT_EQ(context.chats.GetCount(), 1);
}
