// The login cookie against the simulated service: what its answers set is merged, and a
// redirect to another site carries none of it.

#include <gtest/gtest.h>

#include "engine/service/http_fetch.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::engine {
namespace {

using CookieSite = pelmora::test::SimEnvTest;

TEST_F(CookieSite, EverySetCookieHeaderOfAnAnswerIsMerged)
{
    // Before, only the first Set-Cookie header of an answer was taken.
    qarvo::C_String cookie("user_session=user_session_nicosim");
    qarvo::C_Memory body;
    ASSERT_TRUE(fetchWithCookies(StopSignal(), qarvo::C_String("http://www.nicovideo.jp/watch/sm9~setcookie3"), kFetchGet,
                                 &cookie, true, &body, nullptr, nullptr, nullptr));
    // The watch page's own nicohistory first, then the three the fault word adds.
    EXPECT_EQ(cookie.std().find("user_session=user_session_nicosim;nicohistory="), 0u) << cookie.std();
    EXPECT_NE(cookie.std().find(";simcookie1=1;simcookie2=2;simcookie3=3;"), std::string::npos) << cookie.std();
    EXPECT_EQ(cookie.std().find("Max-Age"), std::string::npos) << cookie.std();
    // The merged cookie goes with the next request.
    ASSERT_TRUE(fetchWithCookies(StopSignal(), qarvo::C_String("http://www.nicovideo.jp/api/getflv?v=sm9"), kFetchGet,
                                 &cookie, false, &body, nullptr, nullptr, nullptr));
    const auto flv = sim->lastRequest(nicosim::Step::Flv);
    ASSERT_TRUE(flv.has_value());
    EXPECT_NE(flv->header("Cookie").find("simcookie3=3"), std::string::npos) << flv->header("Cookie");
}

TEST_F(CookieSite, SiblingUnderATwoLevelSuffixGetsNoLogin)
{
    // www.nicosim.co.jp answers like the main site; "sibling" sends it on to www.sibling.co.jp,
    // another site under the same registry suffix, which also sets a cookie of its own.
    qarvo::C_String cookie("user_session=user_session_nicosim");
    qarvo::C_Memory body;
    qarvo::C_String finalUrl;
    ASSERT_TRUE(fetchWithCookies(StopSignal(), qarvo::C_String("http://www.nicosim.co.jp/watch/sm9~sibling~setcookie1"),
                                 kFetchGet, &cookie, true, &body, nullptr, &finalUrl, nullptr));
    EXPECT_EQ(finalUrl.std(), "http://www.sibling.co.jp/watch/sm9~sibling~setcookie1");
    const auto watch = sim->lastRequest(nicosim::Step::Watch);
    const auto sibling = sim->lastRequest(nicosim::Step::Other);
    ASSERT_TRUE(watch && sibling);
    EXPECT_EQ(watch->header("Cookie"), "user_session=user_session_nicosim");
    EXPECT_EQ(sibling->host, "www.sibling.co.jp");
    EXPECT_EQ(sibling->header("Cookie"), "");
    EXPECT_EQ(cookie.std(), "user_session=user_session_nicosim");
}

}  // namespace
}  // namespace pelmora::engine
