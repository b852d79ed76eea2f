// Fault words, and each HTTP fault doing what it says, checked on the raw bytes.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/faults.h"
#include "tools/nicosim/http_answer.h"
#include "tools/nicosim/text_codec.h"

#include <zlib.h>

#include <chrono>
#include <thread>

namespace nicosim::test {
namespace {

const std::string kMain = "www.nicovideo.jp";

Faults faultsFor(const std::vector<std::string>& words, Step step)
{
    Faults f;
    applyFaultWords(words, step, f);
    return f;
}

TEST(FaultWords, StepPrefixesNumbersAndLimits)
{
    EXPECT_EQ(baseId("sm9~gzip~msg.drop"), "sm9");
    EXPECT_EQ(suffixWords("sm9~gzip~~msg.drop"), (std::vector<std::string>{"gzip", "msg.drop"}));
    EXPECT_TRUE(suffixWords("sm9").empty());
    EXPECT_EQ(simWords(" gzip, delay5~redir2 "), (std::vector<std::string>{"gzip", "delay5", "redir2"}));

    const std::vector<std::string> words{"msg.gzip", "flv.drop", "delay250", "redirrel3"};
    const Faults msg = faultsFor(words, Step::Msg);
    EXPECT_TRUE(msg.gzip);
    EXPECT_FALSE(msg.drop);
    EXPECT_EQ(msg.delayMs, 250);
    EXPECT_EQ(msg.redirects, 3);
    EXPECT_EQ(msg.redirectKind, RedirectKind::Relative);
    EXPECT_TRUE(faultsFor(words, Step::Flv).drop);
    EXPECT_FALSE(faultsFor(words, Step::Flv).gzip);

    // Out of range, misspelt and unknown steps are reported, never half applied.
    const Faults bad = faultsFor({"delay60001", "redir21", "gzipp", "nostep.gzip", "delay", "setcookie21"}, Step::Watch);
    EXPECT_EQ(bad.delayMs, 0);
    EXPECT_EQ(bad.redirects, 0);
    EXPECT_FALSE(bad.gzip);
    EXPECT_EQ(bad.setCookies, 0);
    EXPECT_EQ(bad.unknown.size(), 6u);
    EXPECT_EQ(faultsFor({"setcookie20", "sibling"}, Step::Watch).setCookies, 20);
    EXPECT_TRUE(faultsFor({"setcookie20", "sibling"}, Step::Watch).sibling);
    EXPECT_EQ(faultsFor({"delay60000"}, Step::Watch).delayMs, 60000);
    // Live-only words are known, so an unprefixed one on a video id raises no report.
    EXPECT_TRUE(faultsFor({"close", "garbage", "hangup"}, Step::Watch).unknown.empty());
}

std::string inflateAll(const std::string& data, int windowBits)
{
    z_stream stream{};
    if (inflateInit2(&stream, windowBits) != Z_OK)
        return "<inflateInit failed>";
    std::string out(1 << 20, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return result == Z_STREAM_END ? out : "<inflate failed>";
}

// Decodes a chunked body; `complete` tells whether the last (zero) chunk arrived.
std::string unchunk(const std::string& body, bool& complete, size_t& chunks)
{
    std::string out;
    complete = false;
    chunks = 0;
    size_t at = 0;
    while (true) {
        const size_t eol = body.find("\r\n", at);
        if (eol == std::string::npos)
            return out;
        const size_t size = std::stoul(body.substr(at, eol - at), nullptr, 16);
        if (size == 0) {
            complete = body.compare(eol, 4, "\r\n\r\n") == 0;
            return out;
        }
        if (body.size() < eol + 2 + size + 2)
            return out;
        out += body.substr(eol + 2, size);
        ++chunks;
        at = eol + 2 + size + 2;
    }
}

long contentLength(const std::string& head)
{
    const std::string lower = lowerAscii(head);
    const size_t at = lower.find("content-length:");
    return at == std::string::npos ? -1 : std::stol(head.substr(at + 15));
}

using HttpFaultTest = SimTest;

TEST_F(HttpFaultTest, EncodingsDecodeToThePlainAnswer)
{
    const RawAnswer plain = rawGet(sim->httpPort(), kMain, "/watch/sm9");
    ASSERT_FALSE(plain.body.empty());
    // The client offered gzip, but nicosim encodes only on request.
    EXPECT_EQ(lowerAscii(plain.head).find("content-encoding"), std::string::npos);
    EXPECT_EQ(contentLength(plain.head), static_cast<long>(plain.body.size()));

    const RawAnswer gzip = rawGet(sim->httpPort(), kMain, "/watch/sm9~gzip");
    EXPECT_NE(gzip.head.find("Content-Encoding: gzip"), std::string::npos);
    EXPECT_EQ(inflateAll(gzip.body, 16 + 15), plain.body);

    const RawAnswer deflate = rawGet(sim->httpPort(), kMain, "/watch/sm9?sim=deflate");
    EXPECT_NE(deflate.head.find("Content-Encoding: deflate"), std::string::npos);
    EXPECT_EQ(inflateAll(deflate.body, 15), plain.body);

    const RawAnswer chunked = rawGet(sim->httpPort(), kMain, "/watch/sm9~chunked~gzip");
    EXPECT_NE(chunked.head.find("Transfer-Encoding: chunked"), std::string::npos);
    bool complete = false;
    size_t chunks = 0;
    EXPECT_EQ(inflateAll(unchunk(chunked.body, complete, chunks), 16 + 15), plain.body);
    EXPECT_TRUE(complete);
    EXPECT_GE(chunks, 3u);
}

TEST_F(HttpFaultTest, BrokenBodiesEndEarly)
{
    const RawAnswer plain = rawGet(sim->httpPort(), kMain, "/watch/sm9");

    const RawAnswer dropped = rawGet(sim->httpPort(), kMain, "/watch/sm9~drop");
    EXPECT_TRUE(dropped.closed);
    EXPECT_EQ(contentLength(dropped.head), static_cast<long>(plain.body.size()));
    EXPECT_EQ(dropped.body, plain.body.substr(0, plain.body.size() / 2));

    const RawAnswer cut = rawGet(sim->httpPort(), kMain, "/watch/sm9~chunkcut");
    EXPECT_TRUE(cut.closed);
    bool complete = true;
    size_t chunks = 0;
    const std::string got = unchunk(cut.body, complete, chunks);
    EXPECT_FALSE(complete);
    EXPECT_GT(chunks, 0u);
    EXPECT_EQ(got, plain.body.substr(0, got.size()));
    EXPECT_LT(got.size(), plain.body.size());
}

TEST_F(HttpFaultTest, RedirectChainsAlternateAndArrive)
{
    std::string target = "/watch/sm9~redir3";
    std::vector<std::string> locations;
    HttpResult r;
    for (int hop = 0; hop < 10; ++hop) {
        r = get(kMain, target);
        if (r.status != 302)
            break;
        const std::string location = r.header("Location");
        locations.push_back(location);
        target = startsWith(location, "http://www.nicovideo.jp") ? location.substr(23) : location;
    }
    EXPECT_EQ(r.status, 200);
    EXPECT_NE(r.body.find("movie_type"), std::string::npos);
    ASSERT_EQ(locations.size(), 3u);
    EXPECT_EQ(locations[0][0], '/');
    EXPECT_TRUE(startsWith(locations[1], "http://www.nicovideo.jp/watch/sm9~redir3?"));
    EXPECT_EQ(locations[2][0], '/');

    EXPECT_TRUE(startsWith(get(kMain, "/watch/sm9~redirabs2").header("Location"), "http://"));
    EXPECT_TRUE(startsWith(get(kMain, "/watch/sm9~redirrel2").header("Location"), "/"));
    // A POST is redirected with 307, which keeps it a POST.
    const std::string thread = sim->catalogue().video("sm9")->threadId;
    EXPECT_EQ(post("msg.nicovideo.jp", "/10/api/", "<thread res_from=\"-1\" thread=\"" + thread + "~redir1\"/>").status,
              307);
}

TEST_F(HttpFaultTest, DelayWaitsAndStopCutsItShort)
{
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(get(kMain, "/watch/sm9~delay300").status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    // A request stuck in a long delay ends when the server stops.
    std::thread client([port = sim->httpPort()] { httpGet(port, kMain, "/watch/sm9~delay60000"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (sim->requestCount(Step::Watch) < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto stopAt = std::chrono::steady_clock::now();
    sim->stop();
    client.join();
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::seconds(30));
}

TEST_F(HttpFaultTest, ServerWordsReachFixedAddressesAndUnknownWordsAreReported)
{
    sim->setFaults("history.notfound,picture.drop");
    EXPECT_EQ(get(kMain, "/history", true).status, 404);
    EXPECT_EQ(get(kMain, "/watch/sm9").status, 200);
    sim->setFaults("");
    EXPECT_EQ(get(kMain, "/history", true).status, 200);
    EXPECT_EQ(get(kMain, "/watch/sm9?sim=gzipp").header("X-Nicosim-Unknown-Faults"), "gzipp");
    EXPECT_EQ(get(kMain, "/watch/sm9~flv.drop").status, 200);
    // The client's Accept-Encoding still shows in the request log.
    rawGet(sim->httpPort(), kMain, "/watch/sm9");
    EXPECT_EQ(sim->lastRequest(Step::Watch)->header("accept-encoding"), "gzip,deflate");
}

} // namespace
} // namespace nicosim::test
