#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "engine/service/http_fetch.h"
#include "qarvo/net/connect_to.h"

namespace pelmora::engine {
namespace {

// A loopback server that plays the service and another site at once (told apart by Host),
// with PELMORA_CONNECT_TO sending both names to it.
class FetchServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.Get("/go-away", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "http://other.example/landing");
        });
        m_server.Get("/go-near", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "http://live.nicovideo.jp/landing");
        });
        m_server.Get("/landing", [this](const httplib::Request& req, httplib::Response& res) {
            remember(req);
            res.set_header("Set-Cookie", "foreign=1");
            res.set_content("landed", "text/plain");
        });
        m_server.Get("/loop", [this](const httplib::Request& req, httplib::Response& res) {
            remember(req);
            res.status = 302;
            res.set_header("Location", "/loop");
        });
        m_server.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            res.set_content("late", "text/plain");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(m_port, 0);
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        for (int i = 0; i < 500 && !m_server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const char* old = std::getenv("PELMORA_CONNECT_TO");
        if (old)
            m_oldConnectTo = old;
        const std::string target = ":80:127.0.0.1:" + std::to_string(m_port);
        const std::string map = "www.nicovideo.jp" + target + ",live.nicovideo.jp" + target + ",other.example" + target;
        setenv("PELMORA_CONNECT_TO", map.c_str(), 1);
        qarvo::net::reloadConnectTo();
    }
    void TearDown() override
    {
        m_server.stop();
        if (m_thread.joinable())
            m_thread.join();
        if (m_oldConnectTo)
            setenv("PELMORA_CONNECT_TO", m_oldConnectTo->c_str(), 1);
        else
            unsetenv("PELMORA_CONNECT_TO");
        qarvo::net::reloadConnectTo();
    }

    void remember(const httplib::Request& req)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_hits;
        m_lastCookie = req.get_header_value("Cookie");
        m_lastHost = req.get_header_value("Host");
    }
    int hits()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_hits;
    }
    std::string lastCookie()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lastCookie;
    }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::optional<std::string> m_oldConnectTo;
    std::mutex m_mutex;
    int m_hits = 0;
    std::string m_lastCookie;
    std::string m_lastHost;
};

TEST_F(FetchServer, LoginCookieStaysInsideTheServiceDomain)
{
    qarvo::C_String cookie("user_session=secret");
    qarvo::C_Memory body;
    qarvo::C_String finalUrl;
    qarvo::C_String status;
    ASSERT_TRUE(fetchWithCookies(StopSignal(), qarvo::C_String("http://www.nicovideo.jp/go-away"), kFetchGet, &cookie,
                                 true, &body, nullptr, &finalUrl, &status));
    EXPECT_EQ(lastCookie(), "");
    EXPECT_EQ(finalUrl.std(), "http://other.example/landing");
    EXPECT_EQ(std::string(body.GetChars()), "landed");
    EXPECT_NE(status.std().find("302"), std::string::npos);
    // What the other site set is not mixed into the login.
    EXPECT_EQ(cookie.std(), "user_session=secret");

    ASSERT_TRUE(fetchWithCookies(StopSignal(), qarvo::C_String("http://www.nicovideo.jp/go-near"), kFetchGet, &cookie,
                                 true, &body, nullptr, &finalUrl, nullptr));
    EXPECT_EQ(lastCookie(), "user_session=secret");
    EXPECT_EQ(cookie.std(), "user_session=secret;foreign=1;");
}

TEST_F(FetchServer, RedirectLoopFailsAfterTenHops)
{
    qarvo::C_Memory body;
    EXPECT_FALSE(fetchWithCookies(StopSignal(), qarvo::C_String("http://www.nicovideo.jp/loop"), kFetchGet, nullptr,
                                  false, &body, nullptr, nullptr, nullptr));
    // The first request and ten redirects.
    EXPECT_EQ(hits(), kMaxRedirects + 1);
}

TEST_F(FetchServer, StopFlagEndsTheExchangeWithoutRetrying)
{
    std::atomic<int> stop{0};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = 1;
    });
    const auto start = std::chrono::steady_clock::now();
    qarvo::C_Memory body;
    EXPECT_FALSE(fetchWithCookies(StopSignal(&stop, nullptr), qarvo::C_String("http://www.nicovideo.jp/slow"), kFetchGet,
                                  nullptr, false, &body, nullptr, nullptr, nullptr));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
}

TEST_F(FetchServer, UnreachableHostFailsAfterItsAttempts)
{
    qarvo::C_Memory body;
    // Port 1 on loopback refuses at once.
    EXPECT_FALSE(fetchWithCookies(StopSignal(), qarvo::C_String("http://127.0.0.1:1/x"), kFetchGet, nullptr, false,
                                  &body, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace pelmora::engine
