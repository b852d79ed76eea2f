#include <gtest/gtest.h>

#include "engine/service/http_fetch.h"

namespace pelmora::engine {
namespace {

std::string merged(const char* cookie, const char* setCookie)
{
    qarvo::C_String text(cookie);
    mergeSetCookie(text, qarvo::C_String(setCookie));
    return text.std();
}

TEST(CookieMerge, NewValueReplacesOldAndAttributesAfterExpiresAreIgnored)
{
    // The worked example: a=1 replaces a=0, b stays, path after expires is no cookie.
    EXPECT_EQ(merged("a=0; b=2", "a=1; expires=Wed, 01-Jan-2031 00:00:00 GMT; path=/"), "a=1;b=2;");
}

TEST(CookieMerge, NewCookiesAreAppendedAndEmptyItemsSkipped)
{
    // Before, every item up to "expires" counted as a cookie: "path=/" and "Max-Age=..." were
    // sent back to the service as cookies of those names.
    EXPECT_EQ(merged("", "c=3; path=/"), "c=3;");
    EXPECT_EQ(merged("a=1", "nicosid=9; Max-Age=3600; Path=/; Domain=.nicovideo.jp; Secure; HttpOnly"), "a=1;nicosid=9;");
    // Names are compared whole: "ab" is not "a".
    EXPECT_EQ(merged("a=1", "ab=2"), "a=1;ab=2;");
    EXPECT_EQ(merged("a=1;b=2;", "c=3; Expires=x; d=4"), "a=1;b=2;c=3;");
    // A merged cookie (ending in ";") merges again without gaining an empty item.
    EXPECT_EQ(merged("a=1;b=2;", "b=5"), "a=1;b=5;");
    // Nothing to merge keeps the cookie as it was.
    EXPECT_EQ(merged("", ""), "");
}

TEST(CookieDomain, OnlyTheServiceDomainGetsTheCookie)
{
    const qarvo::C_String main("www.nicovideo.jp");
    EXPECT_TRUE(cookieDomainAllows(main, qarvo::C_String("live.nicovideo.jp")));
    EXPECT_TRUE(cookieDomainAllows(main, qarvo::C_String("nicovideo.jp")));
    EXPECT_FALSE(cookieDomainAllows(main, qarvo::C_String("evilnicovideo.jp")));
    EXPECT_FALSE(cookieDomainAllows(main, qarvo::C_String("nicovideo.jp.evil.example")));
    EXPECT_FALSE(cookieDomainAllows(main, qarvo::C_String("www.example.com")));
    EXPECT_TRUE(cookieDomainAllows(qarvo::C_String("127.0.0.1"), qarvo::C_String("127.0.0.1")));
    EXPECT_FALSE(cookieDomainAllows(qarvo::C_String("127.0.0.1"), qarvo::C_String("0.0.1")));
    // Under a two-level public suffix a sibling is another site; before, "co.jp" counted as the site.
    const qarvo::C_String suffixed("www.nicosim.co.jp");
    EXPECT_TRUE(cookieDomainAllows(suffixed, qarvo::C_String("msg.nicosim.co.jp")));
    EXPECT_FALSE(cookieDomainAllows(suffixed, qarvo::C_String("www.sibling.co.jp")));
    EXPECT_FALSE(cookieDomainAllows(suffixed, qarvo::C_String("co.jp")));
}

}  // namespace
}  // namespace pelmora::engine
