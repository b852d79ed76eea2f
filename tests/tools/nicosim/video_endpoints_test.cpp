// The main and external hosts' video answers, read the way the engine reads them.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/text_codec.h"

namespace nicosim::test {
namespace {

const std::string kMain = "www.nicovideo.jp";
const std::string kExt = "ext.nicovideo.jp";
const std::string kHyphen = "\xe2\x80\x90"; // U+2010

// The text between the first ">" after `marker` and the next "<", as the engine takes it.
std::string textAfter(const std::string& page, const std::string& marker)
{
    const size_t at = page.find(marker);
    if (at == std::string::npos)
        return "<missing>";
    const size_t open = page.find('>', at);
    const size_t close = page.find('<', open);
    return page.substr(open + 1, close - open - 1);
}

// "movie_type", the next ",", then the text between the next pair of double quotes.
std::string movieType(const std::string& page)
{
    const size_t at = page.find("movie_type");
    const size_t comma = page.find(',', at);
    const size_t open = page.find('"', comma);
    const size_t close = page.find('"', open + 1);
    if (at == std::string::npos || comma == std::string::npos || close == std::string::npos)
        return "<missing>";
    return page.substr(open + 1, close - open - 1);
}

using WatchPageTest = SimTest;

TEST_F(WatchPageTest, DemoVideoHasTitleBeforeHyphenHeadingAndMovieType)
{
    const HttpResult r = get(kMain, "/watch/sm9");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.status, 200);
    const std::string title = textAfter(r.body, "<title");
    ASSERT_NE(title.find(kHyphen), std::string::npos);
    EXPECT_EQ(title.substr(0, title.find(kHyphen)), sim->catalogue().video("sm9")->title);
    EXPECT_EQ(textAfter(r.body, "<h1"), sim->catalogue().video("sm9")->title);
    EXPECT_EQ(movieType(r.body), "mp4");
    EXPECT_NE(r.header("Set-Cookie").find("nicohistory=sm9"), std::string::npos);
    // The cookie's attributes come after expires, where a merge stops reading.
    EXPECT_LT(r.header("Set-Cookie").find("expires="), r.header("Set-Cookie").find("path="));
}

TEST_F(WatchPageTest, SpecialPagesCarryOnlyTheMarkersTheirCaseNeeds)
{
    const HttpResult refused = get(kMain, "/watch/sm4");
    EXPECT_EQ(textAfter(refused.body, "<title").find(kHyphen), std::string::npos);
    EXPECT_NE(textAfter(refused.body, "<h1").find("短"), std::string::npos);

    const HttpResult noTitle = get(kMain, "/watch/sm5");
    EXPECT_EQ(textAfter(noTitle.body, "<title").find(kHyphen), std::string::npos);
    const std::string heading = textAfter(noTitle.body, "<h1");
    EXPECT_EQ(heading.find("非"), std::string::npos);
    EXPECT_EQ(heading.find("短"), std::string::npos);

    const HttpResult headingTitle = get(kMain, "/watch/sm6");
    EXPECT_EQ(textAfter(headingTitle.body, "<title").find(kHyphen), std::string::npos);
    EXPECT_NE(textAfter(headingTitle.body, "<h1").find("非"), std::string::npos);
    EXPECT_NE(headingTitle.body.find("movie_type"), std::string::npos);

    EXPECT_EQ(get(kMain, "/watch/sm404").status, 404);
    EXPECT_EQ(get(kMain, "/watch/xx12").status, 404);
    // Any watch page becomes the refused page on request.
    EXPECT_NE(textAfter(get(kMain, "/watch/sm9~refused").body, "<h1").find("短"), std::string::npos);
}

TEST_F(WatchPageTest, GenericTitlesNeverHoldTheSeparator)
{
    for (int n = 1000; n < 1200; ++n) {
        const std::optional<VideoFacts> v = sim->catalogue().video("sm" + std::to_string(n));
        ASSERT_TRUE(v);
        EXPECT_EQ(v->title.find(kHyphen), std::string::npos) << v->id;
        EXPECT_GE(v->commentCount, 3);
        EXPECT_LT(v->commentCount, 30000);
    }
}

using GetflvTest = SimTest;

TEST_F(GetflvTest, CommentServerOnlyWithTheLoginCookie)
{
    const HttpResult guest = get(kMain, "/api/getflv?v=sm9");
    EXPECT_EQ(decodeThenSplit(guest.body).count("ms"), 0u);

    // Another user_session value is not the login either.
    const HttpResult wrong = httpGet(sim->httpPort(), kMain, "/api/getflv?v=sm9", "user_session=someone_else");
    EXPECT_EQ(decodeThenSplit(wrong.body).count("ms"), 0u);

    const HttpResult user =
        httpGet(sim->httpPort(), kMain, "/api/getflv?v=sm9", "nicosid=1; user_session=user_session_nicosim; x=2");
    std::map<std::string, std::string> info = decodeThenSplit(user.body);
    EXPECT_EQ(info["ms"], "http://msg.nicovideo.jp/10/api/");
    EXPECT_EQ(info["thread_id"], sim->catalogue().video("sm9")->threadId);
    EXPECT_EQ(info["user_id"], "1729");
    EXPECT_EQ(info["is_premium"], "1");
    EXPECT_EQ(info["done"], "true");
    EXPECT_EQ(info["url"], sim->catalogue().video("sm9")->videoUrl);
    EXPECT_EQ(info.count("optional_thread_id"), 0u);
}

TEST_F(GetflvTest, ChannelVideoNamesItsOptionalThreadAndKeepsTheFaultSuffix)
{
    std::map<std::string, std::string> info = decodeThenSplit(get(kMain, "/api/getflv?v=so10~msg.gzip", true).body);
    const VideoFacts so10 = *sim->catalogue().video("so10");
    EXPECT_EQ(info["thread_id"], so10.threadId + "~msg.gzip");
    EXPECT_EQ(info["optional_thread_id"], so10.optionalThreadId + "~msg.gzip");
    EXPECT_EQ(get(kMain, "/api/getflv?v=sm404", true).body, "error=invalid_thread&done=true");
}

TEST_F(GetflvTest, ThreadKeyOnlyForKeyedThreadsAndLoggedInUsers)
{
    const VideoFacts so10 = *sim->catalogue().video("so10");
    const std::string target = "/api/getthreadkey?thread=" + so10.threadId + "&ts=1229692207199";
    std::map<std::string, std::string> key = decodeThenSplit(get(kMain, target, true).body);
    EXPECT_EQ(key["threadkey"], so10.threadKey);
    EXPECT_EQ(key["force_184"], "1");
    EXPECT_EQ(get(kMain, target, false).body, "");
    EXPECT_EQ(get(kMain, "/api/getthreadkey?thread=" + so10.optionalThreadId, true).body, "");
    EXPECT_EQ(get(kMain, "/api/getthreadkey?thread=" + sim->catalogue().video("sm9")->threadId, true).body, "");
}

using ThumbInfoTest = SimTest;

TEST_F(ThumbInfoTest, TagsInFiveDomainsWithLocksAndDoubleEscapes)
{
    const HttpResult r = get(kExt, "/api/getthumbinfo/sm9");
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("<nicovideo_thumb_response status=\"ok\">"), std::string::npos);
    for (const char* domain : {"jp", "tw", "de", "es", "ko"})
        EXPECT_NE(r.body.find(std::string("<tags domain=\"") + domain + "\">"), std::string::npos) << domain;
    EXPECT_NE(r.body.find("<tag lock=\"1\">"), std::string::npos);
    EXPECT_NE(r.body.find("<tag category=\"1\" lock=\"1\">"), std::string::npos);
    // Decoded twice, the escaped tag reads with a plain ampersand.
    EXPECT_NE(r.body.find(">R&amp;amp;B</tag>"), std::string::npos);
    EXPECT_NE(r.body.find("&lt;タグ&gt;の中の記号"), std::string::npos);
}

