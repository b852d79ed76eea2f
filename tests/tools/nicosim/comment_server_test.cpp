// The comment server's packets: which comments res_from selects, thread keys, the form of the
// elements, and that a seed fixes every byte.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/text_codec.h"

#include <regex>
#include <tuple>
#include <vector>

namespace nicosim::test {
namespace {

const std::string kMsg = "msg.nicovideo.jp";

std::string single(const std::string& thread, const std::string& resFrom)
{
    return "<thread res_from=\"" + resFrom + "\" version=\"20061206\" thread=\"" + thread + "\"/>";
}

std::string packet(const std::string& optional, const std::string& main, const std::string& key, int count)
{
    const std::string n = std::to_string(count);
    return "<packet><thread click_revision=\"0\" user_id=\"1729\" res_from=\"-" + n +
           "\" version=\"20061206\" thread=\"" + optional + "\" /><thread force_184=\"1\" threadkey=\"" + key +
           "\" click_revision=\"0\" user_id=\"1729\" res_from=\"-" + n + "\" version=\"20061206\" thread=\"" + main +
           "\" /></packet>";
}

// Every chat element, whole, in order. Text bodies hold no raw ">", so the first ">" ends
// the start tag.
std::vector<std::string> chatElements(const std::string& xml)
{
    std::vector<std::string> elements;
    for (size_t at = xml.find("<chat "); at != std::string::npos; at = xml.find("<chat ", at + 1)) {
        const size_t tagEnd = xml.find('>', at);
        if (tagEnd == std::string::npos)
            break;
        size_t end = tagEnd + 1;
        if (xml[tagEnd - 1] != '/') {
            const size_t close = xml.find("</chat>", tagEnd);
            if (close == std::string::npos)
                break;
            end = close + 7;
        }
        elements.push_back(xml.substr(at, end - at));
    }
    return elements;
}

// The "no" attributes of every chat element, in order.
std::vector<int> chatNumbers(const std::string& xml)
{
    std::vector<int> numbers;
    for (const std::string& element : chatElements(xml)) {
        std::string no;
        numbers.push_back(findXmlAttribute(element, "no", no) ? std::stoi(no) : -1);
    }
    return numbers;
}

std::string threadElement(const std::string& xml, size_t which = 0)
{
    size_t at = 0;
    for (size_t i = 0; i <= which; ++i) {
        at = xml.find("<thread ", i == 0 ? 0 : at + 1);
        if (at == std::string::npos)
            return {};
    }
    return xml.substr(at, xml.find("/>", at) + 2 - at);
}

using CommentServerTest = SimTest;

TEST_F(CommentServerTest, ResFromSelectsTheNewestComments)
{
    const std::string thread = sim->catalogue().video("sm9")->threadId;
    const HttpResult r = post(kMsg, "/10/api/", single(thread, "-1000"));
    ASSERT_EQ(r.status, 200);
    EXPECT_NE(r.header("Content-Type").find("xml"), std::string::npos);
    const std::vector<int> numbers = chatNumbers(r.body);
    ASSERT_EQ(numbers.size(), 1000u);
    EXPECT_EQ(numbers.front(), 1001);
    EXPECT_EQ(numbers.back(), 2000);
    for (size_t i = 1; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], numbers[i - 1] + 1);

    const std::string head = threadElement(r.body);
    EXPECT_NE(head.find("resultcode=\"0\""), std::string::npos);
    EXPECT_NE(head.find("last_res=\"2000\""), std::string::npos);
    EXPECT_TRUE(std::regex_search(head, std::regex("ticket=\"0x[0-9a-f]{8}\"")));
    EXPECT_NE(r.body.find("<view_counter video=\""), std::string::npos);

