#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/parse/chat_parser.h"
#include "qarvo/charcode/system_charcode.h"

using namespace pelmora::engine;
using qarvo::C_WString;

namespace {

std::vector<ChatItem> items(const ParseContext& context)
{
    return std::vector<ChatItem>(context.chats.begin(), context.chats.end());
}

std::vector<ChatItem> parse(std::u16string_view xml, int firstNumber = kNoRunningNumbers, bool* complete = nullptr)
{
    static ParseContext context;  // kept alive so that the items' texts stay valid
    context.clearChats();
    const bool done = parseChats(context, xml, firstNumber);
    if (complete)
        *complete = done;
    return items(context);
}

}  // namespace

TEST(ChatParse, ReadsEveryAttributeOfAComment)
{
    const auto chats = parse(u"<packet><chat no=\"5\" vpos=\"300\" date=\"100\" mail=\"184 naka\" user_id=\"abc\" "
                             u"premium=\"1\" anonymity=\"1\" thread=\"1402132004\">hello</chat></packet>");
    ASSERT_EQ(chats.size(), 1u);
    const ChatItem& c = chats[0];
    EXPECT_EQ(c.no, 5);
    EXPECT_EQ(c.vpos, 300);
    EXPECT_EQ(c.date, 100);
    EXPECT_EQ(textOf(c.mail), u"184 naka");
    EXPECT_EQ(c.mail184, 184);
    EXPECT_EQ(textOf(c.userId), u"abc");
    EXPECT_EQ(c.premium, 1);
    EXPECT_EQ(c.anonymity, 1);
    EXPECT_EQ(c.deleted, 0);
    EXPECT_EQ(textOf(c.thread), u"1402132004");
    EXPECT_EQ(textOf(c.text), u"hello");
    // Every string reaches the caller as a NUL-terminated pointer.
    EXPECT_EQ(c.text[5], u'\0');
    EXPECT_EQ(c.mail[8], u'\0');
}

TEST(ChatParse, DefaultsAndConversions)
{
    const auto chats = parse(u"<chat>plain</chat>"
                             u"<chat mail=\"naka 18 4\" date=\"-12345678901\" vpos=\"12x\">b</chat>"
                             u"<chat no=\"\" vpos=\"99999999999\">c</chat>");
    ASSERT_EQ(chats.size(), 3u);
    EXPECT_EQ(chats[0].no, 0);
    EXPECT_EQ(textOf(chats[0].mail), u"");
    EXPECT_EQ(chats[0].mail184, 0);
    ASSERT_NE(chats[0].userId, nullptr);
    EXPECT_EQ(chats[0].userId[0], u'\0');
    // 64-bit dates keep their sign and size; a number stops at its first non-digit.
    EXPECT_EQ(chats[1].date, -12345678901LL);
    EXPECT_EQ(chats[1].vpos, 12);
    EXPECT_EQ(chats[1].mail184, 0);
    // An empty number reads as -1 (the library's rule); an oversized one saturates.
    EXPECT_EQ(chats[2].no, -1);
    EXPECT_EQ(chats[2].vpos, 2147483647);
}

TEST(ChatParse, SelfClosedCommentIsDeleted)
{
    const auto chats = parse(u"<chat no=\"6\" vpos=\"1\"/><chat no=\"7\" deleted=\"2\" anonymity=\"1\" />"
                             u"<chat no=\"8\">kept</chat>");
    ASSERT_EQ(chats.size(), 3u);
    EXPECT_EQ(chats[0].no, 6);
    EXPECT_EQ(chats[0].deleted, 1);
    EXPECT_EQ(textOf(chats[0].text), u"");
    // The server's own deleted value wins over the default.
    EXPECT_EQ(chats[1].deleted, 2);
    EXPECT_EQ(chats[1].anonymity, 1);
    EXPECT_EQ(chats[2].deleted, 0);
    EXPECT_EQ(textOf(chats[2].text), u"kept");
}

TEST(ChatParse, RunningNumbers)
{
    const std::u16string_view xml = u"<chat>a</chat><chat no=\"120\">b</chat><chat>c</chat><chat/>";
    auto chats = parse(xml, 1);
    ASSERT_EQ(chats.size(), 4u);
    EXPECT_EQ(chats[0].no, 1);
    EXPECT_EQ(chats[1].no, 120);  // the attribute wins, and the counter still moves on
    EXPECT_EQ(chats[2].no, 3);
    EXPECT_EQ(chats[3].no, 4);

    chats = parse(xml, kNoRunningNumbers);
    EXPECT_EQ(chats[0].no, 0);
    EXPECT_EQ(chats[2].no, 0);
}

