// Text, time and command line helpers.

#include "tools/nicosim/command_line.h"
#include "tools/nicosim/routes.h"
#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

#include <gtest/gtest.h>

namespace nicosim::test {
namespace {

TEST(TextCodec, PercentCodingRoundTripsAndKeepsBrokenEscapes)
{
    EXPECT_EQ(percentEncode("a b&c=d/~._-"), "a%20b%26c%3Dd%2F~._-");
    EXPECT_EQ(percentEncode("ニ"), "%E3%83%8B");
    EXPECT_EQ(percentDecode("%E3%83%8B%2b+x"), "ニ++x");
    EXPECT_EQ(percentDecode("%2b+x", true), "+ x");
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%zz%4"), "%zz%4");
}

TEST(TextCodec, DecimalsRespectTheirLimit)
{
    long long value = -1;
    EXPECT_TRUE(parseDecimal("60000", 60000, value));
    EXPECT_EQ(value, 60000);
    EXPECT_FALSE(parseDecimal("60001", 60000, value));
    EXPECT_FALSE(parseDecimal("7", 5, value));
    EXPECT_FALSE(parseDecimal("99999999999999999999999", 4294967295LL, value));
    EXPECT_FALSE(parseDecimal("", 10, value));
    EXPECT_FALSE(parseDecimal("-1", 10, value));
    EXPECT_FALSE(parseDecimal("1 ", 10, value));
}

TEST(TextCodec, XmlAttributesMatchWholeNames)
{
    std::string value;
    const std::string element = "<thread threadkey=\"k\" thread=\"12\" res_from = '-5' bad=\"open";
    ASSERT_TRUE(findXmlAttribute(element, "thread", value));
    EXPECT_EQ(value, "12");
    ASSERT_TRUE(findXmlAttribute(element, "res_from", value));
    EXPECT_EQ(value, "-5");
    EXPECT_FALSE(findXmlAttribute(element, "bad", value));
    EXPECT_FALSE(findXmlAttribute(element, "key", value));
    EXPECT_FALSE(findXmlAttribute("<thread/>", "thread", value));
}

TEST(TimeText, JapanTimeAgreesWithPython)
{
    // Reference values: datetime.fromtimestamp(t, timezone(timedelta(hours=9))).isoformat()
    EXPECT_EQ(isoJapanTime(1211408607), "2008-05-22T07:23:27+09:00");
    EXPECT_EQ(isoJapanTime(0), "1970-01-01T09:00:00+09:00");
    EXPECT_EQ(isoJapanTime(951782400), "2000-02-29T09:00:00+09:00");
    EXPECT_EQ(isoJapanTime(2145830399), "2037-12-31T08:59:59+09:00");
    EXPECT_EQ(japaneseDateTime(1211408607), "2008年05月22日 07:23");
    EXPECT_EQ(playLength(667), "11:07");
}

TEST(CommandLine, OptionsAndMistakes)
{
    CommandLine c = parseCommandLine({"--port", "8080", "--seed", "4294967295", "--data", "/x", "--push-ms", "0",
                                      "--live-by-name", "--live-port", "9000"});
    EXPECT_TRUE(c.error.empty()) << c.error;
    EXPECT_EQ(c.options.port, 8080);
    EXPECT_EQ(c.options.livePort, 9000);
    EXPECT_EQ(c.options.seed, 4294967295u);
    EXPECT_EQ(c.options.dataDir, "/x");
    EXPECT_EQ(c.options.livePushMs, 0);
    EXPECT_TRUE(c.options.liveAddressByName);
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    EXPECT_FALSE(parseCommandLine({"--port", "65536"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--port"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--seed", "-1"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--verbose"}).error.empty());
    EXPECT_FALSE(parseCommandLine({"--data", ""}).error.empty());
}

TEST(Routes, HostsAndPaths)
{
    EXPECT_EQ(hostWithoutPort(" WWW.NicoVideo.JP:80 "), "www.nicovideo.jp");
    EXPECT_EQ(hostWithoutPort("[::1]:8080"), "[::1]");
    EXPECT_EQ(hostWithoutPort("[::1]"), "[::1]");
    EXPECT_EQ(routeRequest("www.nicovideo.jp", "/watch/sm9").page, Page::Watch);
    EXPECT_EQ(routeRequest("www.nicovideo.jp", "/watch/sm9").argument, "sm9");
    EXPECT_EQ(routeRequest("www.nicovideo.jp", "/watch/").page, Page::NotFound);
    EXPECT_EQ(routeRequest("www.nicovideo.jp", "/watch/a/b").page, Page::NotFound);
    EXPECT_EQ(routeRequest("127.0.0.1", "/api/getflv").page, Page::Flv);
    EXPECT_EQ(routeRequest("live.nicovideo.jp", "/api/getplayerstatus").step, Step::Status);
    EXPECT_EQ(routeRequest("jk.nicovideo.jp", "/watch/jk1").page, Page::JikkyoPage);
    EXPECT_EQ(routeRequest("ichiba.nicovideo.jp", "/img/item/7.png").argument, "7");
    EXPECT_EQ(routeRequest("msg.nicovideo.jp", "/anything").step, Step::Msg);
    EXPECT_EQ(routeRequest("evil.example", "/").page, Page::UnknownHost);
}

} // namespace
} // namespace nicosim::test
