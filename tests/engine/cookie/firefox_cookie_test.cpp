#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <string>

#include "engine/cookie/browser_cookie.h"
#include "engine/cookie/browser_profiles.h"
#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/firefox_profiles.h"
#include "engine/cookie/store_readers.h"
#include "tests/engine/cookie/store_fixture.h"

namespace pelmora::cookie {
namespace {

namespace fs = std::filesystem;

using test::FirefoxRow;
using test::nowSeconds;

TEST(FirefoxProfiles, DefaultProfileIsChosenFromTheIniText)
{
    const std::string ini =
        "[General]\nStartWithLastProfile=1\n\n"
        "[Profile1]\nName=work\nIsRelative=0\nPath=/abs/work\n\n"
        "[Profile0]\nName=default\nIsRelative=1\nPath=abc.default\nDefault=1\n";
    EXPECT_EQ(defaultProfileFolder(ini, "/root"), "/root/abc.default");
    const std::vector<FirefoxProfileEntry> all = firefoxProfilesOf(ini, "/root");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "work");
    EXPECT_EQ(all[0].folder, "/abs/work");
    EXPECT_FALSE(all[0].isDefault);
    // Without a Default=1 profile, the one the install section names.
    EXPECT_EQ(defaultProfileFolder("[Install4F96]\nDefault=xyz.release\n[Profile0]\nPath=first\n", "/r"), "/r/xyz.release");
    EXPECT_EQ(defaultProfileFolder("[Profile0]\r\nPath=first\r\nIsRelative=0\r\n", "/r"), "first");
    EXPECT_EQ(defaultProfileFolder("garbage without sections", "/r"), "");
}

using FirefoxStore = test::CookieHome;

std::string cookieFor(const std::string& address)
{
    qarvo::C_String cookie;
    return getInterfaceCookie(address.c_str(), cookie) ? cookie.std() : std::string("<none>");
}

TEST_F(FirefoxStore, BrowserRulesDecideWhatTheLoginGoesWith)
{
    // The simulated profile holds, beside the login: a Secure copy, a host-only cookie of www, a
    // cookie for /my only, an expired one, a container tab's and a partitioned login with other
    // values, and another site's cookie. Before, all of the service's rows were joined.
    std::string error;
    ASSERT_TRUE(nicosim::writeFirefoxProfile((home->path() / ".mozilla" / "firefox").string(), {}, &error)) << error;

    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"),
              "user_session=user_session_nicosim; nicosid=1700000000.1729; nicosim_www=host_only");
    // Secure only over https.
    EXPECT_EQ(cookieFor("https://www.nicovideo.jp/watch/sm9"),
              "user_session=user_session_nicosim; nicosid=1700000000.1729; user_session_secure=secure_user_session_nicosim; "
              "nicosim_www=host_only");
    // The host-only cookie stays on www; the path cookie comes first below /my.
    EXPECT_EQ(cookieFor("http://live.nicovideo.jp/my/page"),
              "nicosim_mypage=path_only; user_session=user_session_nicosim; nicosid=1700000000.1729");
    EXPECT_EQ(cookieFor("http://live.nicovideo.jp/mypage"), "user_session=user_session_nicosim; nicosid=1700000000.1729");
    EXPECT_EQ(cookieFor("http://www.example.org/"), "<none>");
    // The store was not held by a browser: it was read in place, and nothing was copied.
    expectNoCopyLeft();
}

TEST_F(FirefoxStore, DomainParentsMatchAndExpiredOrForeignDoNot)
{
    const int64_t later = (nowSeconds() + 3600) * 1000;
    test::makeFirefoxProfile(config() / "mozilla" / "firefox", "p.default", "default", true,
                             {{".nicovideo.jp", "a", "1", later},
                              {"www.nicovideo.jp", "b", "2", later},
                              {"live.nicovideo.jp", "c", "3", later},   // a sibling host, not a parent
                              {".evilnicovideo.jp", "d", "4", later},   // not a parent either
                              {".nicovideo.jp", "e", "5", (nowSeconds() - 60) * 1000},  // expired
                              {".jp", "f", "6", later},                 // a whole registry
                              {".nicovideo.jp", "g", "x;y", later}});   // would break the header
    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "<none>");  // no login cookie among them
    StoreRead read;
    ChromiumKeys keys;
    CookieRequest request;
    ASSERT_TRUE(parseCookieRequest("http://www.nicovideo.jp/watch/sm9", request));
    const std::vector<BrowserProfile> profiles = browserProfiles(*findBrowser("firefox"));
    ASSERT_EQ(profiles.size(), 1u);
    ASSERT_TRUE(readProfileStore(profiles[0], request, nowSeconds(), keys, read)) << read.error;
    EXPECT_EQ(cookieHeader(read.cookies), "a=1; b=2");
}

