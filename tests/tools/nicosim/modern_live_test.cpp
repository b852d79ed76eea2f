// Today's live path of the simulated service: the watch page's data, the WebSocket, the view
// and segment streams against the classic path's chats, and the fault words.

#include "tests/tools/nicosim/sim_fixture.h"

#include "tools/nicosim/command_line.h"

#include "tools/nicosim/modern_live.h"
#include "tools/nicosim/net.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"
#include "tools/nicosim/time_text.h"

#include "engine/nicolive/proto/nicolive_edge.pb.h"

#include <chrono>
#include <set>
#include <thread>

namespace nicosim::test {
namespace {

namespace edge = dwango::nicolive::chat::service::edge;

// RFC 6455's own handshake example.
constexpr const char* kSampleKey = "dGhlIHNhbXBsZSBub25jZQ==";
constexpr const char* kSampleAccept = "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=";

std::string htmlUnescape(std::string text)
{
    const std::pair<const char*, const char*> entities[] = {{"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& [from, to] : entities)
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1))
            text.replace(at, std::string_view(from).size(), to);
    return text;
}

std::string between(const std::string& text, const std::string& before, const std::string& after)
{
    const size_t a = text.find(before);
    if (a == std::string::npos)
        return {};
    const size_t b = text.find(after, a + before.size());
    return b == std::string::npos ? std::string() : text.substr(a + before.size(), b - a - before.size());
}

// A chunked body: its bytes, where each chunk ended, and whether the last chunk came.
struct Dechunked {
    std::string bytes;
    std::vector<size_t> chunkEnds;
    bool complete = false;
};

Dechunked dechunk(const std::string& body)
{
    Dechunked out;
    size_t at = 0;
    while (at < body.size()) {
        const size_t eol = body.find("\r\n", at);
        if (eol == std::string::npos)
            break;
        const size_t size = std::stoul(body.substr(at, eol - at), nullptr, 16);
        if (size == 0) {
            out.complete = true;
            break;
        }
        out.bytes += body.substr(eol + 2, size);
        out.chunkEnds.push_back(out.bytes.size());
        at = eol + 2 + size + 2;
    }
    return out;
}

// Length-delimited messages; `boundaries` gets where each ended. Stops at a cut message.
std::vector<std::string> delimited(const std::string& bytes, std::set<size_t>* boundaries = nullptr, bool* cut = nullptr)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (at < bytes.size()) {
        uint64_t n = 0;
        int shift = 0;
        size_t p = at;
        bool whole = false;
        while (p < bytes.size() && shift < 64) {
            const uint8_t b = static_cast<uint8_t>(bytes[p++]);
            n |= uint64_t(b & 0x7f) << shift;
            shift += 7;
            if ((b & 0x80) == 0) {
                whole = true;
                break;
            }
        }
        if (!whole || bytes.size() - p < n) {
            if (cut)
                *cut = true;
            break;
        }
        out.push_back(bytes.substr(p, n));
        at = p + n;
        if (boundaries)
            boundaries->insert(at);
    }
    return out;
}

std::vector<edge::ChunkedEntry> entries(const std::string& bytes, bool* cut = nullptr)
{
    std::vector<edge::ChunkedEntry> out;
    for (const std::string& m : delimited(bytes, nullptr, cut)) {
        edge::ChunkedEntry e;
        EXPECT_TRUE(e.ParseFromString(m));
        out.push_back(e);
    }
    return out;
}

// "https://mpn.live.nicovideo.jp/x" -> "/x"
std::string pathOf(const std::string& uri)
{
    const size_t slash = uri.find('/', uri.find("//") + 2);
    return uri.substr(slash);
}

// A tiny WebSocket client on the plain port: masked frames out, whole frames in.
class SocketClient {
public:
    // The answer's head; empty when none came.
    std::string connect(int port, const std::string& target, const std::string& origin = kLiveOrigin)
    {
        m_socket = net::connectLoopback(port, 2000);
        const std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + kLiveSocketHost +
                                    "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: " + kSampleKey +
                                    "\r\nSec-WebSocket-Version: 13\r\nOrigin: " + origin + "\r\n\r\n";
        if (!net::writeAll(m_socket, request, 2000))
            return {};
        while (m_in.find("\r\n\r\n") == std::string::npos && fill(3000)) {
        }
        const size_t end = m_in.find("\r\n\r\n");
        if (end == std::string::npos)
            return {};
        const std::string head = m_in.substr(0, end + 4);
        m_in.erase(0, end + 4);
        return head;
    }

