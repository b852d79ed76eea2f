#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/cookie/browser_cookie.h"
#include "engine/cookie/cookie_text_file.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::cookie {
namespace {

namespace fs = std::filesystem;
namespace System = qarvo::common::System;

// One nine-line record of the folder format.
std::string record(const std::string& name, const std::string& value, const std::string& hostPath)
{
    return name + "\n" + value + "\n" + hostPath + "\n1024\n0\n0\n0\n0\n*\n";
}

class CookieFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = std::make_unique<test::TempFolder>();
        folder = home->path() / "Cookies";
        fs::create_directories(folder);
        env.Set("HOME", home->path().string());
        env.Set("XDG_CONFIG_HOME", (home->path() / "config").string());
        env.Set("USER", "alice");
        env.Set("XDG_RUNTIME_DIR", home->path().string());
        env.Unset("PELMORA_COOKIES");
        env.Unset("PELMORA_COOKIES_FROM_BROWSER");
    }
    void TearDown() override
    {
        env.RestoreAll();
        home.reset();
    }

    void write(const std::string& name, const std::string& text, int ageSeconds)
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(ageSeconds));
    }
    qarvo::C_WString wideFolder(bool withSlash = true) const
    {
        return System::utf8_to_utf16(qarvo::C_String(folder.string() + (withSlash ? "/" : "")));
    }

    std::unique_ptr<test::TempFolder> home;
    fs::path folder;
    test::EnvironmentGuard env;
};

TEST(CookieTextFile, RecordsJoinWithoutTrailingSeparator)
{
    const std::string text = record("a", "1", "nicovideo.jp/") + record("b", "2", "other.example/") +
                             record("c", "3", "nicovideo.jp/");
    EXPECT_EQ(cookieFilePairs(text), "a=1; b=2; c=3");
    EXPECT_TRUE(cookieFileMentions(text, "nicovideo.jp"));
    // Only the host lines count: a value naming the domain is no match.
    EXPECT_FALSE(cookieFileMentions(record("x", "nicovideo.jp", "other.example/"), "nicovideo.jp"));
    // Lines written on Windows end in CR LF.
    EXPECT_EQ(cookieFilePairs("a\r\n1\r\nnicovideo.jp/\r\n0\r\n0\r\n0\r\n0\r\n0\r\n*\r\n"), "a=1");
    EXPECT_EQ(cookieFilePairs("lonely-name"), "");
}

TEST_F(CookieFolder, ScanTakesTheNewestFileForTheDomain)
{
    write("old.txt", record("user_session", "old", "nicovideo.jp/"), 3600);
    write("new.txt", record("user_session", "new", "nicovideo.jp/") + record("extra", "x", "other.example/"), 10);
    write("unrelated.txt", record("user_session", "other", "example.com/"), 0);
    qarvo::C_String cookie;
    // The www label is dropped from the address's host before matching.
    ASSERT_TRUE(getTxtFileCookie(wideFolder(), qarvo::C_String("http://www.nicovideo.jp/watch/sm9"), cookie));
    EXPECT_EQ(cookie.std(), "user_session=new; extra=x");
    // A folder path without its separator works the same.
    cookie.Clear();
    ASSERT_TRUE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true, wideFolder(false)));
    EXPECT_EQ(cookie.std(), "user_session=new; extra=x");
}

TEST_F(CookieFolder, UserNameFileIsTheLastResort)
{
    write("alice@nicovideo[1].txt", record("user_session", "older", "www.elsewhere.example/"), 3600);
    write("alice@nicovideo[2].txt", record("user_session", "newer", "www.elsewhere.example/"), 5);
    write("bob@nicovideo[1].txt", record("user_session", "bob", "www.elsewhere.example/"), 0);
    qarvo::C_String cookie("unchanged");
    // No "*.txt" file names the domain; the user's own file still answers.
    ASSERT_TRUE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true, wideFolder()));
    EXPECT_EQ(cookie.std(), "user_session=newer");
}

TEST_F(CookieFolder, NothingFoundLeavesTheCookieAlone)
{
    write("unrelated.txt", record("user_session", "other", "example.com/"), 0);
    qarvo::C_String cookie("unchanged");
    EXPECT_FALSE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true, wideFolder()));
    EXPECT_EQ(cookie.std(), "unchanged");
    EXPECT_FALSE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true,
                                  System::utf8_to_utf16(qarvo::C_String((home->path() / "missing").string()))));
}

TEST_F(CookieFolder, FolderComesFromTheEnvironment)
{
    env.Set("PELMORA_COOKIE_DIR", "/some/where");
    EXPECT_EQ(System::utf16_to_utf8(getCookieFolder()).std(), "/some/where");
    env.Unset("PELMORA_COOKIE_DIR");
    env.Set("XDG_DATA_HOME", "/data/home");
    EXPECT_EQ(System::utf16_to_utf8(getCookieFolder()).std(), "/data/home/PelmoraVista/Cookies");
    env.Unset("XDG_DATA_HOME");
    EXPECT_EQ(System::utf16_to_utf8(getCookieFolder()).std(), home->path().string() + "/.local/share/PelmoraVista/Cookies");
}

TEST_F(CookieFolder, NetscapeFileIsReadAsOneWithTheBrowsersRules)
{
    // Before, an exported cookies.txt was read as nine-line records: its tab-separated lines
    // became names and values of a garbage Cookie header.
    std::string error;
    ASSERT_TRUE(nicosim::writeNetscapeCookies((folder / "cookies.txt").string(), {}, &error)) << error;
    write("old.txt", record("user_session", "old", "nicovideo.jp/"), 3600);
    qarvo::C_String cookie;
    ASSERT_TRUE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true, wideFolder()));
    EXPECT_EQ(cookie.std(), "user_session=user_session_nicosim; nicosid=1700000000.1729");
    ASSERT_TRUE(getBrowserCookie(cookie, "https://live.nicovideo.jp/watch/lv1", true, wideFolder()));
    EXPECT_EQ(cookie.std(),
              "user_session=user_session_nicosim; nicosid=1700000000.1729; user_session_secure=secure_user_session_nicosim");
    // A file for other sites only is passed over for the older nine-line file of the service.
    fs::remove(folder / "cookies.txt");
    write("export.txt", "# Netscape HTTP Cookie File\n.shop.example\tTRUE\t/\tFALSE\t0\tsid\t1\n", 0);
    ASSERT_TRUE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true, wideFolder()));
    EXPECT_EQ(cookie.std(), "user_session=old");
}

TEST_F(CookieFolder, SimulatedServiceFilesAnswerForVideoAndJikkyo)
{
    nicosim::CookieFileOptions options;
    options.userName = "alice";
    std::string error;
    ASSERT_TRUE(nicosim::writeCookieFolder(folder.string(), options, &error)) << error;
    qarvo::C_String cookie;
    ASSERT_TRUE(getBrowserCookie(cookie, "http://www.nicovideo.jp/watch/sm9", true, wideFolder()));
    EXPECT_NE(cookie.std().find("user_session=user_session_nicosim"), std::string::npos) << cookie.std();
    cookie.Clear();
    ASSERT_TRUE(getBrowserCookie(cookie, "http://jk.nicovideo.jp/watch/jk1", true, wideFolder()));
    EXPECT_NE(cookie.std().find("user_session=user_session_nicosim"), std::string::npos) << cookie.std();
}

}  // namespace
}  // namespace pelmora::cookie
