#include "qarvo/net/socket.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "qarvo/time/clock.h"
#include "tests/qarvo/support/script_server.h"
#include "qarvo/net/connect_to.h"

using namespace qarvo;
using namespace qarvo::test;

TEST(CSocket, ClientSendsAndReceives)
{
    ScriptServer server([](ScriptConnection& c) {
        char buf[64];
        platform::socketWaitReadable(c.Handle(), 5000);
        const long n = platform::socketRecv(c.Handle(), buf, sizeof buf);
        c.Send("echo:" + std::string(buf, n > 0 ? static_cast<size_t>(n) : 0));
        c.WaitPeerClose(5000);
    });
    C_Socket s;
    ASSERT_EQ(s.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), server.Port()), 1);
    EXPECT_TRUE(s.IsConnected());
    EXPECT_EQ(s.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), server.Port()), 0);
    const unsigned char hello[] = {'h', 'i', 0};
    EXPECT_EQ(s.Send(hello, 3), 3);
    C_String text;
    EXPECT_EQ(s.Recv(&text, 1024), 8);
    EXPECT_EQ(text, C_String(std::string("echo:hi\0", 8)));
    EXPECT_EQ(s.Close(), 1);
    EXPECT_FALSE(s.IsOpen());
}

TEST(CSocket, QuietConnectionTimesOutAndClosedPeerGivesZero)
{
    ScriptServer server([](ScriptConnection& c) {
        c.Pause(300);
        c.Send("x");
    });
    C_Socket s;
    ASSERT_EQ(s.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), server.Port()), 1);
    s.SetTimeOut(50);
    unsigned char buf[16];
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(s.Recv(buf, sizeof buf), 0);  // time-out, nothing read
    EXPECT_GE(qarvo_time_millis() - start, 40u);
    s.SetTimeOut(5000);
    EXPECT_EQ(s.Recv(buf, sizeof buf), 1);
    EXPECT_EQ(s.Recv(buf, sizeof buf), 0);  // the peer closed
    s.Close();
    EXPECT_EQ(s.Recv(buf, sizeof buf), -1);  // no socket
}

TEST(CSocket, CallbackLoopSeesDataAndClose)
{
    ScriptServer server([](ScriptConnection& c) {
        c.Send("abc");
        c.Pause(30);
        c.Send("de");
    });
    C_Socket s;
    ASSERT_EQ(s.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), server.Port()), 1);
    struct Seen {
        std::string data;
        int closed = 0;
    } seen;
    const int64_t total = s.Recv(
        [](int event, int count, const unsigned char* data, void* user) {
            auto* s = static_cast<Seen*>(user);
            if (event == C_Socket::kRecvData)
                s->data.append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
            if (event == C_Socket::kRecvClosed)
                ++s->closed;
            return 1;
        },
        &seen);
    EXPECT_EQ(total, 5);
    EXPECT_EQ(seen.data, "abcde");
    EXPECT_EQ(seen.closed, 1);
}

TEST(CSocket, ClientStartupFollowsConnectTo)
{
    ScriptServer server([](ScriptConnection& c) { c.Send("live"); });
    setenv("PELMORA_CONNECT_TO", ("msg.live.invalid:2805:127.0.0.1:" + std::to_string(server.Port())).c_str(), 1);
    qarvo::net::reloadConnectTo();
    C_Socket s;
    const int started = s.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("MSG.live.invalid"), 2805);
    unsetenv("PELMORA_CONNECT_TO");
    qarvo::net::reloadConnectTo();
    ASSERT_EQ(started, 1);
    C_String got;
    EXPECT_EQ(s.Recv(&got, 16), 4);
    EXPECT_EQ(got, "live");
    C_Socket unknown;
    EXPECT_EQ(unknown.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("no-such-host.invalid"), 80), 0);
    EXPECT_EQ(unknown.General_GetLastStateCode(), 7);
}

TEST(CSocket, ServerModeAcceptsOnLoopback)
{
    C_Socket listener;
    ASSERT_EQ(listener.Startup(C_Socket::kServer, C_Socket::kTcp, C_String("127.0.0.1"), 0), 1);
    const int port = listener.GetLocalPort();
    ASSERT_GT(port, 0);
    C_Socket client;
    ASSERT_EQ(client.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), port), 1);
    C_Socket accepted;
    ASSERT_EQ(listener.Accept(&accepted), 1);
    EXPECT_EQ(accepted.Send(C_String("ping")), 4);
    C_String got;
    EXPECT_EQ(client.Recv(&got, 16), 4);
    EXPECT_EQ(got, "ping");
}