    void send(uint8_t opcode, const std::string& payload, bool masked = true)
    {
        std::string frame;
        frame += static_cast<char>(0x80 | opcode);
        frame += static_cast<char>((masked ? 0x80 : 0) | payload.size()); // short payloads only
        const char mask[4] = {0x12, 0x34, 0x56, 0x78};
        if (masked)
            frame.append(mask, 4);
        for (size_t i = 0; i < payload.size(); ++i)
            frame += masked ? static_cast<char>(payload[i] ^ mask[i % 4]) : payload[i];
        ASSERT_TRUE(net::writeAll(m_socket, frame, 2000));
    }

    // The next frame's opcode and payload; opcode -1 when none came within the time.
    std::pair<int, std::string> next(int timeoutMs = 3000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            if (m_in.size() >= 2) {
                size_t length = static_cast<uint8_t>(m_in[1]) & 0x7f;
                size_t at = 2;
                if (length == 126 && m_in.size() >= 4) {
                    length = (size_t(static_cast<uint8_t>(m_in[2])) << 8) | static_cast<uint8_t>(m_in[3]);
                    at = 4;
                }
                if (length < 126 || at == 4) {
                    if (m_in.size() >= at + length) {
                        std::pair<int, std::string> frame{static_cast<uint8_t>(m_in[0]) & 0x0f, m_in.substr(at, length)};
                        m_in.erase(0, at + length);
                        return frame;
                    }
                }
            }
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count());
            if (left <= 0 || !fill(left))
                return {-1, {}};
        }
    }

    // The next text frame that is not a ping.
    std::string nextMessage(int timeoutMs = 3000)
    {
        for (;;) {
            auto [op, text] = next(timeoutMs);
            if (op != 1 || text != "{\"type\":\"ping\"}")
                return op == 1 ? text : "opcode " + std::to_string(op);
        }
    }

private:
    bool fill(int timeoutMs)
    {
        char buffer[4096];
        size_t got = 0;
        if (net::readWithin(m_socket, buffer, sizeof buffer, got, timeoutMs) != net::Io::Done)
            return false;
        m_in.append(buffer, got);
        return true;
    }

    net::Socket m_socket;
    std::string m_in;
};

class ModernLiveTest : public SimTest {
protected:
    Options options() const override
    {
        Options o = SimTest::options();
        o.livePushMs = 100;
        o.liveSegmentMs = 1000;
        o.liveViewMs = 2500;
        o.livePingMs = 400;
        o.liveReconnectMs = 300;
        return o;
    }

    std::string socketTarget(const std::string& program)
    {
        return std::string(kSocketPathPrefix) + program + "?audience_token=" +
               audienceToken(sim->options().seed, baseId(program), 42) + "&frontend_id=9";
    }

    RawAnswer stream(const std::string& uri, int timeoutMs = 8000)
    {
        return rawGet(sim->modernLivePort(), kLiveStreamHost, pathOf(uri), timeoutMs);
    }
};

