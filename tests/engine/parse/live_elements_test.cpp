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
// elements delivered (NULs turned to spaces), the comments counted and the repeated comment
// left out are the same wherever the cut falls.
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
            LiveElementCounter counter;
            received += piece;
            counter.Update(received);
            chats += counter.Chats();
            delivered += takeCompleteElements(received, context);
        }
        ASSERT_EQ(delivered, expected) << "cut at " << cut;
        EXPECT_EQ(chats, 4) << "cut at " << cut;
        EXPECT_EQ(context.liveTail, "<chat no=\"4\">cut");
        EXPECT_EQ(context.liveLastNo, 3);
    }
}
