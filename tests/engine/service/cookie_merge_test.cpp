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
    EXPECT_EQ(merged("", "c=3; path=/"), "c=3;path=/;");
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
}

}  // namespace
}  // namespace pelmora::engine
