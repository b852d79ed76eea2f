#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "tools/pelmora-cli/comment_format.h"

using namespace pelmora::cli;

namespace {

class CommentFormat : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Local time is what the line shows; pin it.
        setenv("TZ", "UTC", 1);
        tzset();
        chat.anonymity = 1;
        chat.date = 1272870489;  // 2010-05-03 07:08:09 UTC (Python: calendar.timegm)
        chat.mail184 = 184;
        chat.no = 7;
        chat.vpos = 12345;  // 123 s: 2 minutes 3 seconds
        chat.premium = 1;
        chat.thread = u"t\"q";
        chat.userId = u"abc";
        chat.mail = u"184 ue";
        chat.text = u"a &lt;b&gt; &amp;amp; \u3042";
    }
    ChatEntry chat{};
};

}  // namespace

TEST_F(CommentFormat, TextLineMatchesTheCommentFile)
{
    EXPECT_EQ(formatCommentLine(chat),
              "2010/05/03_07:08:09 匿名 002:03 7 プレミアム abc 184 ue a <b> &amp; \xE3\x81\x82\r\n");

    chat.anonymity = 0;
    chat.premium = 0;
    chat.deleted = 2;
    chat.vpos = 0;
    chat.text = u"";
    chat.userId = nullptr;  // defensive: a missing string prints as empty
    EXPECT_EQ(formatCommentLine(chat), "2010/05/03_07:08:09 公開 000:00 7 一般  削除済み \r\n");

    chat.vpos = 1000 * 60 * 100 + 5900;  // past 999 minutes the field widens
    EXPECT_EQ(formatCommentLine(chat).substr(27, 8), "1000:59 ");
}

TEST_F(CommentFormat, JsonLineEscapesProperly)
{
    chat.text = u"line1\nline2 \\ \x01 &quot;";
    EXPECT_EQ(formatCommentJson(chat),
              "{\"no\":7,\"vpos\":12345,\"date\":1272870489,\"mail\":\"184 ue\",\"mail184\":184,\"deleted\":0,"
              "\"premium\":1,\"anonymity\":1,\"user_id\":\"abc\",\"thread\":\"t\\\"q\","
              "\"text\":\"line1\\nline2 \\\\ \\u0001 \\\"\"}\n");
    EXPECT_EQ(jsonQuote("\t\r\b\f\x1f\xE3\x81\x82"), "\"\\t\\r\\b\\f\\u001f\xE3\x81\x82\"");
}

TEST_F(CommentFormat, UnpairedSurrogateBecomesReplacementCharacter)
{
    const char16_t broken[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(toUtf8(broken), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(toUtf8(nullptr), "");
}