TEST(ChatParse, BodyIsKeptCharacterForCharacter)
{
    const auto chats = parse(u"<chat no=\"1\">&amp;&lt;b&gt;&#x3042; \u3000\u3042\nline2</chat>"
                             u"<chat no=\"2\"></chat>");
    ASSERT_EQ(chats.size(), 2u);
    EXPECT_EQ(textOf(chats[0].text), u"&amp;&lt;b&gt;&#x3042; \u3000\u3042\nline2");
    EXPECT_EQ(textOf(chats[1].text), u"");
    EXPECT_EQ(chats[1].deleted, 0);  // an empty body is not a deleted comment
}

TEST(ChatParse, AttributeNamesAreFoundAnywhereInTheTag)
{
    // The lookup is a substring search: " no" first appears inside the mail value, and the value
    // read for it runs from the next quote (the end of mail) to the one after.
    const auto chats = parse(u"<chat mail=\"184 no\" no=\"7\" user_id=\"u\">x</chat>");
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0].no, 0);  // atoi of " no="
    EXPECT_EQ(textOf(chats[0].mail), u"184 no");
    EXPECT_EQ(textOf(chats[0].userId), u"u");
    // A value without its closing quote runs to the end of the tag.
    const auto open = parse(u"<chat user_id=\"abc>x</chat>");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(textOf(open[0].userId), u"abc");
}

TEST(ChatParse, OnlyChatElementsAreComments)
{
    // "chat_result" answers a post; it is not a comment.
    const auto chats = parse(u"<chat_result thread=\"1\" status=\"0\"/><chatter/><leaf thread=\"1\"/>"
                             u"<chat\n no=\"3\">ok</chat>");
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0].no, 3);
}

TEST(ChatParse, ThreadInformation)
{
    ParseContext context;
    context.resultCode = 9;
    context.thread = C_WString(u"old");
    context.ticket = C_WString(u"oldticket");
    context.viewCounter = 5;
    context.lastRes = 6;
    context.serverTime = 7;

    // A thread element alone: no comments, but the information is taken. Attributes that are
    // absent keep resultCode and the two strings; the three counters start again from 0.
    EXPECT_TRUE(parseChats(context, u"<thread thread=\"1402132004\" last_res=\"184\"/>", kNoRunningNumbers));
    EXPECT_EQ(context.chats.GetCount(), 0);
    EXPECT_EQ(context.thread, u"1402132004");
    EXPECT_EQ(context.ticket, u"oldticket");
    EXPECT_EQ(context.resultCode, 9);
    EXPECT_EQ(context.lastRes, 184);
    EXPECT_EQ(context.viewCounter, 0);
    EXPECT_EQ(context.serverTime, 0);

    // Two threads in a packet: the later one's values stand.
    EXPECT_TRUE(parseChats(context,
                           u"<packet><thread resultcode=\"0\" thread=\"1\" ticket=\"0x1\" server_time=\"5000000000\"/>"
                           u"<thread resultcode=\"2\" thread=\"2\" last_res=\"3\" ticket=\"0x27baa680\" />"
                           u"<view_counter video=\"16721\" id=\"sm9\" mylist=\"346\"/></packet>",
                           kNoRunningNumbers));
    EXPECT_EQ(context.thread, u"2");
    EXPECT_EQ(context.ticket, u"0x27baa680");
    EXPECT_EQ(context.resultCode, 2);
    EXPECT_EQ(context.lastRes, 3);
    EXPECT_EQ(context.serverTime, 5000000000LL);
    EXPECT_EQ(context.viewCounter, 16721);
}

