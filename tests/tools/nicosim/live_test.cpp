// Live and Jikkyo: the player status and the comment servers over TCP.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/net.h"
#include "tools/nicosim/text_codec.h"

#include <chrono>
#include <thread>

namespace nicosim::test {
namespace {

const std::string kLive = "live.nicovideo.jp";

// The text between "<tag>" and the next "<".
std::string element(const std::string& xml, const std::string& tag)
{
    const size_t at = xml.find("<" + tag + ">");
    if (at == std::string::npos)
        return "<missing>";
    const size_t start = at + tag.size() + 2;
    return xml.substr(start, xml.find('<', start) - start);
}

// A live comment client: sends the request and collects NUL-terminated elements.
class LiveClient {
public:
    LiveClient(int port, const std::string& thread, int resFrom) : m_socket(net::connectLoopback(port, 10000))
    {
        const std::string request = "<thread thread=\"" + thread + "\" res_from=\"-" + std::to_string(resFrom) +
                                    "\" version=\"20061206\" />";
        net::writeAll(m_socket, request + std::string(1, '\0'), 10000);
    }

    bool connected() const { return m_socket.valid(); }

    // Reads until `count` elements in all have arrived, the peer closes, or time runs out.
    void readElements(size_t count, int timeoutMs = 20000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (completeElements() < count && !m_closed && std::chrono::steady_clock::now() < deadline)
            readOnce(100);
    }
    // Reads for a while, for tests that expect nothing more.
    void readFor(int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!m_closed && std::chrono::steady_clock::now() < end)
            readOnce(50);
    }

    std::vector<std::string> elements() const
    {
        std::vector<std::string> list;
        size_t start = 0;
        for (size_t nul = m_data.find('\0'); nul != std::string::npos; nul = m_data.find('\0', start)) {
            list.push_back(m_data.substr(start, nul - start));
            start = nul + 1;
        }
        return list;
    }
    size_t completeElements() const { return countOf(m_data, std::string(1, '\0')); }
    const std::string& data() const { return m_data; }
    bool closed() const { return m_closed; }

private:
    void readOnce(int ms)
    {
        char buffer[4096];
        size_t got = 0;
        const net::Io result = net::readWithin(m_socket, buffer, sizeof buffer, got, ms);
        if (result == net::Io::Done)
            m_data.append(buffer, got);
        else if (result != net::Io::WouldBlock)
            m_closed = true;
    }

    net::Socket m_socket;
    std::string m_data;
    bool m_closed = false;
};

int chatNumber(const std::string& element)
{
    std::string no;
    return findXmlAttribute(element, "no", no) ? std::stoi(no) : -1;
}

using PlayerStatusTest = SimTest;

TEST_F(PlayerStatusTest, RunningBroadcastNamesItsCommentServer)
{
    const HttpResult r = get(kLive, "/api/getplayerstatus?v=lv1", true);
    ASSERT_EQ(r.status, 200);
    const std::string text = percentDecode(r.body);
    EXPECT_EQ(text.find("<code>"), std::string::npos);
    EXPECT_EQ(element(text, "addr"), "127.0.0.1");
    EXPECT_EQ(element(text, "port"), std::to_string(sim->livePort()));
    EXPECT_EQ(element(text, "thread"), sim->catalogue().live("lv1")->threadId);
    // Parts of the answer are percent-encoded, as the service's were.
    EXPECT_NE(r.body.find("%3A%2F%2F"), std::string::npos);
    // Jikkyo channels are asked for on the live host too.
    EXPECT_EQ(element(get(kLive, "/api/getplayerstatus?v=jk1", true).body, "thread"),
              sim->catalogue().live("jk1")->threadId);
}

TEST_F(PlayerStatusTest, EndedBroadcastGuestsAndUnknownIds)
{
    EXPECT_NE(element(get(kLive, "/api/getplayerstatus?v=lv2", true).body, "code").find("close"), std::string::npos);
    const std::string guest = element(get(kLive, "/api/getplayerstatus?v=lv1", false).body, "code");
    EXPECT_EQ(guest, "notlogin");
    EXPECT_EQ(element(get(kLive, "/api/getplayerstatus?v=lv99", true).body, "code"), "notfound");
    // The pages themselves: both broadcasts exist, an unknown one does not.
    EXPECT_EQ(get(kLive, "/watch/lv1").status, 200);
    EXPECT_EQ(get(kLive, "/watch/lv2").status, 200);
    EXPECT_EQ(get(kLive, "/watch/lv99").status, 404);
    EXPECT_EQ(get("jk.nicovideo.jp", "/watch/jk1").status, 200);
}

using LiveServerTest = SimTest;

TEST_F(LiveServerTest, AnswersWithThreadAndTheLastChats)
{
    const LiveFacts lv1 = *sim->catalogue().live("lv1");
    LiveClient client(sim->livePort(), lv1.threadId, 5);
    ASSERT_TRUE(client.connected());
    client.readElements(6);
    const std::vector<std::string> list = client.elements();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].rfind("<thread ", 0), 0u);
    EXPECT_NE(list[0].find("resultcode=\"0\""), std::string::npos);
    EXPECT_NE(list[0].find("last_res=\"" + std::to_string(lv1.initialChats) + "\""), std::string::npos);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(list[i].rfind("<chat ", 0), 0u) << list[i];
        EXPECT_EQ(chatNumber(list[i]), lv1.initialChats - 5 + i);
        EXPECT_NE(list[i].find(" date_usec=\""), std::string::npos);
    }
    // Nothing more comes while the clock stands still.
    client.readFor(300);
    EXPECT_EQ(client.completeElements(), 6u);
    EXPECT_FALSE(client.closed());
    EXPECT_EQ(sim->requestCount(Step::Live), 1);
    ASSERT_TRUE(sim->lastRequest(Step::Live));
    EXPECT_NE(sim->lastRequest(Step::Live)->body.find("res_from=\"-5\""), std::string::npos);
}

