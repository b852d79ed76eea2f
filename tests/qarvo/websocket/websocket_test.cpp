#include <gtest/gtest.h>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <atomic>
#include <memory>
#include <thread>

#include "qarvo/net/websocket.h"
#include "qarvo/time/clock.h"
#include "tests/qarvo/http/http_test_support.h"
#include "tests/qarvo/support/clean_end.h"
#include "tests/qarvo/support/script_server.h"
#include "tests/qarvo/tls/test_certificates.h"

using namespace qarvo;
using namespace qarvo::test;

namespace {

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (const int b : list)
        s.push_back(static_cast<char>(b));
    return s;
}

// An unmasked server frame; `first` holds FIN, the reserved bits and the opcode.
std::string serverFrame(int first, std::string_view payload)
{
    std::string f(1, static_cast<char>(first));
    if (payload.size() < 126) {
        f.push_back(static_cast<char>(payload.size()));
    } else {
        f += bytes({126, static_cast<int>(payload.size() >> 8), static_cast<int>(payload.size() & 0xFF)});
    }
    return f + std::string(payload);
}

// The accept value computed with OpenSSL's SHA-1 and base64, apart from the client's code.
std::string acceptOf(const std::string& key)
{
    const std::string joined = key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(joined.data()), joined.size(), digest);
    unsigned char out[64];
    const int n = EVP_EncodeBlock(out, digest, SHA_DIGEST_LENGTH);
    return std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n));
}

struct ClientFrame {
    int first = 0;
    bool masked = false;
    uint8_t mask[4] = {};
    std::string payload;
};

// The server's end of one connection, plain or over TLS.
class Peer {
public:
    Peer(ScriptConnection& c, SSL* ssl) : m_c(c), m_ssl(ssl) {}

    bool Send(std::string_view data)
    {
        if (!m_ssl)
            return m_c.Send(data);
        return SSL_write(m_ssl, data.data(), static_cast<int>(data.size())) == static_cast<int>(data.size());
    }
    // Exactly n bytes, within 5 s.
    bool Read(size_t n, std::string* out)
    {
        out->clear();
        const uint32_t start = qarvo_time_millis();
        while (out->size() < n) {
            char piece[4096];
            const size_t want = std::min(sizeof piece, n - out->size());
            long r;
            if (m_ssl) {
                r = SSL_read(m_ssl, piece, static_cast<int>(want));
            } else {
                if (qarvo_time_millis() - start > 5000)
                    return false;
                if (platform::socketWaitReadable(m_c.Handle(), 20) <= 0)
                    continue;
                r = platform::socketRecv(m_c.Handle(), piece, static_cast<long>(want));
            }
            if (r <= 0)
                return false;
            out->append(piece, static_cast<size_t>(r));
        }
        return true;
    }
    std::string ReadHead()
    {
        std::string head, c;
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && Read(1, &c))
            head += c;
        return head;
    }
    std::string KeyOf(const std::string& head)
    {
        const size_t at = head.find("Sec-WebSocket-Key: ");
        return at == std::string::npos ? std::string() : head.substr(at + 19, head.find("\r\n", at) - at - 19);
    }
    // Reads the request and answers 101 with the right accept value; `after` goes in the same write.
    bool Accept(std::string_view after = {})
    {
        m_request = ReadHead();
        return Send("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                    "Sec-WebSocket-Accept: " +
                    acceptOf(KeyOf(m_request)) + "\r\n\r\n" + std::string(after));
    }
    bool ReadFrame(ClientFrame* f)
    {
        std::string h;
        if (!Read(2, &h))
            return false;
        f->first = static_cast<uint8_t>(h[0]);
        f->masked = (static_cast<uint8_t>(h[1]) & 0x80) != 0;
        size_t length = static_cast<uint8_t>(h[1]) & 0x7F;
        if (length == 126) {
            if (!Read(2, &h))
                return false;
            length = (static_cast<size_t>(static_cast<uint8_t>(h[0])) << 8) | static_cast<uint8_t>(h[1]);
        } else if (length == 127) {
            if (!Read(8, &h))
                return false;
            length = 0;
            for (const char c : h)
                length = (length << 8) | static_cast<uint8_t>(c);
        }
        if (f->masked) {
            if (!Read(4, &h))
                return false;
            std::copy(h.begin(), h.end(), f->mask);
        }
        if (!Read(length, &f->payload))
            return false;
        for (size_t i = 0; f->masked && i < length; ++i)
            f->payload[i] = static_cast<char>(f->payload[i] ^ f->mask[i % 4]);
        return true;
    }
    const std::string& Request() const { return m_request; }