TEST_F(ModernLiveTest, WatchPageEmbedsTheProgram)
{
    const LiveFacts lv1 = *sim->catalogue().live("lv1");
    const std::string page = get(kLiveHost, "/watch/lv1~modern~segstall", true).body;
    const std::string data = htmlUnescape(between(page, "<script id=\"embedded-data\" data-props=\"", "\""));
    ASSERT_FALSE(data.empty()) << page;
    const std::string socket = between(data, "\"webSocketUrl\":\"", "\"");
    EXPECT_TRUE(startsWith(socket, "wss://a.live2.nicovideo.jp/wsapi/v2/watch/lv1~modern~segstall?audience_token=")) << socket;
    EXPECT_TRUE(knownAudienceToken(sim->options().seed, socket.substr(socket.find('=') + 1), "lv1"));
    EXPECT_NE(data.find("\"frontendId\":9"), std::string::npos);
    EXPECT_NE(data.find("\"nicoliveProgramId\":\"lv1\""), std::string::npos);
    EXPECT_NE(data.find("\"status\":\"ON_AIR\""), std::string::npos);
    EXPECT_NE(data.find("\"vposBaseTime\":" + std::to_string(lv1.openTime)), std::string::npos);
    EXPECT_NE(data.find("\"beginTime\":" + std::to_string(lv1.openTime)), std::string::npos);

    // Without the login no address; ended ones, from the catalogue or by "endN".
    EXPECT_NE(get(kLiveHost, "/watch/lv1~modern").body.find("webSocketUrl&quot;:&quot;&quot;"), std::string::npos);
    EXPECT_NE(get(kLiveHost, "/watch/lv2~modern", true).body.find("ENDED"), std::string::npos);
    EXPECT_NE(get(kLiveHost, "/watch/lv1~modern~end0", true).body.find("ENDED"), std::string::npos);
    // The old page unless asked, or when "classic" wins.
    EXPECT_EQ(get(kLiveHost, "/watch/lv1", true).body.find("embedded-data"), std::string::npos);
    EXPECT_EQ(get(kLiveHost, "/watch/lv1~modern~classic", true).body.find("embedded-data"), std::string::npos);
}

TEST_F(ModernLiveTest, WebSocketExchange)
{
    {
        SocketClient refused;
        EXPECT_NE(refused.connect(sim->modernLivePort(), socketTarget("lv1"), "https://example.com").find(" 403 "),
                  std::string::npos);
        SocketClient noToken;
        EXPECT_NE(noToken.connect(sim->modernLivePort(), std::string(kSocketPathPrefix) + "lv1?audience_token=x")
                      .find(" 403 "),
                  std::string::npos);
    }
    SocketClient ws;
    const std::string head = ws.connect(sim->modernLivePort(), socketTarget("lv1"));
    ASSERT_NE(head.find("HTTP/1.1 101"), std::string::npos) << head;
    EXPECT_NE(head.find(std::string("Sec-WebSocket-Accept: ") + kSampleAccept + "\r\n"), std::string::npos);

    ws.send(1, "{\"type\":\"startWatching\",\"data\":{\"reconnect\":false}}");
    EXPECT_EQ(ws.nextMessage(), "{\"type\":\"seat\",\"data\":{\"keepIntervalSec\":30}}");
    const std::string server = ws.nextMessage();
    EXPECT_NE(server.find("\"type\":\"messageServer\""), std::string::npos) << server;
    EXPECT_NE(server.find("\"viewUri\":\"https://mpn.live.nicovideo.jp/api/view/v4/lv1\""), std::string::npos);
    EXPECT_NE(server.find("\"vposBaseTime\":\"" + isoJapanTime(sim->catalogue().live("lv1")->openTime)), std::string::npos);
    EXPECT_NE(server.find("\"hashedUserId\":\"a:"), std::string::npos);

    // Its pings are answered; ours too; keepSeat needs nothing.
    EXPECT_EQ(ws.next(), (std::pair<int, std::string>{1, "{\"type\":\"ping\"}"}));
    ws.send(1, "{\"type\":\"pong\"}");
    ws.send(1, "{\"type\":\"keepSeat\"}");
    ws.send(9, "hi");
    std::pair<int, std::string> frame = ws.next();
    if (frame.first == 1)
        frame = ws.next(); // a ping of the clock came first
    EXPECT_EQ(frame, (std::pair<int, std::string>{10, "hi"}));
    ws.send(8, std::string("\x03\xe8", 2));
    for (frame = ws.next(); frame.first == 1; frame = ws.next()) {
    }
    EXPECT_EQ(frame, (std::pair<int, std::string>{8, std::string("\x03\xe8", 2)}));

    // A client's frame must be masked; an unanswered ping ends the seat.
    SocketClient bare;
    ASSERT_NE(bare.connect(sim->modernLivePort(), socketTarget("lv1")).find(" 101 "), std::string::npos);
    bare.send(1, "{\"type\":\"pong\"}", false);
    EXPECT_EQ(bare.next(), (std::pair<int, std::string>{8, std::string("\x03\xea", 2)}));
    SocketClient silent;
    ASSERT_NE(silent.connect(sim->modernLivePort(), socketTarget("lv1")).find(" 101 "), std::string::npos);
    EXPECT_EQ(silent.nextMessage(), "{\"type\":\"disconnect\",\"data\":{\"reason\":\"PING_TIMEOUT\"}}");
}

