// The browser cookie stores nicosim writes.

#include "tools/nicosim/cookie_files.h"
#include "tools/nicosim/nicosim.h"
#include "tools/nicosim/text_codec.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace nicosim::test {
namespace {

namespace fs = std::filesystem;

class CookieFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("nicosim-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first column of the first row, "<none>" without one.
std::string singleValue(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    std::string value = "<none>";
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return value;
}

TEST_F(CookieFilesTest, FolderFilesHoldNineLineRecords)
{
    CookieFileOptions options;
    options.userName = "alice";
    std::string error;
    ASSERT_TRUE(writeCookieFolder((dir / "Cookies").string(), options, &error)) << error;
    const std::string named = readFile(dir / "Cookies" / "alice@nicovideo[1].txt");
    EXPECT_EQ(named, readFile(dir / "Cookies" / "NICOSIM0.txt"));

    std::vector<std::string> lines = splitText(named, '\n');
    ASSERT_EQ(lines.back(), "");
    lines.pop_back();
    ASSERT_EQ(lines.size() % 9, 0u);
    ASSERT_GE(lines.size(), 18u);
    EXPECT_EQ(lines[0], "user_session");
    EXPECT_EQ(lines[1], "user_session_nicosim");
    EXPECT_EQ(lines[2], "nicovideo.jp/");
    // 2037-12-31 00:00 UTC as a Windows file time, split low/high (computed with Python).
    EXPECT_EQ(lines[4], "2426765312");
    EXPECT_EQ(lines[5], "32108053");
    bool jikkyo = false;
    for (size_t record = 0; record < lines.size(); record += 9) {
        EXPECT_EQ(lines[record + 8], "*");
        jikkyo = jikkyo || lines[record + 2] == "jk.nicovideo.jp/";
    }
    EXPECT_TRUE(jikkyo);
}

TEST_F(CookieFilesTest, FirefoxProfileHoldsTheLoginInCurrentSchema)
{
    std::string error;
    ASSERT_TRUE(writeFirefoxProfile(dir.string(), {}, &error)) << error;
    const std::string ini = readFile(dir / "profiles.ini");
    EXPECT_NE(ini.find("[Profile0]\n"), std::string::npos);
    EXPECT_NE(ini.find("IsRelative=1\nPath=nicosim.default-release\nDefault=1\n"), std::string::npos);

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir / "nicosim.default-release" / "cookies.sqlite").string().c_str(), &db,
                              SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    auto single = [db](const char* sql) { return singleValue(db, sql); };
    EXPECT_EQ(single("PRAGMA user_version"), "17");
    EXPECT_EQ(single("SELECT group_concat(name, ',') FROM pragma_table_info('moz_cookies')"),
              "id,originAttributes,name,value,host,path,expiry,lastAccessed,creationTime,isSecure,isHttpOnly,"
              "inBrowserElement,sameSite,rawSameSite,schemeMap,isPartitionedAttributeSet");
    EXPECT_EQ(single("SELECT value FROM moz_cookies WHERE name='user_session' AND host='.nicovideo.jp'"),
              "user_session_nicosim");
    // Expiry in milliseconds: 2037-12-31 00:00 UTC.
    EXPECT_EQ(single("SELECT expiry FROM moz_cookies WHERE name='user_session'"), "2145830400000");
    EXPECT_EQ(single("SELECT count(*) FROM moz_cookies WHERE host NOT LIKE '%nicovideo.jp'"), "1");
    // What a lookup must send only where a browser would, or not at all.
    EXPECT_EQ(single("SELECT isSecure FROM moz_cookies WHERE name='user_session_secure'"), "1");
    EXPECT_EQ(single("SELECT host FROM moz_cookies WHERE name='nicosim_www'"), "www.nicovideo.jp");
    EXPECT_EQ(single("SELECT count(*) FROM moz_cookies WHERE name='user_session' AND originAttributes != ''"), "2");
    sqlite3_close(db);
}

TEST_F(CookieFilesTest, ChromiumProfileAndCookiesTxtHoldTheLogin)
{
    std::string error;
    ASSERT_TRUE(writeChromiumProfile(dir.string(), {}, &error)) << error;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir / "Default" / "Cookies").string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    auto single = [db](const char* sql) { return singleValue(db, sql); };
    EXPECT_EQ(single("SELECT value FROM meta WHERE key='version'"), "24");
    // "v10", then 32 bytes of host hash and the 20-byte value padded to 64 bytes.
    EXPECT_EQ(single("SELECT substr(encrypted_value, 1, 3) || ':' || length(encrypted_value) FROM cookies "
                     "WHERE name='user_session'"),
              "v10:67");
    EXPECT_EQ(single("SELECT value FROM cookies WHERE name='user_session'"), "");
    // 2037-12-31 00:00 UTC in microseconds since 1601 (Python: (2145830400 + 11644473600) * 10**6).
    EXPECT_EQ(single("SELECT expires_utc FROM cookies WHERE name='user_session'"), "13790304000000000");
    EXPECT_EQ(single("SELECT count(*) FROM cookies WHERE host_key NOT LIKE '%nicovideo.jp'"), "1");
    sqlite3_close(db);

    ASSERT_TRUE(writeNetscapeCookies((dir / "cookies.txt").string(), {}, &error)) << error;
    const std::string text = readFile(dir / "cookies.txt");
    EXPECT_EQ(text.find("# Netscape HTTP Cookie File\n"), 0u);
    EXPECT_NE(text.find("\n#HttpOnly_.nicovideo.jp\tTRUE\t/\tFALSE\t2145830400\tuser_session\tuser_session_nicosim\n"),
              std::string::npos);
}

TEST_F(CookieFilesTest, RewritingReplacesWholeFilesAndFailuresSayWhy)
{
    CookieFileOptions options;
    options.userName = "bob";
    options.sessionValue = "first";
    ASSERT_TRUE(writeCookieFolder(dir.string(), options));
    ASSERT_TRUE(writeFirefoxProfile(dir.string(), options));
    options.sessionValue = "second";
    ASSERT_TRUE(writeCookieFolder(dir.string(), options));
    ASSERT_TRUE(writeFirefoxProfile(dir.string(), options));
    EXPECT_NE(readFile(dir / "bob@nicovideo[1].txt").find("\nsecond\n"), std::string::npos);
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find("nicosim-tmp"), std::string::npos) << entry.path();

    // A file where the folder should be.
    std::ofstream(dir / "blocker") << "x";
    std::string error;
    EXPECT_FALSE(writeCookieFolder((dir / "blocker" / "Cookies").string(), {}, &error));
    EXPECT_FALSE(error.empty());
    options.userName = "../escape";
    EXPECT_FALSE(writeCookieFolder(dir.string(), options, &error));
    EXPECT_FALSE(fs::exists(dir.parent_path() / "escape@nicovideo[1].txt"));
}

TEST_F(CookieFilesTest, ServerWritesBothStoresAtStart)
{
    Options options;
    options.dataDir = dir.string();
    options.livePushMs = 0;
    Server sim(options);
    ASSERT_TRUE(sim.start()) << sim.lastError();
    EXPECT_TRUE(fs::exists(dir / "Cookies" / "NICOSIM0.txt"));
    EXPECT_TRUE(fs::exists(dir / "firefox" / "profiles.ini"));
    EXPECT_TRUE(fs::exists(dir / "firefox" / "nicosim.default-release" / "cookies.sqlite"));
    EXPECT_TRUE(fs::exists(dir / "chromium" / "Default" / "Cookies"));
    EXPECT_TRUE(fs::exists(dir / "cookies.txt"));
}

} // namespace
} // namespace nicosim::test
