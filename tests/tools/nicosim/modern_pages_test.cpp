// Today's video path of the simulated service, over its HTTPS port with the test authority.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

namespace nicosim::test {
namespace {

class ModernPagesTest : public SimTest {
protected:
    // A request to the HTTPS port naming `host`, the certificate checked against the file
    // nicosim wrote.
    HttpResult https(const std::string& method, const std::string& host, const std::string& target,
                     const std::string& body = {}, bool loggedIn = false)
    {
        return httpsRequest(sim->httpsPort(), sim->caFile(), method, host, target, body,
                            loggedIn ? Server::loginCookie() : std::string());
    }

    HttpResult threads(const std::string& threadId, const std::string& key, const std::string& additionals)
    {
        return https("POST", kCommentApiHost, "/v1/threads",
                     "{\"params\":{\"targets\":[{\"id\":\"" + threadId + "\",\"fork\":\"main\"}],\"language\":\"ja-jp\"}," +
                         "\"threadKey\":\"" + key + "\",\"additionals\":" + additionals + "}");
    }
};

TEST_F(ModernPagesTest, PagesByWhenIncludeTheWholeSecond)
{
    // The watch page over HTTPS, its data escaped into the meta element; the key is a user's.
    const HttpResult page = https("GET", kMainHost, "/watch/sm9~modern", {}, true);
    ASSERT_TRUE(page.ok);
    EXPECT_NE(page.body.find("<meta name=\"server-response\" content=\"{&quot;meta&quot;"), std::string::npos);
    EXPECT_NE(page.body.find("nvkey.sm9.1729.w"), std::string::npos);

    const auto video = sim->catalogue().video("sm9");
    const ModernFork main = modernForks(sim->catalogue(), *video)[1];
    // Without "when": the newest page plus older comments mixed in.
    const HttpResult newest = threads(video->threadId, "nvkey.sm9.1729.w", "{}");
    ASSERT_EQ(newest.status, 200) << newest.body;
    EXPECT_GT(countOf(newest.body, "\"no\":"), static_cast<size_t>(kPageComments));

    // "when" at the second of comment index 500: the page ends with that second's last comment.
    const int64_t when = modernPostedAt(main, 500);
    const HttpResult page500 =
        threads(video->threadId, "nvkey.sm9.1729.w", "{\"when\":" + std::to_string(when) + "}");
    ASSERT_EQ(page500.status, 200) << page500.body.substr(0, 200);
    const int lastOfSecond = 500 / kBurst * kBurst + kBurst - 1;
    EXPECT_EQ(countOf(page500.body, "\"no\":"), static_cast<size_t>(lastOfSecond + 1));
    EXPECT_NE(page500.body.find("\"no\":" + std::to_string(lastOfSecond + 1) + ","), std::string::npos);
    EXPECT_EQ(page500.body.find("\"no\":" + std::to_string(lastOfSecond + 2) + ","), std::string::npos);
    EXPECT_NE(page500.body.find(isoJapanTime(when)), std::string::npos);
}

TEST_F(ModernPagesTest, KeysAndFaults)
{
    const auto video = sim->catalogue().video("sm9");
    const std::string thread = video->threadId;
    // Past comments need a user's key; a key opens its own video only.
    EXPECT_NE(threads(thread, "nvkey.sm9.guest.w", "{\"when\":2000000000}").body.find("INVALID_TOKEN"),
              std::string::npos);
    EXPECT_NE(threads(thread, "nvkey.sm6.1729.w", "{}").body.find("INVALID_TOKEN"), std::string::npos);
    EXPECT_EQ(threads(thread, "nvkey.sm9.guest.w", "{}").status, 200);

    // An expired watch-page key; the key endpoint's is taken.
    EXPECT_NE(threads(thread + "~expiredkey", "nvkey.sm9.1729.w", "{}").body.find("EXPIRED_TOKEN"),
              std::string::npos);
    const HttpResult key = https("GET", kKeyApiHost, "/v1/comment/keys/thread?videoId=sm9", {}, true);
    EXPECT_EQ(key.body, "{\"meta\":{\"status\":200},\"data\":{\"threadKey\":\"nvkey.sm9.1729.r\"}}");
    EXPECT_EQ(threads(thread + "~expiredkey", "nvkey.sm9.1729.r", "{}").status, 200);

    // A rate limit strikes the first try only.
    const HttpResult limited = threads(thread + "~ratelimit", "nvkey.sm9.1729.w", "{}");
    EXPECT_EQ(limited.status, 429);
    EXPECT_EQ(limited.header("Retry-After"), "1");
    EXPECT_EQ(threads(thread + "~ratelimit", "nvkey.sm9.1729.w", "{}").status, 200);

    // A broken answer is cut; a body that is no request is refused.
    const HttpResult whole = threads(thread, "nvkey.sm9.1729.w", "{}");
    const HttpResult broken = threads(thread + "~brokenjson", "nvkey.sm9.1729.w", "{}");
    EXPECT_LT(broken.body.size(), whole.body.size());
    EXPECT_EQ(https("POST", kCommentApiHost, "/v1/threads", "{\"params\":").status, 400);
}

} // namespace
} // namespace nicosim::test