    // "-0" asks for none, a count above the thread gives all, a positive value starts there.
    EXPECT_TRUE(chatNumbers(post(kMsg, "/10/api/", single(thread, "-0")).body).empty());
    EXPECT_EQ(chatNumbers(post(kMsg, "/10/api/", single(thread, "-5000")).body).size(), 2000u);
    const std::vector<int> from = chatNumbers(post(kMsg, "/10/api/", single(thread, "1995")).body);
    EXPECT_EQ(from, (std::vector<int>{1995, 1996, 1997, 1998, 1999, 2000}));
}

TEST_F(CommentServerTest, ChatElementsKeepTheServiceOrderAndEscaping)
{
    const std::string thread = sim->catalogue().video("sm9")->threadId;
    const std::string body = post(kMsg, "/10/api/", single(thread, "-2000")).body;
    static const std::regex visible(
        "<chat thread=\"\\d+\" no=\"\\d+\" vpos=\"\\d+\" date=\"\\d+\"( mail=\"[^\"]+\")? user_id=\"([^\"]+)\""
        "( premium=\"1\")?( anonymity=\"1\")?>([^<]*)</chat>");
    static const std::regex deleted("<chat thread=\"\\d+\" no=\"\\d+\" vpos=\"\\d+\" date=\"\\d+\" "
                                    "deleted=\"[12]\"( anonymity=\"1\")?/>");
    static const std::regex hashedId("[A-Za-z0-9_-]{27}");
    static const std::regex numericId("\\d{6,8}");
    size_t deletedCount = 0, anonymousHashed = 0, numbered = 0;
    const std::vector<std::string> elements = chatElements(body);
    ASSERT_EQ(elements.size(), 2000u);
    for (const std::string& element : elements) {
        std::smatch m;
        if (std::regex_match(element, deleted)) {
            ++deletedCount;
            continue;
        }
        ASSERT_TRUE(std::regex_match(element, m, visible)) << element;
        const std::string user = m[2];
        const bool anonymous = m[4].matched;
        // Anonymous posters carry hashed ids, the others numbers.
        if (anonymous) {
            EXPECT_TRUE(std::regex_match(user, hashedId)) << element;
            EXPECT_NE(m[1].str().find("184"), std::string::npos) << element;
            ++anonymousHashed;
        } else {
            EXPECT_TRUE(std::regex_match(user, numericId)) << element;
            ++numbered;
        }
    }
    EXPECT_GT(deletedCount, 0u);
    EXPECT_GT(anonymousHashed, 0u);
    EXPECT_GT(numbered, 0u);
    // Bodies hold escaped markup, several lines and mail commands.
    EXPECT_NE(body.find("&lt;"), std::string::npos);
    EXPECT_NE(body.find("&amp;"), std::string::npos);
    EXPECT_NE(body.find("\n"), std::string::npos);
    for (const char* mail : {"mail=\"184\"", " red", " big", "shita"})
        EXPECT_NE(body.find(mail), std::string::npos) << mail;

    // The text of a known comment, as the catalogue holds it, escaped once.
    const Chat known = sim->catalogue().chat(*sim->catalogue().thread(thread), 1999);
    if (known.deleted == 0) {
        EXPECT_NE(body.find(">" + xmlEscape(known.text) + "</chat>"), std::string::npos);
    }
}

TEST_F(CommentServerTest, PacketWithTheKeyServesBothThreads)
{
    const VideoFacts so10 = *sim->catalogue().video("so10");
    const std::string body = post(kMsg, "/10/api/", packet(so10.optionalThreadId, so10.threadId, so10.threadKey, 100)).body;
    EXPECT_NE(threadElement(body, 0).find("thread=\"" + so10.optionalThreadId + "\""), std::string::npos);
    EXPECT_NE(threadElement(body, 1).find("resultcode=\"0\""), std::string::npos);
    EXPECT_EQ(countOf(body, "<chat thread=\"" + so10.optionalThreadId + "\""), 100u);
    EXPECT_EQ(countOf(body, "<chat thread=\"" + so10.threadId + "\""), 100u);

    // A wrong key, or the plain request without one, leaves the main thread closed.
    const std::string wrong = post(kMsg, "/10/api/", packet(so10.optionalThreadId, so10.threadId, "bad", 100)).body;
    EXPECT_NE(threadElement(wrong, 1).find("resultcode=\"11\""), std::string::npos);
    EXPECT_EQ(countOf(wrong, "<chat thread=\"" + so10.threadId + "\""), 0u);
    const std::string plain = post(kMsg, "/10/api/", single(so10.threadId, "-100")).body;
    EXPECT_NE(threadElement(plain).find("resultcode=\"11\""), std::string::npos);
    EXPECT_TRUE(chatNumbers(plain).empty());
}

TEST_F(CommentServerTest, UnknownThreadsAndEmptyRequests)
{
    EXPECT_NE(post(kMsg, "/10/api/", single("42", "-10")).body.find("resultcode=\"1\""), std::string::npos);
    const std::string deletedThread = sim->catalogue().video("sm404")->threadId;
    EXPECT_NE(post(kMsg, "/10/api/", single(deletedThread, "-10")).body.find("resultcode=\"1\""), std::string::npos);
    EXPECT_EQ(post(kMsg, "/10/api/", "hello").status, 400);
    EXPECT_EQ(post(kMsg, "/10/api/", "<threads res_from=\"-1\" thread=\"1\"/>").status, 400);
    // The GET form of the same request.
    const std::string thread = sim->catalogue().video("sm9")->threadId;
    EXPECT_EQ(chatNumbers(get(kMsg, "/api/thread?thread=" + thread + "&res_from=-3").body).size(), 3u);
}

TEST_F(CommentServerTest, HundredThousandCommentsInOneAnswer)
{
    const std::string thread = sim->catalogue().video("sm100000")->threadId;
    const HttpResult r = post(kMsg, "/10/api/", single(thread, "-100000"));
    ASSERT_EQ(r.status, 200);
    const std::vector<int> numbers = chatNumbers(r.body);
    ASSERT_EQ(numbers.size(), 100000u);
    EXPECT_EQ(numbers.front(), 1);
    EXPECT_EQ(numbers.back(), 100000);
}

TEST(CommentServerSeed, SameSeedSameBytesOtherSeedOtherTexts)
{
    Options options;
    options.livePushMs = 0;
    options.seed = 11;
    Server a(options), b(options);
    options.seed = 12;
    Server c(options);
    ASSERT_TRUE(a.start()) << a.lastError();
    ASSERT_TRUE(b.start()) << b.lastError();
    ASSERT_TRUE(c.start()) << c.lastError();
    const std::string thread = a.catalogue().video("sm9")->threadId;
    auto fetch = [&](const Server& s, const std::string& host, const std::string& target, const std::string& body) {
        return body.empty() ? httpGet(s.httpPort(), host, target, Server::loginCookie()).body
                            : httpPost(s.httpPort(), host, target, body, "text/xml").body;
    };
    for (const auto& [host, target, body] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {kMsg, "/10/api/", single(thread, "-2000")},
             {"www.nicovideo.jp", "/watch/sm1234", ""},
             {"www.nicovideo.jp", "/api/getflv?v=so77", ""},
             {"ext.nicovideo.jp", "/api/getthumbinfo/nm55", ""},
             {"www.nicovideo.jp", "/history", ""},
             {"ichiba.nicovideo.jp", "/ranking/earnings/all/d?rss=rss2", ""},
         }) {
        const std::string first = fetch(a, host, target, body);
        EXPECT_FALSE(first.empty()) << target;
        EXPECT_EQ(first, fetch(b, host, target, body)) << target;
        EXPECT_NE(first, fetch(c, host, target, body)) << target;
    }
}

} // namespace
} // namespace nicosim::test
