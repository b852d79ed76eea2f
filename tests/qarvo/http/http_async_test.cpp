// Exchanges that succeed: what goes on the wire and what is read back.
#include <gtest/gtest.h>

#include "tests/qarvo/http/http_test_support.h"
#include "tests/qarvo/http/zlib_samples.h"

using namespace qarvo;
using namespace qarvo::test;

TEST(HttpExchange, DefaultGetBytesAndAnswerFields)
{
    ScriptServer server([](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send("HTTP/1.0 200 OK\r\nDate: Tue, 01 Jan 2030 00:00:00 GMT\r\nserver: sim\r\nContent-Type: text/plain\r\n"
               "Set-Cookie: a=1\r\nSET-COOKIE:b=2\r\nETag: \"x\"\r\nContent-Length: 5\r\n\r\nhello");
    });
    C_HttpAsync http;
    ASSERT_EQ(fetch(http, localUrl(server, "/p?q=1")), I_HttpType::kSuccess) << http.GetLastState().ToString().c_str();
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /p?q=1 HTTP/1.0\r\nAccept: */*\r\nAccept-Language: ja\r\n"
                                    "Accept-Encoding: gzip,deflate\r\nConnection: close\r\nHost: " +
                                        host + "\r\nUser-Agent: agent_async1.17\r\n\r\n");
    EXPECT_EQ(body(http), "hello");
    EXPECT_EQ(http.GetStatusCode(), "200");
    EXPECT_EQ(http.GetLength(), 5);
    EXPECT_EQ(http.GetServer(), "sim");
    EXPECT_EQ(http.GetType(), "text/plain");
    EXPECT_EQ(http.GetETag(), "\"x\"");
    EXPECT_STREQ(http.GetHeaderField("content-type"), "text/plain");
    EXPECT_STREQ(http.GetHeaderField("Content-Type:"), "text/plain");
    EXPECT_EQ(http.GetHeaderField("X-None"), nullptr);
    EXPECT_EQ(http.GetHeaders()[0], "HTTP/1.0 200 OK");
    ASSERT_EQ(http.GetCookie().Length(), 2);
    EXPECT_EQ(http.GetCookie()[1], "b=2");
    EXPECT_EQ(http.GetLastStateCode(), 0);
    char small[4];
    EXPECT_EQ(http.GetResponse(small, 4), 0);
    C_Memory copy;
    EXPECT_EQ(http.GetResponse(&copy), 5);
}

TEST(HttpExchange, PostFormReachesTheServer)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n");
    });
    C_HttpAsync http;
    http.SetRequestMethod(1);
    http.AddBody("a", "b c");
    http.AddBody("d", "e");
    ASSERT_EQ(fetch(http, localUrl(server, "/form")), I_HttpType::kSuccess);
    const std::string req = server.Requests().at(0);
    EXPECT_EQ(req.substr(0, req.find("\r\n")), "POST /form HTTP/1.0");
    EXPECT_EQ(req.substr(req.find("Content-Type:")),
              "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 9\r\n\r\na=b+c&d=e");
    // Redirects are the caller's business.
    EXPECT_EQ(http.GetStatusCode(), "302");
    EXPECT_STREQ(http.GetHeaderField("location"), "/next");
}

TEST(HttpExchange, ChunkedAnswerSplitAtAwkwardPlaces)
{
    // Each piece goes out on its own after a pause, so that the client reads them apart:
    // inside a size line, between CR and LF, a lone LF, inside the final line.
    const std::vector<std::string> pieces = {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1", "0\r",
                                             "\n0123456789abcdef\r\n5\nhello\n", "3;ext=1\r\nxyz\r", "\n0\r",
                                             "\n\r\n"};
    ScriptServer server([&](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        for (const std::string& p : pieces) {
            c.Send(p);
            c.Pause(30);
        }
        // The connection stays open: the final chunk alone ends the answer.
        c.WaitPeerClose(5000);
    });
    C_HttpAsync http;
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kSuccess) << http.GetLastState().ToString().c_str();
    EXPECT_EQ(body(http), "0123456789abcdefhelloxyz");
}

TEST(HttpExchange, InterimContinueIsDropped)
{
    ScriptServer server([](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        c.Send("HTTP/1.1 100 Continue\r\n\r\n");
        c.Pause(20);
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    });
    C_HttpAsync http;
    http.SetHTTPVersion(1);
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kSuccess);
    EXPECT_EQ(http.GetStatusCode(), "200");
    EXPECT_EQ(http.GetHeaders()[0], "HTTP/1.1 200 OK");
    EXPECT_EQ(http.GetHeaders().Length(), 2);
    EXPECT_EQ(body(http), "ok");
}

TEST(HttpExchange, GzipAndDeflateBodiesAreDecoded)
{
    const std::string text = sampleText(200000);
    for (const std::string coding : {"gzip", "deflate", "raw-deflate"}) {
        const std::string encoded =
            coding == std::string("gzip") ? gzipOf(text) : coding == std::string("deflate") ? zlibOf(text)
                                                                                         : rawDeflateOf(text);
        const std::string header = coding == std::string("gzip") ? "gzip" : "deflate";
        ScriptServer server([&](ScriptConnection& c) {
            if (!c.ReadRequest().empty())
                c.Send("HTTP/1.0 200 OK\r\nContent-Encoding: " + header +
                       "\r\nContent-Length: " + std::to_string(encoded.size()) + "\r\n\r\n" + encoded);
        });
        C_HttpAsync http;
        ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kSuccess) << coding;
        EXPECT_EQ(body(http), text) << coding;
        EXPECT_EQ(http.GetDownloadSize(), static_cast<int64_t>(encoded.size()));
    }
}

TEST(HttpExchange, ReaderStreamDeliversChunkedGzipInOrder)
{
    const std::string text = sampleText(600000);
    const std::string encoded = gzipOf(text);
    std::vector<std::string> pieces;
    for (size_t i = 0; i < encoded.size(); i += 7001)
        pieces.push_back(encoded.substr(i, 7001));
    ScriptServer server([&](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n" + chunked(pieces));
    });
    C_HttpAsync http;
    http.SetReaderStream(true);
    ASSERT_EQ(http.Open(localUrl(server).c_str(), 10000), 1);
    ASSERT_EQ(http.Connect(), 1);
    std::string got;
    C_Memory piece;
    for (;;) {
        const int n = http.ReaderStream(&piece, 65536, 5000);
        if (n == 0)
            break;
        ASSERT_GT(n, 0);
        got.append(piece.GetChars(), static_cast<size_t>(n));
    }
    // Once the stream has ended the result is known without waiting for it.
    EXPECT_EQ(http.GetLastCommandStat(), I_HttpType::kSuccess);
    EXPECT_EQ(http.WaitForConnecting(), I_HttpType::kSuccess);
    EXPECT_EQ(got, text);
    EXPECT_EQ(http.ReaderStream(&piece, 10, 10), 0);
    EXPECT_EQ(http.GetResponseSize(), 0);
    C_HttpAsync plain;
    EXPECT_EQ(plain.ReaderStream(&piece, 10, 10), -1);
}

TEST(HttpExchange, BasicChallengeIsAnsweredOnce)
{
    ScriptServer server([](ScriptConnection& c) {
        const std::string req = c.ReadRequest();
        if (req.empty())
            return;
        if (req.find("Authorization: Basic dXNlcjpwYXNz\r\n") != std::string::npos)
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\nsecret");
        else
            c.Send("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"sim\"\r\nContent-Length: 4\r\n\r\nnope");
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetAuthorize(1, "user", "pass"), 1);
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kSuccess);
    EXPECT_EQ(http.GetStatusCode(), "200");
    EXPECT_EQ(body(http), "secret");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[0].find("Authorization"), std::string::npos);
    EXPECT_EQ(http.SetAuthorize(1, "x", "y"), 0);  // refused once connected
}

TEST(HttpExchange, SecondChallengeIsReturnedAsIs)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"sim\"\r\nContent-Length: 4\r\n\r\nnope");
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetAuthorize(1, "user", "wrong"), 1);
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kSuccess);
    EXPECT_EQ(http.GetStatusCode(), "401");
    EXPECT_EQ(body(http), "nope");
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(HttpExchange, KeepAliveRequestReusesTheConnection)
{
    ScriptServer server([](ScriptConnection& c) {
        for (int i = 0; i < 2; ++i) {
            const std::string req = c.ReadRequest();
            if (req.empty())
                return;
            const std::string path = req.substr(4, req.find(' ', 4) - 4);
            c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(path.size()) + "\r\n\r\n" + path);
        }
        c.WaitPeerClose(5000);
    });
    C_HttpAsync http;
    http.SetHTTPVersion(1);
    ASSERT_EQ(http.SetConnection(1), 1);
    ASSERT_EQ(fetch(http, localUrl(server, "/first")), I_HttpType::kSuccess);
    EXPECT_EQ(body(http), "/first");
    EXPECT_EQ(http.Request(C_String("http://other.example/x")), 0);
    EXPECT_EQ(http.GetLastStateCode(), I_HttpType::kStateHostDiffers);
    ASSERT_EQ(http.Request(C_String("/second?x=1")), 1);
    EXPECT_EQ(http.WaitForConnecting(), I_HttpType::kSuccess);
    EXPECT_EQ(body(http), "/second?x=1");
    EXPECT_EQ(http.GetURL(), localUrl(server, "/second?x=1"));
    EXPECT_EQ(server.Connections(), 1);
}

TEST(HttpExchange, ConnectToOverrideKeepsTheHostLine)
{
    ScriptServer server([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    });
    const std::string port = std::to_string(server.Port());
    {
        ScopedEnv env("PELMORA_CONNECT_TO", "other.invalid:80:127.0.0.2:1,WWW.Service.INVALID:80:127.0.0.1:" + port);
        C_HttpAsync http;
        ASSERT_EQ(fetch(http, "http://www.service.invalid/watch/1"), I_HttpType::kSuccess)
            << http.GetLastState().ToString().c_str();
        EXPECT_NE(server.Requests().back().find("\r\nHost: www.service.invalid\r\n"), std::string::npos);
    }
    {
        // The explicit port in the address is the one matched (and, without a rule, connected to).
        ScopedEnv env("PELMORA_CONNECT_TO", "www.service.invalid:8080:127.0.0.1:" + port);
        C_HttpAsync http;
        ASSERT_EQ(fetch(http, "http://www.service.invalid:8080/x"), I_HttpType::kSuccess);
        EXPECT_NE(server.Requests().back().find("\r\nHost: www.service.invalid:8080\r\n"), std::string::npos);
    }
    {
        C_HttpAsync http;
        http.SetPortNumber(9);  // ignored: the address names its port
        ASSERT_EQ(fetch(http, localUrl(server, "/y")), I_HttpType::kSuccess);
    }
}

TEST(HttpExchange, ProxiedRequestGoesToTheProxy)
{
    ScriptServer proxy([](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nvia");
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetProxy("127.0.0.1", proxy.Port(), true), 1);
    ASSERT_EQ(fetch(http, "http://video.invalid/a?b=c"), I_HttpType::kSuccess);
    EXPECT_EQ(proxy.Requests().at(0), "GET http://video.invalid/a?b=c HTTP/1.0\r\nAccept: */*\r\n"
                                      "Accept-Language: ja\r\nAccept-Encoding: gzip,deflate\r\nConnection: close\r\n"
                                      "Host: video.invalid\r\nUser-Agent: agent_async1.17\r\n\r\n");
    EXPECT_EQ(body(http), "via");
}

