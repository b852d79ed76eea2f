#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/nicolive/chat_element.h"
#include "engine/parse/chat_parser.h"

using namespace pelmora::engine;
using dwango::nicolive::chat::data::Chat;
using dwango::nicolive::chat::service::edge::ChunkedMessage;
using Modifier = Chat::Modifier;

namespace {

ChunkedMessage withChat(const std::function<void(Chat&)>& fill)
{
    ChunkedMessage message;
    Chat& chat = *message.mutable_message()->mutable_chat();
    chat.set_content("hi");
    chat.set_no(7);
    chat.set_vpos(1234);
    fill(chat);
    return message;
}

std::string element(const ChunkedMessage& message)
{
    std::string out;
    EXPECT_TRUE(nicolive::appendChatElement(message, "lv1", &out));
    return out;
}

std::vector<ChatItem> parsed(ParseContext& context, const std::string& xml)
{
    context.clearChats();
    EXPECT_TRUE(parseChats(context, std::string_view(xml), kNoRunningNumbers));
    return std::vector<ChatItem>(context.chats.begin(), context.chats.end());
}

}  // namespace

TEST(LiveChatElement, EachFieldAsTheOldPathWritesIt)
{
    const std::string head = R"(<chat thread="lv1" no="7" vpos="1234")";
    struct Case {
        const char* what;
        std::function<void(Chat&)> fill;
        std::string attributes;  // between the head and ">"
    };
    const std::vector<Case> cases = {
        {"bare", [](Chat&) {}, ""},
        {"raw id", [](Chat& c) { c.set_raw_user_id(12345); }, R"( user_id="12345")"},
        {"hashed id is 184", [](Chat& c) { c.set_hashed_user_id("a:Xy_9"); },
         R"( mail="184" user_id="a:Xy_9" anonymity="1")"},
        {"raw id wins over hashed", [](Chat& c) { c.set_raw_user_id(5); c.set_hashed_user_id("a:z"); },
         R"( user_id="5")"},
        {"premium", [](Chat& c) { c.set_raw_user_id(1); c.set_account_status(Chat::Premium); },
         R"( user_id="1" premium="1")"},
        {"defaults leave mail out", [](Chat& c) {
             c.mutable_modifier()->set_position(Modifier::naka);
             c.mutable_modifier()->set_size(Modifier::medium);
             c.mutable_modifier()->set_named_color(Modifier::white);
         }, ""},
        {"ue big red", [](Chat& c) {
             c.mutable_modifier()->set_position(Modifier::ue);
             c.mutable_modifier()->set_size(Modifier::big);
             c.mutable_modifier()->set_named_color(Modifier::red);
         }, R"( mail="ue big red")"},
        {"184 shita small black2", [](Chat& c) {
             c.set_hashed_user_id("h");
             c.mutable_modifier()->set_position(Modifier::shita);
             c.mutable_modifier()->set_size(Modifier::small);
             c.mutable_modifier()->set_named_color(Modifier::black2);
         }, R"( mail="184 shita small black2" user_id="h" anonymity="1")"},
        {"full colour clamped", [](Chat& c) {
             auto* full = c.mutable_modifier()->mutable_full_color();
             full->set_r(300);
             full->set_g(-5);
             full->set_b(10);
         }, R"( mail="#FF000A")"},
        {"full colour black", [](Chat& c) { c.mutable_modifier()->mutable_full_color(); }, R"( mail="#000000")"},
        {"name", [](Chat& c) { c.set_name("Taro"); }, R"( name="Taro")"},
        {"empty name", [](Chat& c) { c.set_name(""); }, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(element(withChat(c.fill)), head + c.attributes + ">hi</chat>") << c.what;

    // meta.at: seconds and the microseconds of its fraction.
    ChunkedMessage dated = withChat([](Chat&) {});
    dated.mutable_meta()->mutable_at()->set_seconds(1700000000);
    dated.mutable_meta()->mutable_at()->set_nanos(123456789);
    EXPECT_EQ(element(dated), head + R"( date="1700000000" date_usec="123456">hi</chat>)");

    // Overflowed and forwarded chats are comments too.
    ChunkedMessage overflowed;
    overflowed.mutable_message()->mutable_overflowed_chat()->set_content("o");
    EXPECT_EQ(element(overflowed), R"(<chat thread="lv1" no="0" vpos="0">o</chat>)");
    ChunkedMessage forwarded;
    forwarded.mutable_message()->mutable_forwarded_chat()->set_content("f");
    EXPECT_EQ(element(forwarded), R"(<chat thread="lv1" no="0" vpos="0">f</chat>)");
}

TEST(LiveChatElement, TheChatParserReadsItBack)
{
    ChunkedMessage message = withChat([](Chat& c) {
        c.set_hashed_user_id("a:q");
        c.set_account_status(Chat::Premium);
        c.mutable_modifier()->set_position(Modifier::ue);
    });
    message.mutable_meta()->mutable_at()->set_seconds(1700000001);
    ParseContext context;
    const auto chats = parsed(context, element(message));
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(textOf(chats[0].thread), u"lv1");
    EXPECT_EQ(chats[0].no, 7);
    EXPECT_EQ(chats[0].vpos, 1234);
    EXPECT_EQ(chats[0].date, 1700000001);
    EXPECT_EQ(textOf(chats[0].mail), u"184 ue");
    EXPECT_EQ(chats[0].mail184, 184);
    EXPECT_EQ(textOf(chats[0].userId), u"a:q");
    EXPECT_EQ(chats[0].premium, 1);
    EXPECT_EQ(chats[0].anonymity, 1);
    EXPECT_EQ(chats[0].deleted, 0);
    EXPECT_EQ(textOf(chats[0].text), u"hi");
}

TEST(LiveChatElement, TypedTextsAreEscapedAndNeverLost)
{
    // Ill-formed UTF-8 becomes one U+FFFD per maximal subpart: FF alone, E3 81 cut short.
    EXPECT_EQ(element(withChat([](Chat& c) { c.set_content("a\xFF" "b\xE3\x81"); })),
              R"(<chat thread="lv1" no="7" vpos="1234">a)" "\xEF\xBF\xBD" "b" "\xEF\xBF\xBD" "</chat>");
    EXPECT_EQ(element(withChat([](Chat& c) { c.set_name("\xC0\xAF"); })),
              R"(<chat thread="lv1" no="7" vpos="1234" name=")" "\xEF\xBF\xBD\xEF\xBF\xBD" R"(">hi</chat>)");

    // Markup, quotes and controls (a NUL ends an element of the live stream).
    const std::string content = "<b>&\"x\"</b>" + std::string(1, '\0') + "\x01\t\n\xE3\x81\x82";
    EXPECT_EQ(element(withChat([&](Chat& c) { c.set_content(content); })),
              R"(<chat thread="lv1" no="7" vpos="1234">&lt;b&gt;&amp;&quot;x&quot;&lt;/b&gt;)"
              "\xEF\xBF\xBD\xEF\xBF\xBD\t\n\xE3\x81\x82</chat>");

    // A name or hashed id that reads like attributes forges none of them.
    const ChunkedMessage forged = withChat([](Chat& c) {
        c.set_hashed_user_id(R"(x no="99" deleted="1")");
        c.set_name(R"(y premium="1" mail="naka" </chat><chat no="3">)");
        c.set_content("</chat><chat no=\"4\">");
    });
    ParseContext context;
    const auto chats = parsed(context, element(forged));
    ASSERT_EQ(chats.size(), 1u);
    EXPECT_EQ(chats[0].no, 7);
    EXPECT_EQ(chats[0].deleted, 0);
    EXPECT_EQ(chats[0].premium, 0);
    EXPECT_EQ(textOf(chats[0].mail), u"184");
    EXPECT_EQ(textOf(chats[0].text), u"&lt;/chat&gt;&lt;chat no=&quot;4&quot;&gt;");
}

TEST(LiveChatElement, MessagesWithoutAChatAppendNothing)
{
    std::string out = "kept";
    ChunkedMessage state;
    state.mutable_state()->mutable_program_status()->set_state(dwango::nicolive::chat::data::ProgramStatus::Ended);
    EXPECT_FALSE(nicolive::appendChatElement(state, "lv1", &out));
    ChunkedMessage signal;
    signal.set_signal(ChunkedMessage::Flushed);
    EXPECT_FALSE(nicolive::appendChatElement(signal, "lv1", &out));
    ChunkedMessage emptyMessage;
    emptyMessage.mutable_message();
    EXPECT_FALSE(nicolive::appendChatElement(emptyMessage, "lv1", &out));
    EXPECT_FALSE(nicolive::appendChatElement(ChunkedMessage(), "lv1", &out));
    EXPECT_EQ(out, "kept");

    EXPECT_EQ(nicolive::messageId(ChunkedMessage()), "");
    signal.mutable_meta()->set_id("EhkKEgl");
    EXPECT_EQ(nicolive::messageId(signal), "EhkKEgl");
}