private:
    ScriptConnection& m_c;
    SSL* m_ssl;
    std::string m_request;
};

// A scripted WebSocket server on 127.0.0.1; TLS when given a certificate.
class WsServer {
public:
    using Script = std::function<void(Peer&)>;
    explicit WsServer(Script script, const TestPki* pki = nullptr) : m_script(std::move(script))
    {
        if (pki) {
            m_ctx = SSL_CTX_new(TLS_server_method());
            SSL_CTX_use_certificate_file(m_ctx, pki->certFile.c_str(), SSL_FILETYPE_PEM);
            SSL_CTX_use_PrivateKey_file(m_ctx, pki->keyFile.c_str(), SSL_FILETYPE_PEM);
        }
        m_server = std::make_unique<ScriptServer>([this](ScriptConnection& c) { serve(c); });
    }
    ~WsServer()
    {
        m_server.reset();
        if (m_ctx)
            SSL_CTX_free(m_ctx);
    }
    std::string Url(const std::string& host = "127.0.0.1", const std::string& path = "/ws") const
    {
        return std::string(m_ctx ? "wss://" : "ws://") + host + ":" + std::to_string(m_server->Port()) + path;
    }
    int Port() const { return m_server->Port(); }

private:
    void serve(ScriptConnection& c)
    {
        if (!m_ctx) {
            Peer peer(c, nullptr);
            m_script(peer);
            return;
        }
        timeval limit{5, 0};
        setsockopt(static_cast<int>(c.Handle()), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, static_cast<int>(c.Handle()));
        if (SSL_accept(ssl) == 1) {
            Peer peer(c, ssl);
            m_script(peer);
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        ERR_clear_error();
    }

    Script m_script;
    SSL_CTX* m_ctx = nullptr;
    std::unique_ptr<ScriptServer> m_server;
};

std::string stateOf(const C_WebSocket& ws) { return ws.General_GetLastState().ToString().c_str(); }

int closeCodeOf(const ClientFrame& f)
{
    return f.payload.size() < 2 ? 0 : (static_cast<uint8_t>(f.payload[0]) << 8) | static_cast<uint8_t>(f.payload[1]);
}

}  // namespace

