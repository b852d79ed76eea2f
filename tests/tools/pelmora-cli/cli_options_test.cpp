#include <gtest/gtest.h>

#include "tools/pelmora-cli/cli_options.h"
#include "tools/pelmora-cli/fetch_session.h"

using namespace pelmora::cli;

namespace {

bool parse(std::vector<std::string> args, CliOptions& out, std::string* errorOut = nullptr)
{
    std::string error;
    out = CliOptions{};
    const bool ok = parseCommandLine(args, out, error);
    if (errorOut)
        *errorOut = error;
    return ok;
}

}  // namespace

TEST(CliOptions, CommandsAndOptions)
{
    CliOptions o;
    ASSERT_TRUE(parse({"decode", "c.xml"}, o));
    EXPECT_EQ(o.command, Command::Decode);
    EXPECT_EQ(FetchSession::requestText(o), "c.xml decode");

    ASSERT_TRUE(parse({"--format", "jsonl", "fetch", "http://www.nicovideo.jp/watch/sm9", "-n", "500"}, o));
    EXPECT_EQ(o.format, OutputFormat::Jsonl);
    EXPECT_EQ(FetchSession::requestText(o), "http://www.nicovideo.jp/watch/sm9 500 progress_ori2");

    ASSERT_TRUE(parse({"fetch", "lv1", "--xml", "o.xml", "--follow", "30", "--library", "/x/lib.so"}, o));
    EXPECT_EQ(o.followSeconds, 30);
    EXPECT_EQ(o.library, "/x/lib.so");
    EXPECT_EQ(FetchSession::requestText(o), "lv1 1000 progress_xml_ori2");

    ASSERT_TRUE(parse({"fetch", "lv1", "--mode", "dumy_debug"}, o));
    EXPECT_EQ(FetchSession::requestText(o), "lv1 1000 progress_dumy_debug");

    // Every comment: the mode word says so once, whatever else it says.
    ASSERT_TRUE(parse({"fetch", "sm9", "--all", "--xml", "o.xml"}, o));
    EXPECT_EQ(FetchSession::requestText(o), "sm9 1000 progress_xml_ori2_all");
    ASSERT_TRUE(parse({"fetch", "sm9", "--all", "--mode", "all"}, o));
    EXPECT_EQ(FetchSession::requestText(o), "sm9 1000 progress_all");
    EXPECT_FALSE(parse({"decode", "c.xml", "--all"}, o));
    ASSERT_TRUE(parse({"--format", "ass", "--cookies-from-browser", "chrome:Profile 1", "fetch", "sm9"}, o));
    EXPECT_EQ(o.format, OutputFormat::Ass);
    EXPECT_EQ(o.cookiesFromBrowser, "chrome:Profile 1");
    ASSERT_TRUE(parse({"fetch", "sm9", "--cookies", "/tmp/cookies.txt"}, o));
    EXPECT_EQ(o.cookiesFile, "/tmp/cookies.txt");
}

TEST(CliOptions, LoginFlagsReplaceTheEnvironmentsChoice)
{
    setenv("PELMORA_COOKIES", "/inherited.txt", 1);
    CliOptions o;
    ASSERT_TRUE(parse({"fetch", "sm9", "--cookies-from-browser", "firefox:work"}, o));
    ASSERT_TRUE(applyCookieChoice(o));
    EXPECT_STREQ(std::getenv("PELMORA_COOKIES_FROM_BROWSER"), "firefox:work");
    EXPECT_EQ(std::getenv("PELMORA_COOKIES"), nullptr);
    unsetenv("PELMORA_COOKIES_FROM_BROWSER");
    // Without a flag the environment is left as the user set it.
    setenv("PELMORA_COOKIES", "/inherited.txt", 1);
    ASSERT_TRUE(parse({"fetch", "sm9"}, o));
    ASSERT_TRUE(applyCookieChoice(o));
    EXPECT_STREQ(std::getenv("PELMORA_COOKIES"), "/inherited.txt");
    unsetenv("PELMORA_COOKIES");
}

TEST(CliOptions, RefusesWhatTheEngineCannotTake)
{
    CliOptions o;
    std::string error;
    EXPECT_FALSE(parse({}, o));
    EXPECT_FALSE(parse({"decode"}, o));
    EXPECT_FALSE(parse({"decode", "a", "b"}, o));
    EXPECT_FALSE(parse({"play", "a"}, o));
    EXPECT_FALSE(parse({"decode", "a", "--format", "xml"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "-n", "-5"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "-n", "12x"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "-n"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "--follow", "99999999999"}, o));
    EXPECT_FALSE(parse({"decode", "a", "--follow", "3"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "--bogus"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "--cookies", "c.txt", "--cookies-from-browser", "chrome"}, o, &error));
    EXPECT_NE(error.find("exclude"), std::string::npos);
    EXPECT_FALSE(parse({"fetch", "a", "--cookies-from-browser", ""}, o));
    EXPECT_FALSE(parse({"decode", "a", "--cookies", "c.txt"}, o));
    // The request is split at spaces (and ideographic spaces), so a name holding one would
    // silently turn into other words.
    EXPECT_FALSE(parse({"decode", "my comments.xml"}, o, &error));
    EXPECT_NE(error.find("space"), std::string::npos);
    EXPECT_FALSE(parse({"decode", "a\xE3\x80\x80" "b.xml"}, o));
    EXPECT_FALSE(parse({"fetch", "a", "--mode", "x y"}, o));
}
