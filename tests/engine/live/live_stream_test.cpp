#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/handlers/live_handler.h"
#include "engine/job/request_words.h"
#include "engine/parse/chat_item.h"
#include "engine/parse/parse_context.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/net/socket.h"
#include "qarvo/thread/event.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

// A comment server of our own on loopback: the test scripts every byte it sends. The
// handler is handed a connection to it directly, as if the connection phase had made it.
class ScriptedStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_listener.Startup(qarvo::C_Socket::kServer, qarvo::C_Socket::kTcp, qarvo::C_String("127.0.0.1"), 0), 1);
        const int port = m_listener.GetLocalPort();
        m_listener.SetTimeOut(10000);
        std::thread accepter([this] { m_accepted = m_listener.Accept(&m_peer) == 1; });
        auto socket = qarvo::common::MakePointer<qarvo::C_Socket>();
        ASSERT_EQ(socket->Startup(qarvo::C_Socket::kClient, qarvo::C_Socket::kTcp, qarvo::C_String("127.0.0.1"), port), 1);
        accepter.join();
        ASSERT_TRUE(m_accepted);
        context.liveSocket = socket;
        context.liveThread = "1";
        context.stopFlag = &stop;
        words = splitRequest(qarvo::C_WString(u"http://live.nicovideo.jp/watch/lv1 2 ori2"));
    }
    void TearDown() override
    {
        closeLiveConnection(context);
        m_peer.Close();
        m_listener.Close();
    }

    void send(const std::string& bytes)
    {
        ASSERT_EQ(m_peer.Send(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size())),
                  static_cast<int>(bytes.size()));
    }
    int call()
    {
        context.clearChats();
        return handleLive("http://127.0.0.1:1/watch/lv1", words, context, 2);
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (const ChatItem& item : context.chats)
            result.push_back(System::utf16_to_utf8(qarvo::C_WString(std::u16string(textOf(item.text)))).std());
        return result;
    }

    static std::string chat(int no, const std::string& text)
    {
        return "<chat thread=\"1\" no=\"" + std::to_string(no) + "\" vpos=\"0\" date=\"1\">" + text + "</chat>" +
               std::string(1, '\0');
    }

    std::atomic<int> stop{0};
    ParseContext context;
    qarvo::C_WArrayString words;
    qarvo::C_Socket m_peer;

private:
    qarvo::C_Socket m_listener;
    bool m_accepted = false;
};

TEST_F(ScriptedStream, ElementCutAtTheReadBoundaryArrivesWithTheNextCall)
{
    const std::string second = chat(2, "b");
    send(chat(1, "a") + second.substr(0, 20));
    ASSERT_EQ(call(), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"a"});

    send(second.substr(20) + chat(3, "c"));
    ASSERT_EQ(call(), 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"b", "c"}));
}

TEST_F(ScriptedStream, LastCompleteChatOfACallIsDelivered)
{
    send(chat(10, "only"));
    ASSERT_EQ(call(), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"only"});
}

TEST_F(ScriptedStream, DeletedChatsCountTowardTheRequestedComments)
{
    // Comments 1 and 3 and a deleted (self-closed) comment 2: with count 2 that is one more
    // than asked for, so the call ends at once instead of waiting for comments pushed later.
    send(chat(1, "a") + "<chat thread=\"1\" no=\"2\" vpos=\"0\" date=\"1\" deleted=\"1\"/>" + std::string(1, '\0') +
         chat(3, "c"));
    std::atomic<bool> done{false};
    std::thread pusher([&] {
        // Pushes keep coming, so a reader that waited for more would never see a silent second.
        for (int i = 0; i < 40 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 800 : 100));
            if (!done)
                send(chat(100 + i, "later"));
        }
    });
    const int code = call();
    done = true;
    pusher.join();
    ASSERT_EQ(code, 0);
    EXPECT_EQ(texts(), (std::vector<std::string>{"a", "", "c"}));
}

TEST_F(ScriptedStream, EndlessElementOverflowsAndEndsWithoutGrowing)
{
    // The one reconnection is spent already: an overflow ends the job.
    context.reconnected = 1;
    std::thread flood([this] {
        const std::string block(64 * 1024, 'x');
        std::string start = "<chat thread=\"1\" no=\"1\">";
        m_peer.Send(reinterpret_cast<const unsigned char*>(start.data()), static_cast<int>(start.size()));
        for (int i = 0; i < 17 * 16 + 4; ++i)
            if (m_peer.Send(reinterpret_cast<const unsigned char*>(block.data()), static_cast<int>(block.size())) < 1)
                break;
    });
    EXPECT_EQ(call(), 1);
    flood.join();
    EXPECT_TRUE(context.liveTail.empty());
    EXPECT_FALSE(context.liveSocket);
    // The job is over: no new connection is made.
    EXPECT_EQ(call(), 1);
}

TEST_F(ScriptedStream, PeerThatClosesEndsTheCallInsteadOfSpinning)
{
    context.reconnected = 1;
    send(chat(1, "a"));
    m_peer.Close();
    // Delivered at once, not after a silent second of spinning on a closed socket; the job
    // goes on to follow the broadcast and will connect again.
    ASSERT_EQ(call(), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"a"});
    EXPECT_FALSE(context.liveSocket);
    EXPECT_TRUE(context.liveFollowing);
}

}  // namespace
}  // namespace pelmora::engine