TEST_F(LiveServerTest, PushedChatsReachEveryListenerOnce)
{
    const LiveFacts jk1 = *sim->catalogue().live("jk1");
    LiveClient first(sim->livePort(), jk1.threadId, 0);
    LiveClient second(sim->livePort(), jk1.threadId, 1);
    first.readElements(1);
    second.readElements(2);
    ASSERT_TRUE(sim->pushChats("jk1", 3));
    first.readElements(4);
    second.readElements(5);
    ASSERT_EQ(first.completeElements(), 4u);
    ASSERT_EQ(second.completeElements(), 5u);
    const std::vector<std::string> list = first.elements();
    EXPECT_EQ(chatNumber(list[1]), jk1.initialChats + 1);
    EXPECT_EQ(chatNumber(list[3]), jk1.initialChats + 3);
    EXPECT_EQ(sim->liveChatCount("jk1"), jk1.initialChats + 3);
    EXPECT_FALSE(sim->pushChats("lv2", 1)); // ended
    EXPECT_FALSE(sim->pushChats("lv404", 1));
}

TEST_F(LiveServerTest, FaultsCloseHangUpAndGarbage)
{
    const std::string thread = sim->catalogue().live("lv1")->threadId;
    LiveClient closing(sim->livePort(), thread + "~close", 2);
    closing.readElements(100, 10000);
    EXPECT_TRUE(closing.closed());
    EXPECT_EQ(closing.completeElements(), 3u);

    LiveClient hangup(sim->livePort(), thread + "~live.hangup", 2);
    hangup.readElements(1, 10000);
    EXPECT_TRUE(hangup.closed());
    EXPECT_EQ(hangup.data(), "");

    LiveClient garbage(sim->livePort(), thread + "~garbage", 2);
    garbage.readFor(500);
    EXPECT_GT(garbage.data().size(), 1000u);
    EXPECT_EQ(garbage.data().find("</chat"), std::string::npos);
    EXPECT_EQ(garbage.data().find("resultcode"), std::string::npos);

    LiveClient unknown(sim->livePort(), "999", 2);
    unknown.readElements(5, 10000);
    EXPECT_TRUE(unknown.closed());
    ASSERT_EQ(unknown.elements().size(), 1u);
    EXPECT_NE(unknown.elements()[0].find("resultcode=\"1\""), std::string::npos);
}

class LiveClockTest : public SimTest {
protected:
    Options options() const override
    {
        Options o = SimTest::options();
        o.livePushMs = 40;
        return o;
    }
};

TEST_F(LiveClockTest, ChatsArriveOnTheClockInOrder)
{
    const LiveFacts lv1 = *sim->catalogue().live("lv1");
    LiveClient client(sim->livePort(), lv1.threadId, 1);
    client.readElements(8);
    const std::vector<std::string> list = client.elements();
    ASSERT_GE(list.size(), 8u);
    for (size_t i = 2; i < list.size(); ++i)
        EXPECT_EQ(chatNumber(list[i]), chatNumber(list[i - 1]) + 1);
    // The ended broadcast does not move.
    EXPECT_EQ(sim->liveChatCount("lv2"), sim->catalogue().live("lv2")->initialChats);
}

TEST(LiveServerStop, StopEndsWhileClientsAreConnected)
{
    Options options;
    options.livePushMs = 10;
    auto server = std::make_unique<Server>(options);
    ASSERT_TRUE(server->start()) << server->lastError();
    LiveClient client(server->livePort(), server->catalogue().live("lv1")->threadId, 10);
    client.readElements(3);
    server->stop();
    client.readElements(100000, 10000);
    EXPECT_TRUE(client.closed());
    // A second stop, and the destructor after it, change nothing.
    server->stop();
    server.reset();
}

} // namespace
} // namespace nicosim::test
