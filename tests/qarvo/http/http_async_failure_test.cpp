// Exchanges that end badly, early or on request: the command status, the state code and
// what stays readable.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/qarvo/http/http_test_support.h"
#include "qarvo/time/clock.h"
#include "tests/qarvo/http/zlib_samples.h"

using namespace qarvo;
using namespace qarvo::test;

namespace {

// Polls `condition` every 5 ms for up to 10 s.
template <class F>
bool eventually(F condition)
{
    for (int i = 0; i < 2000; ++i) {
        if (condition())
            return true;
        qarvo_sleep_millis(5);
    }
    return false;
}

}  // namespace

TEST(HttpFailure, OneByteOverTheBufferLimit)
{
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
    const std::string content(20480 - head.size() + 1, 'x');
    ScriptServer server([&](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send(head + content);
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetHTTPBufferSize(30720), 1);
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kFailed);
    EXPECT_EQ(http.GetLastStateCode(), 15);
    EXPECT_EQ(http.GetLastState(), C_WString(u"受信バッファが足りません。"));
}

TEST(HttpFailure, ShortContentLengthKeepsTheData)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd");
    });
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kDisconnected);
    EXPECT_EQ(http.GetLastStateCode(), I_HttpType::kStatePartialData);
    EXPECT_EQ(http.GetLastState(), C_WString(u"切断されました。途中データは取得できます。"));
    EXPECT_EQ(body(http), "abcd");
    EXPECT_TRUE(http.IsResumeAble());
    http.Close();
    http.SetCheckLength(true);
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kDisconnected);
    EXPECT_EQ(http.GetLastStateCode(), I_HttpType::kStateShortLength);
}

TEST(HttpFailure, UnfinishedChunkedBody)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel");
    });
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kDisconnected);
    EXPECT_EQ(http.GetLastStateCode(), I_HttpType::kStateChunkUnfinished);
    EXPECT_EQ(body(http), "hel");
}

TEST(HttpFailure, MalformedChunkSizeFails)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n12345678901234567\r\nx");
    });
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kFailed);
    EXPECT_EQ(http.GetLastState(), C_WString(u"the chunked body is malformed"));
}

TEST(HttpFailure, CloseBeforeAnyData)
{
    ScriptServer server([](ScriptConnection& c) { c.ReadRequest(); });
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kFailed);
    EXPECT_EQ(http.GetLastStateCode(), 14);
    EXPECT_FALSE(http.IsResumeAble());
}

TEST(HttpFailure, RefusedConnectionAndUnknownHost)
{
    int port;
    {
        ScriptServer gone([](ScriptConnection&) {});
        port = gone.Port();
    }
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, "http://127.0.0.1:" + std::to_string(port) + "/"), I_HttpType::kFailed);
    EXPECT_EQ(http.GetLastStateCode(), 9);
    http.Close();
    EXPECT_EQ(fetch(http, "http://no-such-host.invalid/"), I_HttpType::kFailed);
    EXPECT_EQ(http.GetLastStateCode(), 7);
    EXPECT_EQ(http.GetLastState(), C_WString(u"名前解決できません。"));
}

TEST(HttpFailure, SlowAnswerHitsTheDeadline)
{
    ScriptServer server([](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
        c.Pause(5000);
    });
    C_HttpAsync http;
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(fetch(http, localUrl(server), 300), I_HttpType::kTimedOut);
    EXPECT_LT(qarvo_time_millis() - start, 4000u);
    EXPECT_EQ(http.GetLastStateCode(), 11);
    EXPECT_EQ(body(http), "0123456789");
    EXPECT_TRUE(http.IsResumeAble());
}

TEST(HttpFailure, AbortEndsTheWorkerPromptlyAndKeepsData)
{
    ScriptServer server([](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
        c.Pause(10000);
    });
    C_HttpAsync http;
    ASSERT_EQ(http.Open(localUrl(server).c_str(), -1), 1);
    ASSERT_EQ(http.Connect(), 1);
    ASSERT_TRUE(eventually([&] { return http.GetDownloadSize() == 10; }));
    EXPECT_EQ(http.GetLastCommandStat(), I_HttpType::kRunning);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.Abort(), 1);
    const auto took = std::chrono::steady_clock::now() - start;
    // About 50 ms is the aim; the bound is generous for a loaded machine.
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    EXPECT_EQ(http.GetLastCommandStat(), I_HttpType::kAborted);
    EXPECT_EQ(http.GetLastStateCode(), 19);
    EXPECT_EQ(body(http), "0123456789");
    EXPECT_TRUE(http.IsResumeAble());
    // The finished worker is held until Close.
    EXPECT_EQ(http.Connect(), 0);
    EXPECT_EQ(http.GetLastStateCode(), 18);
}