TEST(WebSocketHandshake, AcceptedRefusedAndMismatched)
{
    // The server's helper agrees with the protocol's own example key.
    ASSERT_EQ(acceptOf("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");

    std::string request;
    {
        // A message in the same write as the 101 answer must not be lost.
        WsServer good([&](Peer& p) {
            p.Accept(serverFrame(0x81, "{\"type\":\"ping\"}"));
            request = p.Request();
            ClientFrame f;
            p.ReadFrame(&f);
        });
        // The address names a host that only PELMORA_CONNECT_TO can reach.
        const std::string port = std::to_string(good.Port());
        ScopedEnv redirect("PELMORA_CONNECT_TO", "live.example.invalid:" + port + ":127.0.0.1:" + port);
        C_WebSocket ws;
        ASSERT_EQ(ws.Open(good.Url("live.example.invalid", "/wsapi/v2/watch/lv1?audience_token=a_b&x=1#frag").c_str(),
                          {{"Origin", "https://live.example.invalid"}, {"User-Agent", "PelmoraVista"}}, 5000),
                  1)
            << stateOf(ws);
        EXPECT_TRUE(ws.IsOpen());
        std::string message;
        bool binary = true;
        EXPECT_EQ(ws.Receive(&message, &binary, 5000), C_WebSocket::kMessage);
        EXPECT_EQ(message, "{\"type\":\"ping\"}");
        EXPECT_FALSE(binary);
        ws.Close(1000, {}, 0);
    }
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /wsapi/v2/watch/lv1?audience_token=a_b&x=1 HTTP/1.1");
    for (const char* line : {"\r\nHost: live.example.invalid:", "\r\nUpgrade: websocket\r\n", "\r\nConnection: Upgrade\r\n",
                             "\r\nSec-WebSocket-Version: 13\r\n", "\r\nOrigin: https://live.example.invalid\r\n",
                             "\r\nUser-Agent: PelmoraVista\r\n"})
        EXPECT_NE(request.find(line), std::string::npos) << line << " in " << request;
    // The key is 16 random bytes in base64: 24 characters ending in "==".
    const size_t keyAt = request.find("Sec-WebSocket-Key: ");
    ASSERT_NE(keyAt, std::string::npos);
    EXPECT_EQ(request.substr(keyAt + 19 + 22, 4), "==\r\n");

    struct Case {
        std::string answer;
        std::string state;
    };
    const std::vector<Case> cases = {
        {"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n", "WebSocket handshake refused: HTTP/1.1 403 Forbidden"},
        {"HTTP/1.1 200 OK\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n", "WebSocket handshake refused: HTTP/1.1 200 OK"},
        {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
         "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n",
         "Sec-WebSocket-Accept does not match"},
        {"HTTP/1.1 101 Switching Protocols\r\nConnection: Upgrade\r\n\r\n", "WebSocket handshake answer lacks Upgrade: websocket"},
    };
    for (const Case& c : cases) {
        WsServer bad([&](Peer& p) {
            p.ReadHead();
            p.Send(c.answer);
        });
        C_WebSocket ws;
        EXPECT_EQ(ws.Open(bad.Url().c_str(), {}, 5000), 0);
        EXPECT_EQ(stateOf(ws), c.state);
        EXPECT_FALSE(ws.IsOpen());
    }
    C_WebSocket ws;
    EXPECT_EQ(ws.Open("http://127.0.0.1/ws", {}, 1000), 0);
    EXPECT_EQ(ws.Open("ws://127.0.0.1:1/ws", {{"Cookie", "a=1\r\nX-Evil: 1"}}, 1000), 0);
    EXPECT_EQ(stateOf(ws), "WebSocket request header holds a line break");
}

TEST(WebSocketMessages, FragmentsWithAPingInTheMiddleAndMaskedSends)
{
    ClientFrame pong, first, second;
    auto server = std::make_unique<WsServer>([&](Peer& p) {
        p.Accept();
        p.Send(serverFrame(0x01, "Hel") + serverFrame(0x89, "beat-1") + serverFrame(0x00, "lo ") +
               serverFrame(0x80, "world") + serverFrame(0x82, std::string(300, '\x7f')));
        p.ReadFrame(&pong);
        p.ReadFrame(&first);
        p.ReadFrame(&second);
        // Every byte on its own, with a pause, so that frames arrive over many reads.
        const std::string tail = serverFrame(0x81, "split") + serverFrame(0x89, "") + serverFrame(0x81, "done");
        for (const char c : tail) {
            p.Send(std::string_view(&c, 1));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ClientFrame ignored;
        p.ReadFrame(&ignored);
    });
    C_WebSocket ws;
    ASSERT_EQ(ws.Open(server->Url().c_str(), {}, 5000), 1) << stateOf(ws);
    std::string message;
    bool binary = true;
    ASSERT_EQ(ws.Receive(&message, &binary, 5000), C_WebSocket::kMessage) << stateOf(ws);
    EXPECT_EQ(message, "Hello world");
    EXPECT_FALSE(binary);
    ASSERT_EQ(ws.Receive(&message, &binary, 5000), C_WebSocket::kMessage);
    EXPECT_EQ(message, std::string(300, '\x7f'));
    EXPECT_TRUE(binary);
    const std::string big(70000, 'j');
    EXPECT_EQ(ws.SendText("{\"type\":\"startWatching\"}", 5000), 1);
    EXPECT_EQ(ws.SendText(big, 5000), 1);
    for (const char* expected : {"split", "done"}) {
        ASSERT_EQ(ws.Receive(&message, nullptr, 5000), C_WebSocket::kMessage) << stateOf(ws);
        EXPECT_EQ(message, expected);
    }
    ws.Close(1000, {}, 200);
    server.reset();

    EXPECT_EQ(pong.first, 0x8A);
    EXPECT_TRUE(pong.masked);
    EXPECT_EQ(pong.payload, "beat-1");
    EXPECT_EQ(first.first, 0x81);
    EXPECT_TRUE(first.masked);
    EXPECT_EQ(first.payload, "{\"type\":\"startWatching\"}");
    EXPECT_EQ(second.payload, big);
    // A fresh mask per frame (the odds of two equal random masks are 2^-32).
    EXPECT_NE(std::string(reinterpret_cast<char*>(first.mask), 4), std::string(reinterpret_cast<char*>(second.mask), 4));
}

TEST(WebSocketMessages, ProtocolFaultsAndCapsFailWithCloseCodes)
{
    struct Case {
        std::string frames;
        std::string state;
        int closeCode;
    };
    const std::vector<Case> cases = {
        {bytes({0x81, 0x82, 1, 2, 3, 4, 'h' ^ 1, 'i' ^ 2}), "WebSocket frame from the server is masked", 1002},
        {serverFrame(0xC1, "x"), "WebSocket frame sets reserved bits", 1002},
        {serverFrame(0x83, "x"), "WebSocket frame has an unknown opcode", 1002},
        {serverFrame(0x80, "x"), "WebSocket continuation frame with no message to continue", 1002},
        {serverFrame(0x09, "x"), "WebSocket control frame is fragmented", 1002},
        {serverFrame(0x89, std::string(126, 'p')), "WebSocket control frame is longer than 125 bytes", 1002},
        {serverFrame(0x81, std::string(65, 'b')), "WebSocket frame is larger than the cap", 1009},
        {serverFrame(0x01, std::string(60, 'b')) + serverFrame(0x80, std::string(60, 'b')),
         "WebSocket message is larger than the cap", 1009},
    };
    for (const Case& c : cases) {
        ClientFrame close;
        auto server = std::make_unique<WsServer>([&](Peer& p) {
            p.Accept(c.frames);
            p.ReadFrame(&close);
        });
        C_WebSocket ws;
        ws.SetLimits(64, 100);
        ASSERT_EQ(ws.Open(server->Url().c_str(), {}, 5000), 1) << stateOf(ws);
        std::string message;
        EXPECT_EQ(ws.Receive(&message, nullptr, 5000), C_WebSocket::kFailed);
        EXPECT_EQ(stateOf(ws), c.state);
        EXPECT_FALSE(ws.IsOpen());
        EXPECT_EQ(ws.Receive(&message, nullptr, 100), C_WebSocket::kFailed);
        EXPECT_EQ(ws.SendText("late", 100), 0);
        ws.Close();  // safe when no longer open
        // The server goes before its frame is checked: its thread has ended then.
        server.reset();
        EXPECT_EQ(close.first, 0x88) << c.state;
        EXPECT_EQ(closeCodeOf(close), c.closeCode) << c.state;
    }
}

TEST(WebSocketClose, ServerCloseAnsweredAndOurCloseAwaited)
{
    const size_t descriptors = openDescriptors();
    ClientFrame echo, echoEmpty, ours;
    bool sawEnd = false;
    {
        WsServer withCode([&](Peer& p) {
            p.Accept(serverFrame(0x88, bytes({0x03, 0xE9}) + "going away"));
            p.ReadFrame(&echo);
        });
        WsServer noCode([&](Peer& p) {
            p.Accept(serverFrame(0x88, ""));
            p.ReadFrame(&echoEmpty);
        });
        // Answers our close with its own, then closes.
        WsServer answering([&](Peer& p) {
            p.Accept();
            p.Send(serverFrame(0x81, "late message"));
            p.ReadFrame(&ours);
            p.Send(serverFrame(0x88, ours.payload));
            std::string rest;
            sawEnd = !p.Read(1, &rest);
        });
        C_WebSocket ws;
        std::string message;
        ASSERT_EQ(ws.Open(withCode.Url().c_str(), {}, 5000), 1);
        EXPECT_EQ(ws.Receive(&message, nullptr, 5000), C_WebSocket::kClosed);
        EXPECT_EQ(ws.GetCloseCode(), 1001);
        EXPECT_EQ(std::string(ws.GetCloseReason().c_str()), "going away");
        EXPECT_FALSE(ws.IsOpen());

        ASSERT_EQ(ws.Open(noCode.Url().c_str(), {}, 5000), 1) << stateOf(ws);
        EXPECT_EQ(ws.GetCloseCode(), 0);
        EXPECT_EQ(ws.Receive(&message, nullptr, 5000), C_WebSocket::kClosed);
        EXPECT_EQ(ws.GetCloseCode(), 1005);

        ASSERT_EQ(ws.Open(answering.Url().c_str(), {}, 5000), 1);
        const uint32_t start = qarvo_time_millis();
        ws.Close(1000, "bye", 5000);
        EXPECT_LT(qarvo_time_millis() - start, 2000u);  // ended by the answer, not the wait
        EXPECT_EQ(ws.GetCloseCode(), 1000);
        EXPECT_FALSE(ws.IsOpen());
    }
    EXPECT_EQ(echo.first, 0x88);
    EXPECT_EQ(closeCodeOf(echo), 1001);
    EXPECT_EQ(echoEmpty.first, 0x88);
    EXPECT_EQ(echoEmpty.payload, "");
    EXPECT_EQ(closeCodeOf(ours), 1000);
    EXPECT_EQ(ours.payload.substr(2), "bye");
    EXPECT_TRUE(sawEnd);
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(WebSocketWait, TimeOutKeepsTheConnectionAndAbortEndsABlockedReceive)
{
    std::atomic<bool> release{false};
    WsServer server([&](Peer& p) {
        p.Accept();
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        p.Send(serverFrame(0x81, "after the wait"));
        ClientFrame f;
        p.ReadFrame(&f);
    });
    std::atomic<bool> abort{false};
    C_WebSocket ws;
    ws.SetAbortTest([&] { return abort.load(); });
    ASSERT_EQ(ws.Open(server.Url().c_str(), {}, 5000), 1);
    std::string message;
    uint32_t start = qarvo_time_millis();
    EXPECT_EQ(ws.Receive(&message, nullptr, 100), C_WebSocket::kTimedOut);
    EXPECT_GE(qarvo_time_millis() - start, 95u);
    EXPECT_TRUE(ws.IsOpen());

    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        abort.store(true);
    });
    start = qarvo_time_millis();
    EXPECT_EQ(ws.Receive(&message, nullptr, -1), C_WebSocket::kAborted);
    raiser.join();
    EXPECT_LT(qarvo_time_millis() - start, 2000u);

    abort.store(false);
    release.store(true);
    EXPECT_EQ(ws.Receive(&message, nullptr, 5000), C_WebSocket::kMessage);
    EXPECT_EQ(message, "after the wait");
}

TEST(WebSocketTls, SecureRoundTripChecksTheCertificate)
{
    TestPki pki;
    ASSERT_TRUE(makeTestPki("Pelmora WebSocket CA", &pki));
    ScopedEnv trust("SSL_CERT_FILE", pki.caFile);
    ScopedEnv noDir("SSL_CERT_DIR", pki.folder + "/none");
    ClientFrame hello;
    WsServer server(
        [&](Peer& p) {
            p.Accept();
            p.ReadFrame(&hello);
            p.Send(serverFrame(0x89, "tls") + serverFrame(0x81, "echo:" + hello.payload));
            ClientFrame pong;
            p.ReadFrame(&pong);
            p.ReadFrame(&pong);
        },
        &pki);
    C_WebSocket ws;
    ASSERT_EQ(ws.Open(server.Url("localhost").c_str(), {}, 5000), 1) << stateOf(ws);
    EXPECT_EQ(ws.SendText("hi", 5000), 1);
    std::string message;
    ASSERT_EQ(ws.Receive(&message, nullptr, 5000), C_WebSocket::kMessage) << stateOf(ws);
    EXPECT_EQ(message, "echo:hi");
    ws.Close(1000, {}, 200);

    // The certificate names localhost and 127.0.0.1, nothing else.
    const std::string port = std::to_string(server.Port());
    ScopedEnv redirect("PELMORA_CONNECT_TO", "other.invalid:" + port + ":127.0.0.1:" + port);
    C_WebSocket wrong;
    EXPECT_EQ(wrong.Open(server.Url("other.invalid").c_str(), {}, 5000), 0);
    EXPECT_NE(stateOf(wrong).find("hostname mismatch"), std::string::npos) << stateOf(wrong);
}
