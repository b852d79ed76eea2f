#include <gtest/gtest.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <memory>

#include "tests/qarvo/http/http_test_support.h"
#include "qarvo/net/socket.h"
#include "qarvo/tls/ssl.h"
#include "qarvo/time/clock.h"
#include "tests/qarvo/tls/test_certificates.h"

using namespace qarvo;
using namespace qarvo::test;

namespace {

// A TLS server on loopback: each connection gets a handshake with the given certificate, one
// request is read and `answer` is written.
class TlsServer {
public:
    TlsServer(const TestPki& pki, std::string answer) : m_answer(std::move(answer))
    {
        m_ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_file(m_ctx, pki.certFile.c_str(), SSL_FILETYPE_PEM);
        SSL_CTX_use_PrivateKey_file(m_ctx, pki.keyFile.c_str(), SSL_FILETYPE_PEM);
        m_server = std::make_unique<ScriptServer>([this](ScriptConnection& c) { serve(c); });
    }
    ~TlsServer()
    {
        m_server.reset();
        SSL_CTX_free(m_ctx);
    }
    int Port() const { return m_server->Port(); }
    int Handshakes() const { return m_handshakes.load(); }

private:
    void serve(ScriptConnection& c)
    {
        // A client that gives up mid-handshake must not leave this thread blocked.
        timeval limit{5, 0};
        setsockopt(static_cast<int>(c.Handle()), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, static_cast<int>(c.Handle()));
        if (SSL_accept(ssl) == 1) {
            m_handshakes.fetch_add(1);
            std::string request;
            char piece[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int n = SSL_read(ssl, piece, sizeof piece);
                if (n <= 0)
                    break;
                request.append(piece, static_cast<size_t>(n));
            }
            size_t done = 0;
            while (done < m_answer.size()) {
                const int n = SSL_write(ssl, m_answer.data() + done, static_cast<int>(m_answer.size() - done));
                if (n <= 0)
                    break;
                done += static_cast<size_t>(n);
            }
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        ERR_clear_error();
    }

    SSL_CTX* m_ctx = nullptr;
    std::string m_answer;
    std::atomic<int> m_handshakes{0};
    std::unique_ptr<ScriptServer> m_server;
};

class TlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(makeTestPki("Pelmora Test CA", &m_trusted));
        m_trust = std::make_unique<ScopedEnv>("SSL_CERT_FILE", m_trusted.caFile);
        // An empty folder keeps the system's own CAs out of these tests.
        m_noDir = std::make_unique<ScopedEnv>("SSL_CERT_DIR", m_trusted.folder + "/none");
    }

    TestPki m_trusted;
    std::unique_ptr<ScopedEnv> m_trust;
    std::unique_ptr<ScopedEnv> m_noDir;
};

std::string bigBody()
{
    std::string s(700000, '\0');
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char>('a' + i % 26);
    return s;
}

}  // namespace

TEST_F(TlsTest, TrustedCertificateByNameAndAddress)
{
    const std::string content = bigBody();
    TlsServer server(m_trusted, "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(content.size()) +
                                    "\r\n\r\n" + content);
    for (const std::string host : {"localhost", "127.0.0.1"}) {
        C_HttpAsync http;
        ASSERT_EQ(fetch(http, "https://" + host + ":" + std::to_string(server.Port()) + "/secure"),
                  I_HttpType::kSuccess)
            << host << ": " << http.GetLastState().ToString().c_str();
        EXPECT_EQ(body(http), content);
    }
    EXPECT_EQ(server.Handshakes(), 2);
}

TEST_F(TlsTest, UntrustedCertificateFailsWithReason)
{
    TestPki stranger;
    ASSERT_TRUE(makeTestPki("Stranger CA", &stranger));
    TlsServer server(stranger, "HTTP/1.0 200 OK\r\n\r\nnever");
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, "https://localhost:" + std::to_string(server.Port()) + "/"), I_HttpType::kFailed);
    const C_String why = http.GetLastState().ToString();
    EXPECT_TRUE(why.Contains("certificate verify failed")) << why.c_str();
    EXPECT_TRUE(why.Contains("unable to get local issuer certificate")) << why.c_str();
    EXPECT_EQ(server.Handshakes(), 0);
}

TEST_F(TlsTest, WrongHostNameFails)
{
    TlsServer server(m_trusted, "HTTP/1.0 200 OK\r\n\r\nnever");
    const std::string port = std::to_string(server.Port());
    ScopedEnv redirect("PELMORA_CONNECT_TO", "wrong.invalid:" + port + ":127.0.0.1:" + port);
    C_HttpAsync http;
    EXPECT_EQ(fetch(http, "https://wrong.invalid:" + port + "/"), I_HttpType::kFailed);
    const C_String why = http.GetLastState().ToString();
    EXPECT_TRUE(why.Contains("hostname mismatch")) << why.c_str();
}

TEST_F(TlsTest, SilentServerEndsAtTheDeadline)
{
    ScriptServer silent([](ScriptConnection& c) { c.Pause(5000); });
    C_HttpAsync http;
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(fetch(http, "https://localhost:" + std::to_string(silent.Port()) + "/", 300), I_HttpType::kTimedOut);
    EXPECT_LT(qarvo_time_millis() - start, 3000u);
    EXPECT_EQ(http.GetLastStateCode(), 11);
}