TEST(HttpExchange, ExactLimitFitsTheBuffer)
{
    // A 30720-byte buffer holds header and body of at most 30720 - 10240 = 20480 bytes.
    const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
    const std::string content(20480 - head.size(), 'x');
    ScriptServer server([&](ScriptConnection& c) {
        if (!c.ReadRequest().empty())
            c.Send(head + content);
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetHTTPBufferSize(30720), 1);
    ASSERT_EQ(fetch(http, localUrl(server)), I_HttpType::kSuccess) << http.GetLastState().ToString().c_str();
    EXPECT_EQ(body(http), content);
}

// The body is received straight into the buffer that becomes the answer (grown as it comes, or
// sized at once by Content-Length), and in reader-stream mode a plain body goes from the socket
// into the stream buffer: whatever the way, the bytes come whole and in order, also when the
// reader lags behind a small stream buffer.
TEST(HttpExchange, LargeBodiesComeWholeInBothModes)
{
    const std::string content = sampleText(3 << 20);
    const auto serveIn = [&](bool announceLength) {
        return [&, announceLength](ScriptConnection& c) {
            if (c.ReadRequest().empty())
                return;
            c.Send(announceLength ? "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(content.size()) + "\r\n\r\n"
                                  : std::string("HTTP/1.0 200 OK\r\n\r\n"));
            // Uneven pieces with pauses, so that reads end anywhere.
            for (size_t at = 0, n = 1; at < content.size(); at += n, n = n * 7 % 300007 + 1) {
                c.Send(std::string_view(content).substr(at, n));
                if (n % 5 == 0 && !c.Pause(1))
                    return;
            }
        };
    };
    for (const bool announceLength : {true, false}) {
        ScriptServer server(serveIn(announceLength));
        C_HttpAsync whole;
        ASSERT_EQ(whole.SetHTTPBufferSize(4 << 20), 1);
        ASSERT_EQ(fetch(whole, localUrl(server)), I_HttpType::kSuccess);
        EXPECT_TRUE(body(whole) == content) << "length announced: " << announceLength;
        // Taken over without a copy, terminated.
        C_Memory taken;
        ASSERT_EQ(whole.TakeResponse(&taken), static_cast<int64_t>(content.size()));
        ASSERT_EQ(taken.GetSize(), static_cast<int>(content.size()) + 1);
        EXPECT_EQ(taken.GetChars()[content.size()], '\0');
        EXPECT_TRUE(std::string_view(taken.GetChars(), content.size()) == content);
        EXPECT_EQ(whole.GetResponseSize(), 0);

        C_HttpAsync stream;
        ASSERT_EQ(stream.SetHTTPBufferSize(30720), 1);  // the stream buffer holds at most this much
        stream.SetReaderStream(true);
        ASSERT_EQ(stream.Open(localUrl(server).c_str(), 20000), 1);
        ASSERT_EQ(stream.Connect(), 1);
        std::string got;
        C_Memory piece;
        for (int n; (n = stream.ReaderStream(&piece, 1000, 5000)) > 0;)
            got.append(piece.GetChars(), static_cast<size_t>(n));
        EXPECT_EQ(stream.WaitForConnecting(), I_HttpType::kSuccess);
        EXPECT_TRUE(got == content) << "length announced: " << announceLength << ", got " << got.size();
    }
}