TEST_F(FirefoxStore, OldSchemaCountsExpiryInSeconds)
{
    test::makeFirefoxProfile(home->path() / ".mozilla" / "firefox", "p.default", "default", true,
                             {{".nicovideo.jp", "user_session", "fresh", nowSeconds() + 3600},
                              {".nicovideo.jp", "stale", "2", nowSeconds() - 3600}},
                             12);
    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "user_session=fresh");
}

TEST_F(FirefoxStore, RunningBrowserIsReadFromACopyThatGoesAway)
{
    const fs::path root = home->path() / ".var" / "app" / "org.mozilla.firefox" / ".mozilla" / "firefox";
    const fs::path store = test::makeFirefoxProfile(root, "p.default", "default", true, {});
    // The browser runs (its lock link is there), keeps its connection open and has not
    // checkpointed: the login lives only in the -wal file.
    fs::create_symlink("127.0.1.1:+4242", root / "p.default" / "lock");
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &browser), SQLITE_OK);
    sqlite3_exec(browser, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;", nullptr, nullptr, nullptr);
    const std::string row = "INSERT INTO moz_cookies (name, value, host, path, expiry) VALUES ('user_session', "
                            "'fresh_login', '.nicovideo.jp', '/', " + std::to_string((nowSeconds() + 3600) * 1000) + ")";
    ASSERT_EQ(sqlite3_exec(browser, row.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_GT(fs::file_size(store.string() + "-wal"), 0u);

    // A copy a killed lookup left behind ten minutes ago.
    const fs::path stale = runtime() / "pelmora-cookies-0123456789abcdef";
    fs::create_directories(stale);
    std::ofstream(stale / "Cookies.db") << "old copy";
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::minutes(11));

    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "user_session=fresh_login");
    sqlite3_close(browser);
    EXPECT_FALSE(fs::exists(stale));
    expectNoCopyLeft();
}

TEST_F(FirefoxStore, ForksAndChosenProfiles)
{
    const int64_t later = (nowSeconds() + 3600) * 1000;
    const fs::path root = home->path() / ".librewolf";
    test::makeFirefoxProfile(root, "a.default", "default", true, {{".nicovideo.jp", "user_session", "home", later, "/", false, "", 100}});
    test::makeFirefoxProfile(root, "b.work", "work", false, {{".nicovideo.jp", "user_session", "work", later, "/", false, "", 50}});
    // Without a choice the login used last wins.
    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "user_session=home");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "librewolf:work");
    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "user_session=work");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "librewolf:" + (root / "b.work").string());
    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "user_session=work");
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "librewolf:nosuch");
    EXPECT_EQ(cookieFor("http://www.nicovideo.jp/watch/sm9"), "<none>");
    EXPECT_EQ(takeLookupReport(), "librewolf: no profile named \"nosuch\"");
}

TEST_F(FirefoxStore, NoProfileOrABrokenStoreMeansNoCookie)
{
    qarvo::C_String cookie("unchanged");
    EXPECT_FALSE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_EQ(takeLookupReport(), "no login cookie for www.nicovideo.jp in any browser: no browser cookie store found");
    const fs::path root = home->path() / "snap" / "firefox" / "common" / ".mozilla" / "firefox";
    fs::create_directories(root / "p");
    std::ofstream(root / "profiles.ini") << "[Profile0]\nPath=p\nIsRelative=1\nDefault=1\n";
    std::ofstream(root / "p" / "cookies.sqlite") << "this is not a database, only some bytes that say so......";
    EXPECT_FALSE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_EQ(cookie.std(), "unchanged");
    EXPECT_EQ(takeLookupReport(), "no login cookie for www.nicovideo.jp in firefox (p): the store is not a database");
}

}  // namespace
}  // namespace pelmora::cookie
