#include "qarvo/net/connect_to.h"

#include <gtest/gtest.h>

using qarvo::C_String;
using qarvo::net::applyConnectTo;

namespace {

struct Target {
    bool matched;
    std::string host;
    int port;
};

Target apply(const char* rules, const char* host, int port)
{
    C_String h(host);
    int p = port;
    const bool m = applyConnectTo(rules, &h, &p);
    return {m, h.std(), p};
}

}  // namespace

TEST(ConnectTo, FirstMatchingRuleWins)
{
    const char* rules = "a.jp:80:127.0.0.1:9001, b.jp:80:127.0.0.1:9002,b.jp:80:10.0.0.1:1";
    auto t = apply(rules, "b.jp", 80);
    EXPECT_TRUE(t.matched);
    EXPECT_EQ(t.host, "127.0.0.1");
    EXPECT_EQ(t.port, 9002);
}

TEST(ConnectTo, HostMatchIgnoresCaseButPortMustMatch)
{
    auto t = apply("WWW.Example.JP:443:127.0.0.1:8443", "www.example.jp", 443);
    EXPECT_TRUE(t.matched);
    EXPECT_EQ(t.port, 8443);
    t = apply("www.example.jp:443:127.0.0.1:8443", "www.example.jp", 80);
    EXPECT_FALSE(t.matched);
    EXPECT_EQ(t.host, "www.example.jp");
    EXPECT_EQ(t.port, 80);
}

TEST(ConnectTo, EmptyFieldsMatchAnyOrKeep)
{
    auto t = apply("::127.0.0.1:", "any.jp", 8080);  // any host and port, keep the port
    EXPECT_TRUE(t.matched);
    EXPECT_EQ(t.host, "127.0.0.1");
    EXPECT_EQ(t.port, 8080);
    t = apply("h.jp:80::9000", "h.jp", 80);  // keep the host
    EXPECT_EQ(t.host, "h.jp");
    EXPECT_EQ(t.port, 9000);
}

TEST(ConnectTo, MalformedRulesAreSkipped)
{
    for (const char* bad : {"h.jp:80:127.0.0.1", "h.jp:x:127.0.0.1:1", "h.jp:80:127.0.0.1:70000",
                            "h.jp:80:127.0.0.1:1:2", "", ",,,"}) {
        auto t = apply(bad, "h.jp", 80);
        EXPECT_FALSE(t.matched) << bad;
        EXPECT_EQ(t.host, "h.jp") << bad;
        EXPECT_EQ(t.port, 80) << bad;
    }
    auto t = apply("broken,h.jp:80:127.0.0.1:5", "h.jp", 80);
    EXPECT_TRUE(t.matched);
    EXPECT_EQ(t.port, 5);
    EXPECT_FALSE(apply(nullptr, "h.jp", 80).matched);
}

// Read once and kept: connects on worker threads never read the environment while a test
// changes it (a data race); the change counts from reloadConnectTo() on.
TEST(ConnectTo, EnvironmentIsReadOnceUntilReloaded)
{
    setenv(qarvo::net::kConnectToVariable, "a.invalid:80:127.0.0.1:1000", 1);
    qarvo::net::reloadConnectTo();
    qarvo::C_String host("a.invalid");
    int port = 80;
    EXPECT_TRUE(qarvo::net::applyConnectToFromEnvironment(&host, &port));
    EXPECT_EQ(port, 1000);

    setenv(qarvo::net::kConnectToVariable, "a.invalid:80:127.0.0.1:2000", 1);
    host = "a.invalid";
    port = 80;
    qarvo::net::applyConnectToFromEnvironment(&host, &port);
    EXPECT_EQ(port, 1000);
    qarvo::net::reloadConnectTo();
    host = "a.invalid";
    port = 80;
    qarvo::net::applyConnectToFromEnvironment(&host, &port);
    EXPECT_EQ(port, 2000);

    unsetenv(qarvo::net::kConnectToVariable);
    qarvo::net::reloadConnectTo();
    host = "a.invalid";
    port = 80;
    EXPECT_FALSE(qarvo::net::applyConnectToFromEnvironment(&host, &port));
}