TEST_F(ThumbInfoTest, DeletedAndUnknownVideosFail)
{
    const std::string deleted = get(kExt, "/api/getthumbinfo/sm404").body;
    EXPECT_NE(deleted.find("status=\"fail\""), std::string::npos);
    EXPECT_NE(deleted.find("deleted"), std::string::npos);
    const std::string unknown = get(kExt, "/api/getthumbinfo/zz1").body;
    EXPECT_NE(unknown.find("status=\"fail\""), std::string::npos);
    EXPECT_EQ(unknown.find("deleted"), std::string::npos);
}

using ThumbWatchTest = SimTest;

std::string playKey(const std::string& script)
{
    const size_t at = script.find("thumbPlayKey:");
    const size_t open = script.find('\'', at);
    const size_t close = script.find('\'', open + 1);
    return at == std::string::npos ? "" : script.substr(open + 1, close - open - 1);
}

TEST_F(ThumbWatchTest, TwoStepsGiveTheVideoAddress)
{
    const int port = sim->httpPort();
    const HttpResult first = httpPost(port, kExt, "/thumb_watch", "v=sm9&as3=1", "application/x-www-form-urlencoded");
    const std::string key = playKey(first.body);
    ASSERT_EQ(key, sim->catalogue().video("sm9")->thumbPlayKey);
    ASSERT_NE(key.find_first_of("+/="), std::string::npos);

    // The key encoded once (as a form field) and twice (encoded, then form-encoded again).
    for (const std::string& k : {percentEncode(key), percentEncode(percentEncode(key))}) {
        const HttpResult second =
            httpPost(port, kExt, "/thumb_watch", "v=sm9&as3=1&k=" + k, "application/x-www-form-urlencoded");
        EXPECT_NE(second.body.find("done=true"), std::string::npos) << k;
        std::map<std::string, std::string> info = decodeThenSplit(second.body);
        EXPECT_EQ(info["url"], sim->catalogue().video("sm9")->videoUrl);
        EXPECT_EQ(info["is_premium"], "0");
        EXPECT_NE(second.header("Set-Cookie").find("nicohistory="), std::string::npos);
    }
    const HttpResult wrong = httpPost(port, kExt, "/thumb_watch", "v=sm9&as3=1&k=nope", "application/x-www-form-urlencoded");
    EXPECT_EQ(wrong.body.find("done=true"), std::string::npos);
}

} // namespace
} // namespace nicosim::test
