#include <gtest/gtest.h>

#include <string>

#include "engine/nicolive/embedded_data.h"

using namespace pelmora::engine::nicolive;

namespace {

// The JSON a watch page embeds, HTML-escaped by hand the way the page escapes it.
const char* kEscapedProps =
    "{&quot;site&quot;:{&quot;relive&quot;:{&quot;webSocketUrl&quot;:"
    "&quot;wss://a.live2.example/wsapi/v2/watch/lv9?audience_token=t_1&amp;x=1&quot;},"
    "&quot;frontendId&quot;:&quot;12&quot;},"
    "&quot;program&quot;:{&quot;nicoliveProgramId&quot;:&quot;lv9&quot;,"
    "&quot;title&quot;:&quot;&lt;&#x3042;&#12354;&#39;&gt;&quot;,&quot;status&quot;:&quot;ON_AIR&quot;,"
    "&quot;openTime&quot;:1700000000,&quot;beginTime&quot;:1700000060,"
    "&quot;endTime&quot;:1700003600,&quot;vposBaseTime&quot;:1700000001}}";

}  // namespace

TEST(LiveWatchPage, ReadsTheProgramFactsWhateverTheTagsShape)
{
    const std::string pages[] = {
        std::string("<html><script id=\"other\" data-props=\"{}\"></script><div id=\"embedded-data\" data-props=\"{}\">"
                    "<script id=\"embedded-data\" data-props=\"") + kEscapedProps + "\"></script>",
        std::string("<SCRIPT data-props='") + kEscapedProps + "'\n  type=\"application/json\" ID=embedded-data>",
    };
    for (const std::string& page : pages) {
        ProgramFacts facts;
        std::string error = "stale";
        ASSERT_TRUE(readEmbeddedData(page, &facts, &error)) << error;
        EXPECT_EQ(error, "");
        EXPECT_EQ(facts.webSocketUrl, "wss://a.live2.example/wsapi/v2/watch/lv9?audience_token=t_1&x=1");
        EXPECT_EQ(facts.frontendId, "12");
        EXPECT_EQ(facts.programId, "lv9");
        EXPECT_EQ(facts.title, "<\xE3\x81\x82\xE3\x81\x82'>");  // U+3042 twice, from Python
        EXPECT_EQ(facts.status, "ON_AIR");
        EXPECT_EQ(facts.openTime, 1700000000);
        EXPECT_EQ(facts.beginTime, 1700000060);
        EXPECT_EQ(facts.endTime, 1700003600);
        EXPECT_EQ(facts.vposBaseTime, 1700000001);
        EXPECT_EQ(socketAddress(facts), facts.webSocketUrl + "&frontend_id=12");
    }
}

TEST(LiveWatchPage, DefaultsAndFailures)
{
    ProgramFacts facts;
    std::string error;
    // A user who may not watch: no address; no frontendId: 9; an unknown status reads as "".
    ASSERT_TRUE(readEmbeddedData(R"(<script id="embedded-data" data-props="{&quot;program&quot;:{&quot;status&quot;:&quot;LATER&quot;}}">)",
                                 &facts, &error));
    EXPECT_EQ(facts.webSocketUrl, "");
    EXPECT_EQ(facts.frontendId, "9");
    EXPECT_EQ(facts.status, "");
    EXPECT_EQ(socketAddress(facts), "");
    facts.webSocketUrl = "wss://h/ws";
    EXPECT_EQ(socketAddress(facts), "wss://h/ws?frontend_id=9");

    EXPECT_FALSE(readEmbeddedData("<html><script id=\"embedded-data\"></script>", &facts, &error));
    EXPECT_NE(error, "");
    error.clear();
    EXPECT_FALSE(readEmbeddedData("<script id=\"embedded-data\" data-props=\"{&quot;site\">", &facts, &error));
    EXPECT_NE(error, "");
    error.clear();
    EXPECT_FALSE(readEmbeddedData("<script id=\"embedded-data\" data-props=\"[1]\">", &facts, &error));
    EXPECT_NE(error, "");
    // An unterminated tag swallows the rest of the page, as a browser reads it.
    EXPECT_FALSE(readEmbeddedData("<script id=\"x\" data-props=\"<script id=\"embedded-data\" data-props=\"{}\">",
                                  &facts, &error));
}

TEST(LiveWatchPage, AudienceTokenIsReplacedByItsWholeName)
{
    EXPECT_EQ(withAudienceToken("wss://h/w/lv1?audience_token=old&frontend_id=9", "new"),
              "wss://h/w/lv1?audience_token=new&frontend_id=9");
    EXPECT_EQ(withAudienceToken("wss://h/w?frontend_id=9&audience_token=old", "n_1"),
              "wss://h/w?frontend_id=9&audience_token=n_1");
    EXPECT_EQ(withAudienceToken("wss://h/w?xaudience_token=1&frontend_id=9", "t"),
              "wss://h/w?xaudience_token=1&frontend_id=9&audience_token=t");
    EXPECT_EQ(withAudienceToken("wss://h/w", "a b&c"), "wss://h/w?audience_token=a%20b%26c");
}