TEST_F(TlsTest, BoundedHandshakeReportsAbortAndDeadline)
{
    ScriptServer silent([](ScriptConnection& c) { c.Pause(3000); });
    C_Socket client;
    ASSERT_EQ(client.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), silent.Port()), 1);
    C_SSL ssl;
    ASSERT_EQ(ssl.Startup(0), 1);
    EXPECT_EQ(ssl.Startup(0), 0);  // already started
    int reason = -1;
    EXPECT_EQ(ssl.Attach(client.GetHandle(), net::Deadline::None(), [] { return true; }, &reason), 0);
    EXPECT_EQ(reason, C_SSL::kReasonAborted);
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(ssl.Attach(client.GetHandle(), net::Deadline::After(100), nullptr, &reason), 0);
    EXPECT_EQ(reason, C_SSL::kReasonDeadline);
    // The poll is 10 ms; the bound allows for a loaded machine.
    EXPECT_LT(qarvo_time_millis() - start, 1000u);
}

TEST_F(TlsTest, HandshakeThroughAProxyTunnel)
{
    TlsServer origin(m_trusted, "HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\ntunnel");
    // A CONNECT proxy that relays both ways to the origin once it has answered.
    ScriptServer proxy([&](ScriptConnection& c) {
        if (c.ReadRequest().empty())
            return;
        const platform::socket_t up = platform::socketCreate(platform::SocketType::Tcp);
        bool inProgress = false;
        if (platform::socketConnect(up, platform::Ipv4Endpoint{0x7f000001, static_cast<uint16_t>(origin.Port())},
                                    &inProgress) != 0) {
            platform::socketClose(up);
            return;
        }
        c.Send("HTTP/1.0 200 Connection established\r\n\r\n");
        char buf[16384];
        for (bool open = true; open && !proxy.Stopping();) {
            open = false;
            for (auto [from, to] : {std::pair{c.Handle(), up}, std::pair{up, c.Handle()}}) {
                if (platform::socketWaitReadable(from, 5) <= 0) {
                    open = true;
                    continue;
                }
                const long n = platform::socketRecv(from, buf, sizeof buf);
                if (n > 0 && platform::socketSend(to, buf, n) == n)
                    open = true;
            }
        }
        platform::socketClose(up);
    });
    C_HttpAsync http;
    ASSERT_EQ(http.SetProxy("127.0.0.1", proxy.Port(), true), 1);
    ASSERT_EQ(fetch(http, "https://localhost:" + std::to_string(origin.Port()) + "/in"), I_HttpType::kSuccess)
        << http.GetLastState().ToString().c_str();
    EXPECT_EQ(body(http), "tunnel");
    EXPECT_EQ(proxy.Requests().at(0), "CONNECT localhost:" + std::to_string(origin.Port()) +
                                          " HTTP/1.0\r\nHost: localhost:" +
                                          std::to_string(origin.Port()) + "\r\n\r\n");
}

TEST_F(TlsTest, ResetConnectionIsAFailureWhateverTheErrnoLaterSays)
{
    // The server completes the handshake, then resets the connection (no close_notify, no FIN).
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_file(ctx, m_trusted.certFile.c_str(), SSL_FILETYPE_PEM);
    SSL_CTX_use_PrivateKey_file(ctx, m_trusted.keyFile.c_str(), SSL_FILETYPE_PEM);
    {
        ScriptServer server([ctx](ScriptConnection& c) {
            SSL* ssl = SSL_new(ctx);
            SSL_set_fd(ssl, static_cast<int>(c.Handle()));
            if (SSL_accept(ssl) == 1)
                c.Pause(200);
            const linger reset{1, 0};
            setsockopt(static_cast<int>(c.Handle()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            SSL_free(ssl);
            ERR_clear_error();
            c.Close();
        });
        C_Socket client;
        ASSERT_EQ(client.Startup(C_Socket::kClient, C_Socket::kTcp, C_String("127.0.0.1"), server.Port()), 1);
        C_SSL ssl;
        ASSERT_EQ(ssl.Startup(0), 1);
        ssl.SetHostName(C_String("localhost"));
        ASSERT_EQ(ssl.Attach(client.GetHandle(), net::Deadline::After(5000), nullptr, nullptr), 1)
            << ssl.GetLastErrorString().c_str();
        char piece[256];
        int r = ssl.Read(piece, sizeof piece);
        for (int waited = 0; r <= 0 && ssl.GetIoState(r) == C_SSL::kIoWouldBlock && waited < 5000; waited += 10) {
            qarvo_sleep_millis(10);
            r = ssl.Read(piece, sizeof piece);
        }
        // The system error is the one of the failed read, not whatever errno holds by now.
        errno = 0;
        EXPECT_EQ(ssl.GetIoState(r), C_SSL::kIoFailed);
    }
    SSL_CTX_free(ctx);
}

TEST(SslLibrary, StartCountFollowsCleanup)
{
    const int before = C_SSL::GetStartedCount();
    {
        C_SSL a, b;
        ASSERT_EQ(a.Startup(0), 1);
        ASSERT_EQ(b.Startup(0), 1);
        EXPECT_EQ(C_SSL::GetStartedCount(), before + 2);
        a.Cleanup();
        EXPECT_EQ(C_SSL::GetStartedCount(), before + 1);
        a.Cleanup();  // a second cleanup releases nothing more
        EXPECT_EQ(C_SSL::GetStartedCount(), before + 1);
    }
    EXPECT_EQ(C_SSL::GetStartedCount(), before);
    C_SSL unstarted;
    EXPECT_EQ(unstarted.Attach(platform::kInvalidSocket), 0);
    EXPECT_FALSE(unstarted.GetLastErrorString().IsEmpty());
}
