#include <gtest/gtest.h>

#include <string>

#include "engine/parse/live_elements.h"

using namespace pelmora::engine;

namespace {

std::string chat(int no, const std::string& text)
{
    return "<chat thread=\"1\" no=\"" + std::to_string(no) + "\">" + text + "</chat>" + std::string(1, '\0');
}

}  // namespace

// The same stream cut at every point, read as two calls of the live reader: the complete
// elements delivered (NULs turned to spaces), the new comments counted and the repeated
// comment left out are the same wherever the cut falls.
TEST(LiveElements, SameElementsWhereverTheReadsSplit)
{
    const std::string stream = "<thread thread=\"1\" last_res=\"2\"/>" + std::string(1, '\0') + chat(1, "a") +
                               "<chat no=\"2\" deleted=\"1\"/>" + std::string(1, '\0') + chat(1, "again") +
                               chat(3, "c") + "<chat no=\"4\">cut";
    const std::string expected = "<thread thread=\"1\" last_res=\"2\"/> <chat thread=\"1\" no=\"1\">a</chat> "
                                 "<chat no=\"2\" deleted=\"1\"/> <chat thread=\"1\" no=\"3\">c</chat> ";
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        ParseContext context;
        int chats = 0;
        std::string delivered;
        for (const std::string& piece : {stream.substr(0, cut), stream.substr(cut)}) {
            std::string received = std::move(context.liveTail);
            LiveElementCounter counter(context.liveLastNo);
            received += piece;
            counter.Update(received);
            chats += counter.Chats();
            delivered += takeCompleteElements(received, context);
        }
        ASSERT_EQ(delivered, expected) << "cut at " << cut;
        EXPECT_EQ(chats, 3) << "cut at " << cut;
        EXPECT_EQ(context.liveTail, "<chat no=\"4\">cut");
        EXPECT_EQ(context.liveLastNo, 3);
    }
}

// Only the chat start tag's own no attribute numbers a comment: a text, or another
// attribute's value, that reads ` no="99999"` must not hide every later comment as a repeat.
TEST(LiveElements, NumberComesFromTheStartTagOnly)
{
    EXPECT_EQ(liveChatNumber("<chat thread=\"1\" no=\"12\" vpos=\"0\">a</chat>"), 12);
    EXPECT_EQ(liveChatNumber("<chat no='7' deleted=\"1\"/>"), 7);
    EXPECT_EQ(liveChatNumber("<chat thread=\"1\" vpos=\"0\">see no=\"99999\"</chat>"), -1);
    EXPECT_EQ(liveChatNumber("<chat mail=\" no=&quot;5\" user_id=' no=\"99999\"' no=\"3\">x</chat>"), 3);
    EXPECT_EQ(liveChatNumber("<chatter no=\"4\">x</chatter>"), -1);
    EXPECT_EQ(liveChatNumber("<chat no=\"99999999999\">x</chat>"), -1);

    ParseContext context;
    context.liveLastNo = 5;
    std::string received = "<chat no=\"6\">x no=\"99999\"</chat>" + std::string(1, '\0') + chat(7, "next") +
                           "<chat vpos=\"1\">x no=\"99999\"</chat>" + std::string(1, '\0') + chat(8, "last");
    LiveElementCounter counter(context.liveLastNo);
    counter.Update(received);
    EXPECT_EQ(counter.Chats(), 4);
    const std::string text = takeCompleteElements(received, context);
    EXPECT_NE(text.find(">last</chat>"), std::string::npos) << text;
    EXPECT_EQ(context.liveLastNo, 8);
}
