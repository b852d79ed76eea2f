#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "engine/cookie/browser_cookie.h"
#include "tests/engine/cookie/store_fixture.h"

namespace pelmora::cookie {
namespace {

namespace fs = std::filesystem;

using test::nowSeconds;

class LoginChoice : public test::CookieHome {
protected:
    void SetUp() override
    {
        test::CookieHome::SetUp();
        const int64_t later = nowSeconds() + 3600;
        // Firefox used the login an hour ago, Chromium a minute ago; Edge holds only a visitor id.
        test::makeFirefoxProfile(home->path() / ".mozilla" / "firefox", "f.default", "default", true,
                                 {{".nicovideo.jp", "user_session", "from_firefox", later * 1000, "/", false, "",
                                   (nowSeconds() - 3600) * 1000000}});
        test::makeChromiumStore(config() / "chromium" / "Default" / "Cookies", 18,
                                {{".nicovideo.jp", "user_session", "from_chromium", "", later, nowSeconds() - 60}});
        test::makeChromiumStore(config() / "microsoft-edge" / "Default" / "Cookies", 18,
                                {{".nicovideo.jp", "nicosid", "visitor", "", later, nowSeconds()}});
        folder = home->path() / "Cookies";
        fs::create_directories(folder);
        std::ofstream(folder / "alice.txt") << "user_session\nfrom_folder\nnicovideo.jp/\n1024\n0\n0\n0\n0\n*\n";
    }

    std::string lookup(const std::string& address = "http://www.nicovideo.jp/watch/sm9")
    {
        qarvo::C_String cookie("unchanged");
        const bool found = getBrowserCookie(cookie, address.c_str(), true,
                                            qarvo::C_WString(std::u16string(folder.u16string())));
        report = takeLookupReport();
        return found ? cookie.std() : "<none>";
    }

    fs::path folder;
    std::string report;
};

TEST_F(LoginChoice, AutomaticChoiceTakesTheLoginUsedLastThenTheFolder)
{
    EXPECT_EQ(lookup(), "user_session=from_chromium");
    EXPECT_EQ(report, "");
    // Without the stores the folder answers.
    fs::remove_all(config() / "chromium");
    fs::remove_all(home->path() / ".mozilla");
    EXPECT_EQ(lookup(), "user_session=from_folder");
    // Nothing anywhere: every place is named.
    fs::remove(folder / "alice.txt");
    EXPECT_EQ(lookup(), "<none>");
    EXPECT_EQ(report, "no login cookie for www.nicovideo.jp in edge (Default): no login cookie; nor in the cookie folder " +
                          folder.string() + "/");
}

TEST_F(LoginChoice, EnvironmentNamesTheOnlySource)
{
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "firefox");
    EXPECT_EQ(lookup(), "user_session=from_firefox");
    // A chosen browser without the login does not fall back to another store or the folder.
    env.Set("PELMORA_COOKIES_FROM_BROWSER", "EDGE");
    EXPECT_EQ(lookup(), "<none>");
    EXPECT_EQ(report, "no login cookie for www.nicovideo.jp in edge (Default): no login cookie");

    // A cookies.txt file wins over the browser choice.
    const fs::path file = home->path() / "exported cookies.txt";
    std::ofstream(file) << "# Netscape HTTP Cookie File\n.nicovideo.jp\tTRUE\t/\tFALSE\t0\tuser_session\tfrom_file\n";
    env.Set("PELMORA_COOKIES", file.string());
    EXPECT_EQ(lookup(), "user_session=from_file");
    EXPECT_EQ(lookup("http://www.shop.example/"), "<none>");
    EXPECT_EQ(report, "cookies.txt " + file.string() + ": no login cookie for www.shop.example");
    std::ofstream(file) << "user_session\nnine-line\nnicovideo.jp/\n1024\n0\n0\n0\n0\n*\n";
    EXPECT_EQ(lookup(), "<none>");
    EXPECT_EQ(report, "cookies.txt " + file.string() + ": not a Netscape cookies.txt file");
    env.Set("PELMORA_COOKIES", (home->path() / "missing.txt").string());
    EXPECT_EQ(lookup(), "<none>");
    EXPECT_NE(report.find("the file cannot be read"), std::string::npos) << report;
}

}  // namespace
}  // namespace pelmora::cookie
