#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/cookie/browser_cookie.h"
#include "engine/cookie/firefox_profiles.h"
#include "engine/cookie/firefox_store.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::cookie {
namespace {

namespace fs = std::filesystem;

int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

TEST(FirefoxProfiles, DefaultProfileIsChosenFromTheIniText)
{
    const std::string ini =
        "[General]\nStartWithLastProfile=1\n\n"
        "[Profile1]\nName=work\nIsRelative=0\nPath=/abs/work\n\n"
        "[Profile0]\nName=default\nIsRelative=1\nPath=abc.default\nDefault=1\n";
    EXPECT_EQ(defaultProfileFolder(ini, "/root"), "/root/abc.default");
    // Without a Default=1 profile, the one the install section names.
    EXPECT_EQ(defaultProfileFolder("[Install4F96]\nDefault=xyz.release\n[Profile0]\nPath=first\n", "/r"), "/r/xyz.release");
    EXPECT_EQ(defaultProfileFolder("[Profile0]\r\nPath=first\r\nIsRelative=0\r\n", "/r"), "first");
    EXPECT_EQ(defaultProfileFolder("garbage without sections", "/r"), "");
}

class FirefoxStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = std::make_unique<test::TempFolder>();
        env.Set("HOME", home->path().string());
        env.Set("XDG_CONFIG_HOME", (home->path() / "config").string());
        env.Set("TMPDIR", home->path().string());
    }
    void TearDown() override
    {
        env.RestoreAll();
        home.reset();
    }

    // A profile root with one default profile and an empty cookie table of `schema`.
    fs::path makeProfile(const fs::path& root, int schema)
    {
        fs::create_directories(root / "p.default");
        std::ofstream(root / "profiles.ini") << "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\nDefault=1\n";
        const fs::path store = root / "p.default" / "cookies.sqlite";
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
        exec(db, "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT, path TEXT, "
                 "expiry INTEGER)");
        exec(db, "PRAGMA user_version = " + std::to_string(schema));
        sqlite3_close(db);
        return store;
    }
    static void exec(sqlite3* db, const std::string& sql)
    {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
    }
    static std::string row(const char* name, const char* value, const char* host, int64_t expiry)
    {
        return std::string("INSERT INTO moz_cookies (name, value, host, path, expiry) VALUES ('") + name + "', '" +
               value + "', '" + host + "', '/', " + std::to_string(expiry) + ")";
    }

    std::unique_ptr<test::TempFolder> home;
    test::EnvironmentGuard env;
};

TEST_F(FirefoxStore, SimulatedProfileGivesTheServiceCookiesOnly)
{
    std::string error;
    ASSERT_TRUE(nicosim::writeFirefoxProfile((home->path() / ".mozilla" / "firefox").string(), {}, &error)) << error;
    qarvo::C_String cookie;
    ASSERT_TRUE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_NE(cookie.std().find("user_session=user_session_nicosim"), std::string::npos) << cookie.std();
    EXPECT_EQ(cookie.std().find("; ;"), std::string::npos);
    // The other site's cookie in the same store stays out.
    qarvo::C_String other;
    EXPECT_FALSE(getInterfaceCookie("http://www.example.org/", other));
    // Nothing is left behind in the temporary folder.
    for (const auto& entry : fs::directory_iterator(home->path()))
        EXPECT_EQ(entry.path().filename().string().find("pelmora-cookies-"), std::string::npos) << entry.path();
}

TEST_F(FirefoxStore, DomainParentsMatchAndExpiredOrForeignDoNot)
{
    const fs::path store = makeProfile(home->path() / "config" / "mozilla" / "firefox", 17);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    const int64_t later = (nowSeconds() + 3600) * 1000;
    exec(db, row("a", "1", ".nicovideo.jp", later));
    exec(db, row("b", "2", "www.nicovideo.jp", later));
    exec(db, row("c", "3", "live.nicovideo.jp", later));           // a sibling host, not a parent
    exec(db, row("d", "4", ".evilnicovideo.jp", later));           // not a parent either
    exec(db, row("e", "5", ".nicovideo.jp", (nowSeconds() - 60) * 1000));  // expired
    sqlite3_close(db);
    std::string cookie;
    ASSERT_TRUE(readFirefoxCookies(store.string(), "www.nicovideo.jp", nowSeconds(), cookie));
    EXPECT_EQ(cookie, "a=1; b=2");
}

TEST_F(FirefoxStore, OldSchemaCountsExpiryInSeconds)
{
    const fs::path store = makeProfile(home->path() / ".mozilla" / "firefox", 12);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &db), SQLITE_OK);
    exec(db, row("fresh", "1", ".nicovideo.jp", nowSeconds() + 3600));
    exec(db, row("stale", "2", ".nicovideo.jp", nowSeconds() - 3600));
    sqlite3_close(db);
    qarvo::C_String cookie;
    ASSERT_TRUE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_EQ(cookie.std(), "fresh=1");
}

TEST_F(FirefoxStore, LoginStillInTheWriteAheadLogIsSeen)
{
    const fs::path root = home->path() / ".var" / "app" / "org.mozilla.firefox" / ".mozilla" / "firefox";
    const fs::path store = makeProfile(root, 17);
    // The browser keeps its connection open and has not checkpointed: the row lives only in
    // the -wal file.
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &browser), SQLITE_OK);
    exec(browser, "PRAGMA journal_mode=WAL");
    exec(browser, "PRAGMA wal_autocheckpoint=0");
    exec(browser, row("user_session", "fresh_login", ".nicovideo.jp", (nowSeconds() + 3600) * 1000));
    ASSERT_TRUE(fs::exists(store.string() + "-wal"));
    ASSERT_GT(fs::file_size(store.string() + "-wal"), 0u);

    qarvo::C_String cookie;
    EXPECT_TRUE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_EQ(cookie.std(), "user_session=fresh_login");
    sqlite3_close(browser);
}

TEST_F(FirefoxStore, NoProfileMeansNoCookie)
{
    qarvo::C_String cookie("unchanged");
    EXPECT_FALSE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_EQ(cookie.std(), "unchanged");
    // A store that is not a database.
    fs::create_directories(home->path() / "snap" / "firefox" / "common" / ".mozilla" / "firefox" / "p");
    std::ofstream(home->path() / "snap" / "firefox" / "common" / ".mozilla" / "firefox" / "profiles.ini")
        << "[Profile0]\nPath=p\nIsRelative=1\nDefault=1\n";
    std::ofstream(home->path() / "snap" / "firefox" / "common" / ".mozilla" / "firefox" / "p" / "cookies.sqlite")
        << "this is not a database";
    EXPECT_FALSE(getInterfaceCookie("http://www.nicovideo.jp/watch/sm9", cookie));
    EXPECT_EQ(cookie.std(), "unchanged");
}

}  // namespace
}  // namespace pelmora::cookie
