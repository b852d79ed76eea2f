#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/handlers/other_sites.h"
#include "engine/job/request_words.h"
#include "engine/parse/parse_context.h"
#include "engine/service/endpoints.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;

TEST(OtherSiteText, JsEscapesAndSchemeHost)
{
    // \u0026 is "&" (2 * 16 + 6 = 38); \u0099 would be 153, more than 126: dropped.
    EXPECT_EQ(decodeJsEscapes(qarvo::C_String("a\\u0026b\\u0099c")).std(), "a&bc");
    EXPECT_EQ(schemeAndHost(qarvo::C_String("http://h.example/watch/x")).std(), "http://h.example/");
    EXPECT_EQ(schemeAndHost(qarvo::C_String("http://h.example")).std(), "http://h.example/");
}

TEST(OtherSiteText, YouTubeTitleEitherWayRound)
{
    EXPECT_EQ(youTubeTitle(qarvo::C_String("<title>YouTube - My clip</title>")).std(), "My clip");
    EXPECT_EQ(youTubeTitle(qarvo::C_String("<title>My clip - YouTube</title>")).std(), "My clip");
}

TEST(OtherSiteText, HistoryCookieLosesAnalyticsEntries)
{
    EXPECT_EQ(dropAnalyticsCookies(qarvo::C_String("a=1; __utma=2; history=x; __utmz=3; __utmb=4; f_ok=file_ok")).std(),
              "a=1; history=x; f_ok=file_ok");
}

// The three sites on one loopback server, told apart by path.
class OtherSites : public test::SimEnvTest {
protected:
    void SetUp() override
    {
        test::SimEnvTest::SetUp();
        m_server.Get("/watch", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><title>YouTube - Clip name</title><script>var PLAYER_CONFIG = {"
                            "\"url_encoded_fmt_stream_map\": \"url=http%3A%2F%2Fv.example%2Fvideoplayback%3Fid%3D1"
                            "\\u0026itag=5\"}</script>",
                            "text/html");
        });
        m_server.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "history=1; path=/");
            res.set_content("<title>Site - A video</title>", "text/html");
        });
        m_server.Post("/watch/getflv.php", [this](const httplib::Request& req, httplib::Response& res) {
            m_formBody = req.body;
            res.set_content("val=ok&type=1&video_path=..%2Fvideo%2Ffile.mp4&file_size=1234", "text/plain");
        });
        m_server.Get("/third/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Third: a clip \xef\xbd\x9c site</title><embed id=\"viewer\" "
                            "src=\"http://player.third.example/swf/p.swf\">"
                            "<script>Paste.init('http://img.third.example/jpg/2010/01/abc_123.jpg')</script>",
                            "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(m_port, 0);
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        for (int i = 0; i < 500 && !m_server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string target = ":80:127.0.0.1:" + std::to_string(m_port);
        env.Set("PELMORA_CONNECT_TO", std::string("www.youtube.com") + target + "," +
                                          endpoints::kSecondVideoSiteHost + target + "," +
                                          endpoints::kThirdVideoSiteHost + target);
    }
    void TearDown() override
    {
        m_server.stop();
        if (m_thread.joinable())
            m_thread.join();
        test::SimEnvTest::TearDown();
    }

    int run(int (*handler)(const char*, qarvo::C_WArrayString&, ParseContext&), const std::string& request)
    {
        words = splitRequest(System::utf8_to_utf16(qarvo::C_String(request)));
        const qarvo::C_String address = words.GetString(kAddressWord).ToString();
        return handler(address.c_str(), words, context);
    }

    qarvo::C_WArrayString words;
    ParseContext context;
    std::string m_formBody;

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

TEST_F(OtherSites, YouTubeNeedsGetxAndThenNamesTheFile)
{
    EXPECT_EQ(run(handleYouTube, "http://www.youtube.com/watch?v=abc 0 ori2"), 5);
    EXPECT_EQ(context.title.std(), "Clip name");
    ASSERT_EQ(run(handleYouTube, "http://www.youtube.com/watch?v=abc 0 getx"), 0);
    EXPECT_EQ(context.videoUrl.std(), "http://v.example/videoplayback?id=1");
    EXPECT_EQ(context.userInfo.std(), "youtube");
    EXPECT_TRUE(context.extension.Equals(u".mp4"));
}

TEST_F(OtherSites, SecondSitePostsTheFormAndReportsTheDownload)
{
    const std::string page = std::string("http://") + endpoints::kSecondVideoSiteHost + "/?id=42";
    ASSERT_EQ(run(handleGetflvSite, page + " 0 getx"), 0);
    EXPECT_EQ(m_formBody, "id=42");
    EXPECT_EQ(context.title.std(), "A video");
    EXPECT_EQ(context.videoUrl.std(), std::string("http://") + endpoints::kSecondVideoSiteHost + "/video/file.mp4");
    EXPECT_EQ(context.userInfo.std(), "1234");
    // The Set-Cookie's path attribute is no cookie (it used to be sent back as "path=/").
    EXPECT_EQ(context.cookie.std(), "history=1; f_ok=file_ok");
    EXPECT_TRUE(context.extension.Equals(u".mp4"));
    EXPECT_EQ(context.extra2.std(), "x-flash-version: 9,0,124,0");
}

TEST_F(OtherSites, ThirdSiteDerivesTheFileFromThePicture)
{
    const std::string page = std::string("http://") + endpoints::kThirdVideoSiteHost + "/third/page";
    ASSERT_EQ(run(handleEmbedSite, page + " 0 getx"), 0);
    EXPECT_EQ(context.videoUrl.std(), "http://player.third.example/flv/2010/01/abc.flv");
    EXPECT_TRUE(context.extension.Equals(u".flv"));
    EXPECT_EQ(context.title.std(), "Third: a clip");
}

}  // namespace
}  // namespace pelmora::engine