TEST_F(ModernLiveTest, ViewSegmentsCarryEveryChatOnce)
{
    const LiveFacts lv1 = *sim->catalogue().live("lv1");
    const ThreadFacts thread = *sim->catalogue().thread(lv1.threadId);
    const RawAnswer view = stream(viewUri("lv1") + "?at=now");
    ASSERT_TRUE(view.closed);
    const Dechunked body = dechunk(view.body);
    ASSERT_TRUE(body.complete);
    std::set<size_t> boundaries;
    delimited(body.bytes, &boundaries);
    // Chunks cut messages, not only between them.
    EXPECT_TRUE(std::any_of(body.chunkEnds.begin(), body.chunkEnds.end(), [&](size_t e) { return !boundaries.count(e); }));

    const std::vector<edge::ChunkedEntry> list = entries(body.bytes);
    ASSERT_GE(list.size(), 5u);
    ASSERT_TRUE(list[0].has_backward());
    ASSERT_TRUE(list[1].has_previous());
    ASSERT_TRUE(list.back().has_next());
    std::vector<std::string> segments;
    int64_t lastUntil = list[1].previous().until().seconds() * 1000 + list[1].previous().until().nanos() / 1000000;
    for (size_t i = 2; i + 1 < list.size(); ++i) {
        ASSERT_TRUE(list[i].has_segment());
        const int64_t from = list[i].segment().from().seconds() * 1000 + list[i].segment().from().nanos() / 1000000;
        EXPECT_EQ(from, lastUntil);
        lastUntil = from + 1000;
        segments.push_back(list[i].segment().uri());
    }
    EXPECT_EQ(list.back().next().at() * 1000, lastUntil);
    EXPECT_EQ(list[0].backward().until().seconds(), list[2].segment().from().seconds());

    // The backward segment ends where the first segment begins; each chat once, in order.
    edge::PackedSegment back;
    ASSERT_TRUE(back.ParseFromString(stream(list[0].backward().segment().uri()).body));
    ASSERT_EQ(back.messages_size(), kBackwardChats);
    std::vector<int> numbers;
    for (const auto& m : back.messages())
        numbers.push_back(m.message().chat().no());
    for (const std::string& uri : segments) {
        const RawAnswer segment = stream(uri);
        const Dechunked chats = dechunk(segment.body);
        EXPECT_TRUE(chats.complete) << uri;
        for (const std::string& m : delimited(chats.bytes)) {
            edge::ChunkedMessage message;
            ASSERT_TRUE(message.ParseFromString(m));
            const auto& c = message.message().chat();
            numbers.push_back(c.no());
            // The classic path's chat of that number.
            const Chat classic = sim->catalogue().visibleChat(thread, c.no() - 1);
            EXPECT_EQ(message.meta().id(), "lv1:" + std::to_string(c.no()));
            EXPECT_EQ(message.meta().at().seconds(), classic.date);
            EXPECT_EQ(message.meta().at().nanos(), classic.dateUsec * 1000);
            EXPECT_EQ(c.content(), classic.text);
            EXPECT_EQ(c.vpos(), classic.vpos);
            EXPECT_EQ(c.account_status() == dwango::nicolive::chat::data::Chat::Premium, classic.premium);
            if (classic.anonymity)
                EXPECT_EQ(c.hashed_user_id(), classic.userId);
            else
                EXPECT_EQ(std::to_string(c.raw_user_id()), classic.userId);
            EXPECT_EQ(c.modifier().position() == dwango::nicolive::chat::data::Chat::Modifier::shita,
                      classic.mail.find("shita") != std::string::npos);
            EXPECT_EQ(c.modifier().has_named_color() && c.modifier().named_color() ==
                                                              dwango::nicolive::chat::data::Chat::Modifier::red,
                      classic.mail.find("red") != std::string::npos);
        }
    }
    ASSERT_GT(numbers.size(), static_cast<size_t>(kBackwardChats) + 10);
    for (size_t i = 1; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << i;
    // Every chat the clock posted so far, up to the end of the last window read.
    EXPECT_LE(numbers.back(), sim->liveChatCount("lv1"));

    // Further back, and the cursor: at=<next> starts with the window it names, over HTTPS too.
    edge::PackedSegment older;
    ASSERT_TRUE(older.ParseFromString(stream(back.next().uri()).body));
    EXPECT_EQ(older.messages(kBackwardChats - 1).message().chat().no() + 1, back.messages(0).message().chat().no());
    const HttpResult resumed = httpsRequest(sim->httpsPort(), sim->caFile(), "GET", kLiveStreamHost,
                                            pathOf(viewUri("lv1")) + "?at=" + std::to_string(list.back().next().at()));
    ASSERT_EQ(resumed.status, 200);
    const std::vector<edge::ChunkedEntry> again = entries(resumed.body);
    ASSERT_GE(again.size(), 2u);
    EXPECT_EQ(again[0].segment().from().seconds(), list.back().next().at());
    EXPECT_TRUE(again.back().has_next());
}

TEST_F(ModernLiveTest, FaultWords)
{
    // viewcut: the entry after the first segment is cut, the body never ends.
    const RawAnswer cut = stream(viewUri("lv1~viewcut") + "?at=now");
    const Dechunked cutBody = dechunk(cut.body);
    bool partial = false;
    const std::vector<edge::ChunkedEntry> cutList = entries(cutBody.bytes, &partial);
    EXPECT_TRUE(cut.closed);
    EXPECT_FALSE(cutBody.complete);
    EXPECT_TRUE(partial);
    ASSERT_EQ(cutList.size(), 3u);
    EXPECT_TRUE(cutList[2].has_segment());

    // segstall: the current window's segment sends what it has, then neither ends nor closes,
    // until the connections are cut.
    const int64_t window = wallClockMs() / 1000;
    std::thread cutter([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        sim->cutLiveConnections();
    });
    const auto before = std::chrono::steady_clock::now();
    const RawAnswer stalled = stream(segmentUri("lv1~segstall", window), 6000);
    const auto took = std::chrono::steady_clock::now() - before;
    cutter.join();
    EXPECT_TRUE(stalled.closed);
    EXPECT_FALSE(dechunk(stalled.body).complete);
    EXPECT_GE(took, std::chrono::milliseconds(2000));
    EXPECT_LT(took, std::chrono::milliseconds(5000));

    // An ended program: the view ends without next, the WebSocket says so. lv2 is ended from
    // the start; "end0" ends lv1 at the server's start.
    for (const std::string program : {"lv2", "lv1~end0"}) {
        const Dechunked ended = dechunk(stream(viewUri(program) + "?at=now").body);
        EXPECT_TRUE(ended.complete) << program;
        const std::vector<edge::ChunkedEntry> endedList = entries(ended.bytes);
        ASSERT_EQ(endedList.size(), 3u) << program;
        EXPECT_TRUE(endedList[2].has_segment());
        SocketClient ws;
        ASSERT_NE(ws.connect(sim->modernLivePort(), socketTarget(program)).find(" 101 "), std::string::npos);
        ws.send(1, "{\"type\":\"startWatching\",\"data\":{\"reconnect\":false}}");
        std::string all, last;
        for (std::string m = ws.nextMessage(); m.find("opcode") == std::string::npos; m = ws.nextMessage()) {
            all += m;
            last = m;
        }
        EXPECT_NE(all.find("messageServer"), std::string::npos) << program;
        EXPECT_EQ(last, "{\"type\":\"disconnect\",\"data\":{\"reason\":\"END_PROGRAM\"}}") << program;
    }

    // wsreconnect: a new token, then the close; the token is taken and the seat comes alone.
    SocketClient ws;
    ASSERT_NE(ws.connect(sim->modernLivePort(), socketTarget("lv1~wsreconnect")).find(" 101 "), std::string::npos);
    ws.send(1, "{\"type\":\"startWatching\",\"data\":{\"reconnect\":false}}");
    EXPECT_NE(ws.nextMessage().find("seat"), std::string::npos);
    EXPECT_NE(ws.nextMessage().find("messageServer"), std::string::npos);
    const std::string reconnect = ws.nextMessage();
    ASSERT_NE(reconnect.find("\"type\":\"reconnect\""), std::string::npos) << reconnect;
    EXPECT_NE(reconnect.find("\"waitTimeSec\":1"), std::string::npos);
    const std::string token = between(reconnect, "\"audienceToken\":\"", "\"");
    EXPECT_TRUE(knownAudienceToken(sim->options().seed, token, "lv1"));
    SocketClient again;
    ASSERT_NE(again.connect(sim->modernLivePort(),
                            std::string(kSocketPathPrefix) + "lv1~wsreconnect?audience_token=" + token)
                  .find(" 101 "),
              std::string::npos);
    again.send(1, "{\"type\":\"startWatching\",\"data\":{\"reconnect\":true}}");
    EXPECT_NE(again.nextMessage().find("seat"), std::string::npos);
    // No messageServer, and no second reconnect within a few of its delays: pings only.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    int pings = 0;
    while (std::chrono::steady_clock::now() < until) {
        const auto frame = again.next(200);
        if (frame.first == -1)
            continue;
        ASSERT_EQ(frame.second, "{\"type\":\"ping\"}");
        again.send(1, "{\"type\":\"pong\"}");
        ++pings;
    }
    EXPECT_GE(pings, 2);

    // stop() does not wait for the long streams: a stalled segment and a running view end at once.
    RawAnswer heldSegment, heldView;
    std::thread segmentReader([&] { heldSegment = stream(segmentUri("lv1~segstall", wallClockMs() / 1000), 6000); });
    std::thread viewReader([&] { heldView = stream(viewUri("lv1") + "?at=now", 6000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto stopping = std::chrono::steady_clock::now();
    sim->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::milliseconds(500));
    segmentReader.join();
    viewReader.join();
    EXPECT_TRUE(heldSegment.closed);
    EXPECT_TRUE(heldView.closed);
    EXPECT_FALSE(dechunk(heldView.body).complete);
}

TEST(ModernLiveCommandLine, TimingsTakeNumbers)
{
    const CommandLine c = parseCommandLine({"--ping-ms", "250", "--segment-ms", "2000", "--view-ms", "5000"});
    ASSERT_TRUE(c.error.empty()) << c.error;
    EXPECT_EQ(c.options.livePingMs, 250);
    EXPECT_EQ(c.options.liveSegmentMs, 2000);
    EXPECT_EQ(c.options.liveViewMs, 5000);
    EXPECT_FALSE(parseCommandLine({"--segment-ms", "0"}).error.empty());
}

} // namespace
} // namespace nicosim::test
