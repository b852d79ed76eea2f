#include <gtest/gtest.h>

#include <string>

#include "engine/service/iso_time.h"
#include "engine/service/json_value.h"
#include "engine/service/nvcomment_data.h"

namespace pelmora::engine::nvcomment {
namespace {

// The page data a watch page of today carries, written by hand; the page escapes it as an
// attribute value (&quot; for the quotes, a numeric reference for the apostrophe).
const char* const kPageData =
    R"({"meta":{"status":200},"data":{"response":{"video":{"id":"sm9","title":"Tom & Jerry's <show>",)"
    R"("count":{"view":1234}},"comment":{"threads":[{"id":1100000009,"fork":"owner","commentCount":3},)"
    R"({"id":"1100000009","fork":"main","commentCount":2000}],"nvComment":{"threadKey":"key\"1",)"
    R"("server":"https://public.nvcomment.nicovideo.jp","params":{"language":"ja-jp","targets":[)"
    R"({"id":"1100000009","fork":"owner"},{"id":"1100000009","fork":"main","extra":[1,2]}]}}}}}})";

std::string escapedForAttribute(const std::string& json)
{
    std::string out;
    for (const char c : json) {
        if (c == '"')
            out += "&quot;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '\'')
            out += "&#39;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

TEST(WatchData, ReadFromTheServerResponseElement)
{
    // Another meta element first, and the marker inside a script, must not be taken for it.
    const std::string page = "<html><head><meta name=\"description\" content=\"server-response\">"
                             "<script>var x = 'server-response';</script>"
                             "<meta name=\"server-response\" content=\"" +
                             escapedForAttribute(kPageData) + "\"></head><body></body></html>";
    WatchData data;
    std::string error;
    ASSERT_EQ(readWatchData(page, data, error), PageData::Found) << error;
    EXPECT_EQ(data.title, "Tom & Jerry's <show>");
    EXPECT_EQ(data.videoId, "sm9");
    EXPECT_EQ(data.viewCount, 1234);
    EXPECT_EQ(data.server, "https://public.nvcomment.nicovideo.jp");
    EXPECT_EQ(data.threadKey, "key\"1");
    ASSERT_EQ(data.targets.size(), 2u);
    EXPECT_EQ(data.targets[1].id, "1100000009");
    EXPECT_EQ(data.targets[1].fork, "main");
    // Thread ids come as numbers or as texts.
    ASSERT_EQ(data.threads.size(), 2u);
    EXPECT_EQ(data.threads[0].id, "1100000009");
    EXPECT_EQ(data.threads[0].commentCount, 3);

    // The request sends the parameters back as given, the chosen targets in place of the
    // page's, and "when" only when asked.
    EXPECT_EQ(threadsRequestBody(data, {1}, "k\"ey", std::nullopt),
              R"({"params":{"language":"ja-jp","targets":[{"id":"1100000009","fork":"main","extra":[1,2]}]},)"
              R"("threadKey":"k\"ey","additionals":{}})");
    EXPECT_EQ(threadsRequestBody(data, {0, 1}, "k", 1722859391).find(R"("additionals":{"when":1722859391}})") !=
                  std::string::npos,
              true);
}

TEST(WatchData, OlderElementAbsentPageAndBrokenData)
{
    WatchData data;
    std::string error;
    const std::string older =
        "<div id=\"js-initial-watch-data\" data-api-data=\"" +
        escapedForAttribute(R"({"video":{"title":"t"},"comment":{"nvComment":{"threadKey":"k","server":"https://s",)"
                            R"("params":{"targets":[{"id":"7","fork":"main"}]}}}})") +
        "\" data-environment=\"{}\"></div>";
    ASSERT_EQ(readWatchData(older, data, error), PageData::Found) << error;
    EXPECT_EQ(data.title, "t");
    EXPECT_EQ(data.targets.size(), 1u);

    // The old path's page.
    EXPECT_EQ(readWatchData("<html><title>sm9‐nicosim</title><h1>x</h1></html>", data, error), PageData::Absent);

    // Broken data names what is wrong.
    EXPECT_EQ(readWatchData("<meta name=\"server-response\" content=\"{&quot;data\">", data, error), PageData::Broken);
    EXPECT_NE(error.find("JSON"), std::string::npos) << error;
    const std::string noKey =
        "<meta name=\"server-response\" content=\"" +
        escapedForAttribute(R"({"data":{"response":{"comment":{"nvComment":{"server":"https://s","params":{}}}}}})") +
        "\">";
    EXPECT_EQ(readWatchData(noKey, data, error), PageData::Broken);
    EXPECT_NE(error.find("nvComment.threadKey"), std::string::npos) << error;
}

TEST(ThreadsAnswer, ReadsCommentsAndNamesTheMissingField)
{
    json::Document document(1 << 20);
    ThreadsAnswer answer;
    std::string error;
    const std::string good =
        R"({"meta":{"status":200},"data":{"threads":[{"id":"1","fork":"main","commentCount":9,"comments":[)"
        R"({"id":"x","no":7,"vposMs":12345,"body":"a<b","commands":["184","big",3],"userId":"u",)"
        R"("isPremium":true,"postedAt":"2024-08-05T21:03:11+09:00"}]}]}})";
    ASSERT_TRUE(parseThreadsAnswer(document, good, answer, error)) << error;
    ASSERT_EQ(answer.threads.size(), 1u);
    EXPECT_EQ(answer.threads[0].commentCount, 9);
    const AnswerComment& c = answer.threads[0].comments.at(0);
    EXPECT_EQ(c.no, 7);
    EXPECT_EQ(c.vposMs, 12345);
    EXPECT_EQ(c.body, "a<b");
    EXPECT_EQ(c.mail, "184 big");  // a command that is no text is left out
    EXPECT_TRUE(c.premium);
    EXPECT_EQ(c.postedAt, 1722859391);  // Python: datetime.fromisoformat(...).timestamp()

    ASSERT_TRUE(parseThreadsAnswer(document, R"({"meta":{"status":403,"errorCode":"EXPIRED_TOKEN"}})", answer, error));
    EXPECT_EQ(answer.status, 403);
    EXPECT_EQ(answer.errorCode, "EXPIRED_TOKEN");

    std::string bad = good;
    bad.replace(bad.find("\"postedAt\""), 10, "\"posted\"");
    EXPECT_FALSE(parseThreadsAnswer(document, bad, answer, error));
    EXPECT_NE(error.find("data.threads[0].comments[0].postedAt"), std::string::npos) << error;
    bad = good;
    bad.replace(bad.find("\"no\":7"), 6, "\"no\":4294967296");
    EXPECT_FALSE(parseThreadsAnswer(document, bad, answer, error));
    EXPECT_FALSE(parseThreadsAnswer(document, R"({"meta":{"status":200},"data":{}})", answer, error));
    EXPECT_NE(error.find("data.threads"), std::string::npos) << error;
    EXPECT_FALSE(parseThreadsAnswer(document, "{\"meta\":", answer, error));
}

TEST(IsoTime, OffsetsFractionsAndRefusals)
{
    // Expected values from Python's datetime.fromisoformat(...).timestamp().
    int64_t s = 0;
    ASSERT_TRUE(parseIsoSeconds("2024-02-29T00:00:00Z", s));
    EXPECT_EQ(s, 1709164800);
    ASSERT_TRUE(parseIsoSeconds("1969-12-31T23:59:59-00:30", s));
    EXPECT_EQ(s, 1799);
    ASSERT_TRUE(parseIsoSeconds("2024-08-05T21:03:11.250+0900", s));
    EXPECT_EQ(s, 1722859391);
    for (const char* bad : {"2023-02-29T00:00:00Z", "2024-08-05T21:03:11", "2024-08-05T24:00:00Z",
                            "2024-08-05T21:03:11+09:00x", "2024-8-05T21:03:11Z", ""})
        EXPECT_FALSE(parseIsoSeconds(bad, s)) << bad;
}

}  // namespace
}  // namespace pelmora::engine::nvcomment
