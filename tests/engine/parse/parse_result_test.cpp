#include <gtest/gtest.h>

#include "engine/parse/chat_parser.h"
#include "engine/parse/parse_result.h"

using namespace pelmora::engine;

TEST(ResultRecord, EmptyContextGivesEmptyStringsAndNoChain)
{
    ParseContext context;
    ResultRecord record;
    const ParseResult* r = record.Build(context);
    EXPECT_EQ(r->title, nullptr);  // "no title" is NULL, every other string is empty
    for (const char* s : {r->videoUrl, r->cookie, r->userInfo, r->finalUrl, r->cacheKey, r->extra1, r->extra2}) {
        ASSERT_NE(s, nullptr);
        EXPECT_STREQ(s, "");
    }
    ASSERT_NE(r->extension, nullptr);
    EXPECT_EQ(r->extension[0], u'\0');
    EXPECT_EQ(r->chats, nullptr);
    EXPECT_EQ(r->threadInfo, nullptr);
    EXPECT_EQ(r->rawXmlSize, 0);
    EXPECT_EQ(r->auxBlockSize, 0);
}

TEST(ResultRecord, ChainFollowsListOrderAndPointsIntoTheContext)
{
    ParseContext context;
    context.title = "t";
    context.rawXml.Add("<chat/>", 7);
    ASSERT_TRUE(parseChats(context,
                           u"<thread thread=\"77\" ticket=\"0xab\" last_res=\"9\" server_time=\"4294967296\"/>"
                           u"<view_counter video=\"3\"/><chat no=\"1\" user_id=\"a\" mail=\"184\">x</chat>"
                           u"<chat no=\"2\" date=\"4294967297\"/><chat no=\"3\">z</chat>",
                           kNoRunningNumbers));
    ResultRecord record;
    const ParseResult* r = record.Build(context);
    EXPECT_STREQ(r->title, "t");
    EXPECT_EQ(r->rawXmlSize, 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r->rawXmlData), 7), "<chat/>");

    std::vector<const ChatEntry*> chain;
    for (const ChatEntry* e = r->chats; e; e = e->next)
        chain.push_back(e);
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_EQ(chain[0]->no, 1);
    EXPECT_EQ(std::u16string(chain[0]->userId), u"a");
    EXPECT_EQ(chain[0]->mail184, 184);
    EXPECT_EQ(std::u16string(chain[0]->text), u"x");
    EXPECT_EQ(chain[1]->no, 2);
    EXPECT_EQ(chain[1]->deleted, 1);
    EXPECT_EQ(chain[1]->date, 4294967297LL);
    EXPECT_EQ(std::u16string(chain[1]->text), u"");
    EXPECT_EQ(std::u16string(chain[1]->mail), u"");
    EXPECT_EQ(chain[2]->no, 3);

    ASSERT_NE(r->threadInfo, nullptr);
    EXPECT_EQ(r->threadInfo->viewCounter, 3);
    EXPECT_EQ(r->threadInfo->lastRes, 9);
    EXPECT_EQ(r->threadInfo->serverTime, 4294967296LL);
    EXPECT_EQ(std::u16string(r->threadInfo->thread), u"77");
    EXPECT_EQ(std::u16string(r->threadInfo->ticket), u"0xab");
    EXPECT_EQ(r->threadInfo->next, nullptr);
    ASSERT_NE(r->stateText, nullptr);
    EXPECT_STREQ(r->stateText, "");

    record.Free();
    EXPECT_EQ(record.get()->chats, nullptr);
    EXPECT_EQ(record.get()->threadInfo, nullptr);
    EXPECT_EQ(record.get()->title, nullptr);
}

TEST(ResultRecord, OneThreadEntryPerForkAndTheStateText)
{
    ParseContext context;
    ASSERT_TRUE(parseChats(context, u"<chat no=\"1\">x</chat>", kNoRunningNumbers));
    context.viewCounter = 5;
    context.threadEntries.push_back({qarvo::C_WString(u"7:owner"), 3, 3});
    context.threadEntries.push_back({qarvo::C_WString(u"7"), 900, 1000});
    context.stateText = "why";
    ResultRecord record;
    const ParseResult* r = record.Build(context);
    EXPECT_STREQ(r->stateText, "why");
    ASSERT_NE(r->threadInfo, nullptr);
    EXPECT_EQ(std::u16string(r->threadInfo->thread), u"7:owner");
    EXPECT_EQ(r->threadInfo->viewCounter, 5);
    const ThreadInfo* second = r->threadInfo->next;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::u16string(second->thread), u"7");
    EXPECT_EQ(second->lastRes, 900);
    EXPECT_EQ(second->commentCount, 1000);
    EXPECT_EQ(second->next, nullptr);
}