TEST(HttpFailure, OutsideStopFlagAborts)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Pause(10000);
    });
    std::atomic<int> closing{0};
    C_HttpAsync http;
    http.AbortObject(&closing);
    ASSERT_EQ(http.Open(localUrl(server).c_str(), -1), 1);
    ASSERT_EQ(http.Connect(), 1);
    ASSERT_TRUE(eventually([&] { return !server.Requests().empty(); }));
    closing.store(1);
    EXPECT_EQ(http.WaitForConnecting(), I_HttpType::kAborted);
    EXPECT_EQ(http.GetLastStateCode(), 19);
    EXPECT_FALSE(http.IsResumeAble());
}

TEST(HttpFailure, ResumeAsksForTheRest)
{
    ScriptServer server([](ScriptConnection& c) {
        const std::string req = c.ReadRequest();
        if (req.empty())
            return;
        if (req.find("Range: bytes=4-\r\n") != std::string::npos)
            c.Send("HTTP/1.0 206 Partial Content\r\nContent-Length: 6\r\n\r\nefghij");
        else
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd");
    });
    C_HttpAsync http;
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kDisconnected);
    ASSERT_EQ(http.Resume(), 1);
    EXPECT_EQ(http.WaitForConnecting(), I_HttpType::kSuccess);
    EXPECT_EQ(body(http), "abcdefghij");
    EXPECT_EQ(http.GetStatusCode(), "206");
    EXPECT_FALSE(http.IsResumeAble());
    EXPECT_EQ(http.Resume(), 0);
}

TEST(HttpFailure, ResumeWithoutConnectOnlyReopens)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabcd");
    });
    C_HttpAsync http;
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kDisconnected);
    ASSERT_EQ(http.Resume(1), 1);
    EXPECT_EQ(http.GetRangeFirst(), 4);
    EXPECT_EQ(http.GetLastCommandStat(), I_HttpType::kSuccess);
    EXPECT_EQ(server.Connections(), 1);
}

TEST(HttpFailure, LifecycleRefusals)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Pause(300);
    });
    C_HttpAsync http;
    EXPECT_EQ(http.Connect(), 0);
    EXPECT_EQ(http.GetLastStateCode(), 16);
    EXPECT_EQ(http.Close(), 0);
    ASSERT_EQ(http.Open(localUrl(server).c_str(), 5000), 1);
    ASSERT_EQ(http.Connect(), 1);
    EXPECT_EQ(http.Connect(), 0);
    EXPECT_EQ(http.GetLastStateCode(), 18);
    EXPECT_EQ(http.Close(), 1);
    EXPECT_EQ(http.GetLastCommandStat(), I_HttpType::kSuccess);
    EXPECT_EQ(http.Request(C_String("/x")), 0);
    EXPECT_EQ(http.GetLastStateCode(), I_HttpType::kStateNotConnected);
}

TEST(HttpFailure, ZeroTimeOutEndsAtOnce)
{
    ScriptServer server([](ScriptConnection& c) { c.ReadRequest(1000); });
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, localUrl(server), 0), I_HttpType::kTimedOut);
    EXPECT_EQ(http.GetLastStateCode(), 11);
}

TEST(HttpFailure, InflatedBodyIsCappedLikeTheRawOne)
{
    const std::string bomb = gzipOf(std::string(8 << 20, 'a'));
    ScriptServer server([&](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) +
                   "\r\n\r\n" + bomb);
    });
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, localUrl(server)), I_HttpType::kFailed);
    EXPECT_TRUE(http.GetLastState().ToString().Contains("larger than the receive buffer"));
}

TEST(HttpFailure, TunnelRefusedByTheProxy)
{
    ScriptServer proxy([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.1 407 Proxy Authentication Required\r\nContent-Length: 0\r\n\r\n");
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetProxy("127.0.0.1", proxy.Port(), true), 1);
    EXPECT_EQ(fetch(http, "https://secure.invalid/path"), I_HttpType::kFailed);
    EXPECT_EQ(proxy.Requests().at(0), "CONNECT secure.invalid:443 HTTP/1.0\r\nHost: secure.invalid\r\n\r\n");
    EXPECT_EQ(http.GetLastState(), C_WString(u"407 Proxy Authentication Required"));
}
