#include "qarvo/net/proxy_tunnel.h"

#include <gtest/gtest.h>

#include "qarvo/net/socket.h"
#include "tests/qarvo/support/script_server.h"

using namespace qarvo;
using namespace qarvo::test;

namespace {

// Connects a socket to `server` and runs the tunnel set-up on it.
bool tunnel(ScriptServer& server, Connection* owner, int limitMs = 5000, std::string* after = nullptr)
{
    C_Socket s;
    if (!s.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), server.Port()))
        return false;
    const bool ok = net::openProxyTunnel(*owner, s.GetHandle(), C_String("secure.invalid"), 443, limitMs, nullptr);
    if (ok && after) {
        C_String rest;
        s.SetTimeOut(2000);
        s.Recv(&rest, 64);
        *after = rest.std();
    }
    return ok;
}

}  // namespace

TEST(ProxyTunnel, AnswerInTwoPacketsIsAcceptedAndNotOverread)
{
    ScriptServer proxy([](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send("HTTP/1.1 200 Connection established\r\n");
        c.Pause(50);
        c.Send("Proxy-Agent: sim\r\n\r\n");
        c.Pause(50);
        c.Send("TUNNEL");
    });
    Connection owner;
    std::string after;
    ASSERT_TRUE(tunnel(proxy, &owner, 5000, &after));
    EXPECT_EQ(proxy.Requests().at(0), "CONNECT secure.invalid:443 HTTP/1.0\r\nHost: secure.invalid\r\n\r\n");
    EXPECT_EQ(after, "TUNNEL");
}

TEST(ProxyTunnel, RefusalsCarryTheProxyText)
{
    struct Case {
        std::string answer;
        std::u16string state;
    };
    const Case cases[] = {
        {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", u"407 Proxy Authentication Required"},
        {"SSH-2.0-OpenSSH\r\n", u"proxy is protocol error!"},
        {"", u"proxy is no answer!"},
    };
    for (const Case& c : cases) {
        ScriptServer proxy([&](ScriptConnection& conn) {
            if (!conn.ReadRequest().empty() && !c.answer.empty())
                conn.Send(c.answer);
        });
        Connection owner;
        EXPECT_FALSE(tunnel(proxy, &owner));
        EXPECT_EQ(owner.General_GetLastState(), C_WString(c.state)) << c.answer;
    }
}

TEST(ProxyTunnel, SilentProxyTimesOut)
{
    ScriptServer proxy([](ScriptConnection& c) {
        c.ReadRequest();
        c.Pause(3000);
    });
    Connection owner;
    EXPECT_FALSE(tunnel(proxy, &owner, 200));
    EXPECT_EQ(owner.General_GetLastState(), C_WString(u"proxy is no answer / time out!"));
}