TEST(ChatParse, UnterminatedElementEndsTheWalk)
{
    bool complete = true;
    auto chats = parse(u"<chat no=\"1\">a</chat><chat no=\"2\">b</ch", kNoRunningNumbers, &complete);
    EXPECT_FALSE(complete);
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0].no, 1);

    chats = parse(u"<chat no=\"1\">a</chat><thread thread=\"9\"", kNoRunningNumbers, &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(chats.size(), 1u);

    chats = parse(u"<chat no=\"1\">a</chat><chat no=\"2\"", kNoRunningNumbers, &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(chats.size(), 1u);

    chats = parse(u"", kNoRunningNumbers, &complete);
    EXPECT_TRUE(complete);
    EXPECT_TRUE(chats.empty());
}

TEST(ChatParse, EveryCutOfADocumentGivesAPrefixOfItsComments)
{
    const std::u16string doc =
        u"<packet><thread resultcode=\"0\" thread=\"77\" last_res=\"3\"/><view_counter video=\"12\"/>"
        u"<chat thread=\"77\" no=\"1\" vpos=\"10\" date=\"1000\" mail=\"184\" user_id=\"a\">one &amp; \u3042</chat>"
        u"<chat thread=\"77\" no=\"2\" vpos=\"20\" date=\"1001\" deleted=\"1\"/>"
        u"<chat thread=\"77\" no=\"3\" vpos=\"30\" date=\"1002\" user_id=\"c\" premium=\"1\">three</chat></packet>";
    ParseContext full;
    ASSERT_TRUE(parseChats(full, doc, kNoRunningNumbers));
    const auto all = items(full);
    ASSERT_EQ(all.size(), 3u);

    for (size_t cut = 0; cut <= doc.size(); ++cut) {
        ParseContext context;
        parseChats(context, std::u16string_view(doc).substr(0, cut), kNoRunningNumbers);
        const auto some = items(context);
        ASSERT_LE(some.size(), all.size()) << "cut at " << cut;
        for (size_t i = 0; i < some.size(); ++i) {
            EXPECT_EQ(some[i].no, all[i].no) << "cut at " << cut;
            EXPECT_EQ(textOf(some[i].text), textOf(all[i].text)) << "cut at " << cut;
            EXPECT_EQ(textOf(some[i].userId), textOf(all[i].userId)) << "cut at " << cut;
            EXPECT_EQ(some[i].deleted, all[i].deleted) << "cut at " << cut;
        }
    }
}

TEST(ChatParse, SharedValuesAreStoredOnce)
{
    // A thousand comments of one thread and one mail value: the pool holds each value once.
    std::u16string doc;
    for (int i = 0; i < 1000; ++i)
        doc += u"<chat thread=\"1402132004\" mail=\"184\">hi</chat>";
    ParseContext context;
    ASSERT_TRUE(parseChats(context, doc, kNoRunningNumbers));
    ASSERT_EQ(context.chats.GetCount(), 1000);
    EXPECT_EQ(context.chats.GetHead().thread, context.chats.GetTail().thread);
    EXPECT_LT(context.texts.UsedUnits(), 1000u * 3 + 100);
}

// Everything that takes the comments copies each one's strings; their sum must stay within the
// answer's size however the answer nests its elements.
static size_t unitsOfAllStrings(const ParseContext& context)
{
    size_t units = 0;
    for (const ChatItem& item : context.chats)
        units += textOf(item.text).size() + textOf(item.mail).size() + textOf(item.userId).size() +
                 textOf(item.thread).size();
    return units;
}

TEST(ChatParse, ChatsOpenedInsideAnotherEndIt)
{
    // A hostile answer: tens of thousands of chat elements that share one terminator. Each ends
    // where the next one begins, so the walk stays linear and no text holds the others.
    constexpr int kCount = 40000;
    std::u16string nestedBodies;
    for (int i = 0; i < kCount; ++i)
        nestedBodies += u"<chat mail=\"184\">x";
    nestedBodies += u"</chat>";
    ParseContext a;
    ASSERT_TRUE(parseChats(a, nestedBodies, 1));
    ASSERT_EQ(a.chats.GetCount(), kCount);
    EXPECT_EQ(textOf(a.chats.GetHead().text), u"x");
    EXPECT_EQ(textOf(a.chats.GetTail().text), u"x");
    EXPECT_EQ(a.chats.GetHead().mail184, 184);
    EXPECT_LE(unitsOfAllStrings(a), nestedBodies.size());
    EXPECT_LT(a.texts.UsedUnits(), 2 * nestedBodies.size());

    // Chats opened inside a tag, before a long value all of them once found as their own.
    std::u16string nestedTags;
    for (int i = 0; i < kCount; ++i)
        nestedTags += u"<chat ";
    nestedTags += u"no=\"5\" user_id=\"" + std::u16string(20000, u'u') + u"\">body</chat>";
    ParseContext b;
    ASSERT_TRUE(parseChats(b, nestedTags, kNoRunningNumbers));
    ASSERT_EQ(b.chats.GetCount(), kCount);
    EXPECT_EQ(b.chats.GetTail().no, 5);
    EXPECT_EQ(textOf(b.chats.GetTail().userId).size(), 20000u);
    EXPECT_EQ(textOf(b.chats.GetTail().text), u"body");
    EXPECT_EQ(textOf(b.chats.GetHead().userId), u"");
    EXPECT_EQ(textOf(b.chats.GetHead().text), u"");
    EXPECT_LE(unitsOfAllStrings(b), nestedTags.size());

    // Only a chat element cuts: the answer to a post is no comment.
    ParseContext c;
    ASSERT_TRUE(parseChats(c, u"<chat>a<chat_result status=\"0\"/>b</chat>", kNoRunningNumbers));
    ASSERT_EQ(c.chats.GetCount(), 1);
    EXPECT_EQ(textOf(c.chats.GetHead().text), u"a<chat_result status=\"0\"/>b");
}

TEST(ChatParse, RealCommentServerAnswer)
{
    const std::filesystem::path file =
        std::filesystem::path(PELMORA_CORPUS_DIR) / "danmaku2ass__test__issue-9-test.xml";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "no corpus at " << file;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const C_WString text = qarvo::common::System::utf8_to_utf16(qarvo::C_String(bytes));

    ParseContext context;
    ASSERT_TRUE(parseChats(context, text, kNoRunningNumbers));
    const auto chats = items(context);
    // Counted in the file with grep: 184 chats, 3 of them self-closed with deleted="2".
    ASSERT_EQ(chats.size(), 184u);
    int deleted = 0;
    for (const ChatItem& c : chats)
        deleted += c.deleted != 0;
    EXPECT_EQ(deleted, 3);
    EXPECT_EQ(chats[0].no, 1);
    EXPECT_EQ(chats[0].vpos, 76);
    EXPECT_EQ(chats[0].date, 1402132048);
    EXPECT_EQ(textOf(chats[0].userId), u"752789");
    EXPECT_EQ(textOf(chats[0].text), u"1");
    EXPECT_EQ(textOf(chats[1].text), u"ハム太郎");
    EXPECT_EQ(chats[1].anonymity, 1);
    EXPECT_EQ(chats[2].premium, 1);
    EXPECT_EQ(chats[58].no, 59);
    EXPECT_EQ(chats[58].deleted, 2);
    EXPECT_EQ(context.resultCode, 0);
    EXPECT_EQ(context.thread, u"1402132004");
    EXPECT_EQ(context.lastRes, 184);
    EXPECT_EQ(context.ticket, u"0x27baa680");
    EXPECT_EQ(context.serverTime, 1403210005);
    EXPECT_EQ(context.viewCounter, 16721);
}

// Malformed answers whose elements share one tag end ("<chat mail<chat mail ... />") once made
// the walk search the same stretch again for every element. The work must grow with the size
// of the answer, not with its square: doubling the answer may at most about double it.
TEST(ChatParse, WorkStaysLinearWhenElementsShareOneTagEnd)
{
    const auto units = [](const std::u16string& piece, const std::u16string& end, size_t copies) {
        std::u16string xml;
        for (size_t i = 0; i < copies; ++i)
            xml += piece;
        xml += end;
        ParseContext context;
        ChatWalkStats stats;
        parseChats(context, xml, 1, &stats);
        return stats.unitsExamined;
    };
    const std::u16string longValue(2000, u'0');
    const struct {
        std::u16string piece, end;
    } shapes[] = {
        {u"<chat mail", u"/>"},
        {u"<thread ticket", u"/>"},
        {u"<chat mail", u"=\"" + longValue + u"184\"/>"},
        {u"<chat vpos", u"=\"" + longValue + u"\">t</chat>"},
        {u"<thread thread", u"=\"" + longValue + u"\"/>"},
        {u"<chat no=\"1\"", u">" + longValue + u"</chat>"},
        {u"<chat date=\"", u"/>"},
    };
    for (const auto& shape : shapes) {
        const uint64_t small = units(shape.piece, shape.end, 5000);
        const uint64_t large = units(shape.piece, shape.end, 10000);
        EXPECT_LT(large, small * 5 / 2) << qarvo::common::System::utf16_to_utf8(C_WString(shape.piece)).c_str();
    }
}
