#include <gtest/gtest.h>

#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/netscape_cookies.h"
#include "engine/cookie/public_suffix.h"

namespace pelmora::cookie {
namespace {

StoredCookie cookie(const std::string& name, const std::string& domain, bool hostOnly = false,
                    const std::string& path = "/")
{
    StoredCookie c;
    c.name = name;
    c.value = "v";
    c.domain = domain;
    c.hostOnly = hostOnly;
    c.path = path;
    return c;
}

CookieRequest request(const std::string& address)
{
    CookieRequest r;
    EXPECT_TRUE(parseCookieRequest(address, r)) << address;
    return r;
}

TEST(CookieRules, DomainPathSecureAndExpiryAsABrowserAppliesThem)
{
    const CookieRequest www = request("http://WWW.nicovideo.jp:8080/watch/sm9?x=1#y");
    EXPECT_EQ(www.host, "www.nicovideo.jp");
    EXPECT_EQ(www.path, "/watch/sm9");
    EXPECT_FALSE(www.secure);
    EXPECT_TRUE(request("https://live.nicovideo.jp").secure);
    EXPECT_EQ(request("https://live.nicovideo.jp").path, "/");

    // RFC 6265 5.1.3: a host-only cookie is the host's alone; a domain cookie also its subdomains,
    // never a name that merely ends the same way, never an IP address's "parent".
    EXPECT_TRUE(domainMatches(cookie("a", "nicovideo.jp"), "www.nicovideo.jp"));
    EXPECT_FALSE(domainMatches(cookie("a", "www.nicovideo.jp", true), "live.www.nicovideo.jp"));
    EXPECT_TRUE(domainMatches(cookie("a", "www.nicovideo.jp", true), "www.nicovideo.jp"));
    EXPECT_FALSE(domainMatches(cookie("a", "nicovideo.jp"), "evilnicovideo.jp"));
    EXPECT_FALSE(domainMatches(cookie("a", "0.0.1"), "127.0.0.1"));
    // 5.1.4: "/my" matches "/my" and "/my/x", not "/mypage".
    EXPECT_TRUE(pathMatches("/my", "/my/x"));
    EXPECT_TRUE(pathMatches("/my/", "/my/x"));
    EXPECT_FALSE(pathMatches("/my", "/mypage"));
    EXPECT_FALSE(pathMatches("/my", "/"));

    StoredCookie secure = cookie("s", "nicovideo.jp");
    secure.secure = true;
    EXPECT_FALSE(cookieApplies(secure, www, 1000));
    EXPECT_TRUE(cookieApplies(secure, request("https://www.nicovideo.jp/"), 1000));
    StoredCookie old = cookie("e", "nicovideo.jp");
    old.expires = 1000;
    EXPECT_FALSE(cookieApplies(old, www, 1000));
    EXPECT_TRUE(cookieApplies(old, www, 999));
}

TEST(CookieRules, RegistriesAndUnsafeTextAreRefusedAndLongerPathsGoFirst)
{
    // From the public-suffix list: "co.jp" is a registry, so two sites below it are two sites.
    EXPECT_EQ(registrableDomain("www.nicosim.co.jp"), "nicosim.co.jp");
    EXPECT_EQ(registrableDomain("WWW.NicoVideo.JP."), "nicovideo.jp");
    EXPECT_EQ(registrableDomain("127.0.0.1"), "127.0.0.1");
    EXPECT_TRUE(isPublicSuffix("co.jp"));
    EXPECT_FALSE(isPublicSuffix("nicovideo.jp"));
    const CookieRequest site = request("http://www.nicosim.co.jp/my/x");
    EXPECT_FALSE(cookieApplies(cookie("a", "co.jp"), site, 0));
    EXPECT_FALSE(cookieApplies(cookie("a\x01", "nicosim.co.jp"), site, 0));
    StoredCookie breaking = cookie("a", "nicosim.co.jp");
    breaking.value = "1; admin=1";
    EXPECT_FALSE(cookieApplies(breaking, site, 0));

    const std::vector<StoredCookie> all = {cookie("root", "nicosim.co.jp"), cookie("deep", "nicosim.co.jp", false, "/my"),
                                           cookie("root", "nicosim.co.jp"), cookie("other", "sibling.co.jp")};
    EXPECT_EQ(cookieHeader(applicableCookies(all, site, 0)), "deep=v; root=v");
}

TEST(NetscapeCookies, LinesFlagsAndHttpOnlyAreReadAndBadLinesSkipped)
{
    const std::string text =
        "# Netscape HTTP Cookie File\r\n"
        "# a comment\r\n"
        "\r\n"
        "#HttpOnly_.nicovideo.jp\tTRUE\t/\tFALSE\t2145830400\tuser_session\tuser_session_nicosim\r\n"
        "www.nicovideo.jp\tFALSE\t/my\tTRUE\t0\tsecure_one\tx\ty\n"  // the value keeps its tab
        ".nicovideo.jp\tTRUE\t/\tFALSE\t0\tempty\n"                   // no tab before an empty value
        ".nicovideo.jp\tMAYBE\t/\tFALSE\t0\tbad\tflag\n"
        ".nicovideo.jp\tTRUE\t/\tFALSE\t-5\tbad\texpiry\n"
        "only\tthree\tfields\n";
    EXPECT_TRUE(looksLikeNetscapeCookies(text));
    const NetscapeParse parse = parseNetscapeCookies(text);
    EXPECT_EQ(parse.badLines, 3u);
    ASSERT_EQ(parse.cookies.size(), 3u);
    const StoredCookie& login = parse.cookies[0];
    EXPECT_EQ(login.domain, "nicovideo.jp");
    EXPECT_FALSE(login.hostOnly);
    EXPECT_TRUE(login.httpOnly);
    EXPECT_EQ(login.expires, 2145830400);
    EXPECT_EQ(login.value, "user_session_nicosim");
    const StoredCookie& second = parse.cookies[1];
    EXPECT_TRUE(second.hostOnly);
    EXPECT_TRUE(second.secure);
    EXPECT_EQ(second.path, "/my");
    EXPECT_EQ(second.value, "x\ty");
    EXPECT_EQ(parse.cookies[2].value, "");

    // The cookie folder's own nine-line records are no such file.
    EXPECT_FALSE(looksLikeNetscapeCookies("user_session\nvalue\nnicovideo.jp/\n1024\n0\n0\n0\n0\n*\n"));
    EXPECT_TRUE(looksLikeNetscapeCookies("#HttpOnly_.a.example\tTRUE\t/\tFALSE\t0\tn\tv\n"));
    EXPECT_TRUE(looksLikeNetscapeCookies("\n# exported\n.a.example\tTRUE\t/\tFALSE\t0\tn\tv\n"));
    EXPECT_FALSE(looksLikeNetscapeCookies(""));
}

}  // namespace
}  // namespace pelmora::cookie
