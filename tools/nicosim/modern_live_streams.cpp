// The segmented comment stream: the view stream's entries, a segment's messages and the packed
// backward segments. Windows are cut from the wall clock; the chats of a window are those the
// live clock (LiveServer) posted in it, so both paths serve the same chats on the same clock.

#include "tools/nicosim/live_server.h"
#include "tools/nicosim/modern_live_chats.h"
#include "tools/nicosim/modern_live_link.h"
#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"

#include "engine/nicolive/proto/nicolive_edge.pb.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace nicosim {
namespace {

namespace edge = dwango::nicolive::chat::service::edge;

// Chunk sizes are drawn up to this, below the size of most messages, so that chunk edges fall
// inside messages at any byte.
constexpr uint64_t kMaxChunkDraw = 48;
// A view cursor past this many seconds is no time of this world.
constexpr long long kMaxAtSeconds = 99999999999LL;

// A chunked answer whose chunk edges fall at seeded random bytes, not at message edges.
class ChunkedOut {
public:
    ChunkedOut(LiveLink& link, uint64_t seed) : m_link(link), m_draw(seed) {}

    bool head()
    {
        return m_link.send("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                           "Transfer-Encoding: chunked\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n");
    }
    void add(std::string_view bytes) { m_pending += bytes; }
    // Sends what is pending in chunks of random sizes.
    bool flush()
    {
        size_t at = 0;
        std::string out;
        while (at < m_pending.size()) {
            const size_t size = std::min<size_t>(m_pending.size() - at, 1 + m_draw.below(kMaxChunkDraw));
            char hex[20];
            std::snprintf(hex, sizeof hex, "%zx\r\n", size);
            out += hex;
            out.append(m_pending, at, size);
            out += "\r\n";
            at += size;
        }
        m_pending.clear();
        return out.empty() || m_link.send(out);
    }
    bool finish()
    {
        if (!flush() || !m_link.send("0\r\n\r\n"))
            return false;
        m_link.linger(200);
        return true;
    }

private:
    LiveLink& m_link;
    Draw m_draw;
    std::string m_pending;
};

void setTime(dwango::nicolive::chat::data::Timestamp* t, int64_t ms)
{
    t->set_seconds(ms / 1000);
    t->set_nanos(static_cast<int32_t>(ms % 1000) * 1000000);
}

std::string entry(const edge::ChunkedEntry& e)
{
    std::string out;
    appendDelimited(out, e.SerializeAsString());
    return out;
}

std::string segmentEntry(const LiveTarget& t, int64_t window, int segmentMs, bool previous)
{
    edge::ChunkedEntry e;
    edge::MessageSegment* s = previous ? e.mutable_previous() : e.mutable_segment();
    setTime(s->mutable_from(), window * segmentMs);
    setTime(s->mutable_until(), (window + 1) * segmentMs);
    s->set_uri(segmentUri(t.program, window));
    return entry(e);
}

int64_t floorDiv(int64_t a, int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// The chats posted before `ms`, none after the program's end.
int postedBefore(const ModernLiveContext& c, const LiveTarget& t, const std::optional<int64_t>& endMs, int64_t ms,
                 int64_t* asOf = nullptr)
{
    const int n = c.live.chatsPostedBefore(t.facts.id, endMs ? std::min(ms, *endMs) : ms, asOf);
    return std::max(0, n);
}

uint64_t streamSeed(const ModernLiveContext& c, std::string_view what)
{
    // The same request is cut the same way, so a failure seen once is seen again.
    return seededHash(c.catalogue.seed(), hashText(what), 23);
}

} // namespace

void serveLiveView(LiveLink& link, const LiveRequest& request, const LiveTarget& t, const ModernLiveContext& c)
{
    bool hasAt = false;
    const std::string at = request.param("at", &hasAt);
    long long atSeconds = 0;
    const bool now = at == "now";
    if (!hasAt || (!now && !parseDecimal(at, kMaxAtSeconds, atSeconds))) {
        sendLiveAnswer(link, 400, "at=now or at=<unix seconds>\n");
        return;
    }
    const int W = std::max(1, c.timings.segmentMs);
    const std::optional<int64_t> endMs = programEndMs(t.facts, t.faults, c.live.startedAtMs());
    const int64_t startedMs = wallClockMs();
    const int64_t deadline = startedMs + std::max(0, c.timings.viewMs);
    int64_t window = floorDiv(now ? startedMs : atSeconds * 1000, W);
    // The window holding the end; a program that runs on has no last window.
    const int64_t lastWindow = endMs ? floorDiv(*endMs - 1, W) : std::numeric_limits<int64_t>::max();
    // After the end, "now" is the last window the program had.
    if (now && window > lastWindow)
        window = lastWindow;

    ChunkedOut out(link, streamSeed(c, request.target));
    if (!out.head())
        return;
    if (now) {
        edge::ChunkedEntry back;
        setTime(back.mutable_backward()->mutable_until(), window * W);
        back.mutable_backward()->mutable_segment()->set_uri(
            backwardUri(t.program, postedBefore(c, t, endMs, window * W)));
        out.add(entry(back));
        out.add(segmentEntry(t, window - 1, W, true));
    }
    bool announced = false;
    std::string ignored;
    while (true) {
        // Every window that has begun, at once.
        const int64_t wall = wallClockMs();
        while (window * W <= wall && window <= lastWindow) {
            out.add(segmentEntry(t, window, W, false));
            ++window;
            if (t.faults.viewCut && !announced) {
                // The next entry's first half, and no end of the chunked body.
                const std::string cut = segmentEntry(t, window, W, false);
                out.add(std::string_view(cut).substr(0, cut.size() / 2));
                out.flush();
                return;
            }
            announced = true;
        }
        if (endMs && wall >= *endMs && window > lastWindow) {
            out.finish();
            return;
        }
        if (wall >= deadline) {
            edge::ChunkedEntry next;
            next.mutable_next()->set_at(floorDiv(window * W, 1000));
            out.add(entry(next));
            out.finish();
            return;
        }
        if (!out.flush())
            return;
        ignored.clear();
        if (!link.wait(kLivePollMs, ignored))
            return;
    }
}

void serveLiveSegment(LiveLink& link, const LiveTarget& t, const ModernLiveContext& c)
{
    long long window = 0;
    const std::optional<ThreadFacts> thread = liveThread(c.catalogue, t.facts);
    if (!thread || !parseDecimal(t.rest, kMaxAtSeconds, window)) {
        sendLiveAnswer(link, 404, "no such segment\n");
        return;
    }
    const int W = std::max(1, c.timings.segmentMs);
    const std::optional<int64_t> endMs = programEndMs(t.facts, t.faults, c.live.startedAtMs());
    const int64_t from = window * W;
    const int64_t until = endMs ? std::min<int64_t>((window + 1) * W, std::max(from, *endMs)) : (window + 1) * W;

    ChunkedOut out(link, streamSeed(c, t.program + "/" + t.rest));
    if (!out.head())
        return;
    int sent = postedBefore(c, t, endMs, from);
    bool first = true;
    std::string ignored;
    while (true) {
        int64_t asOf = 0;
        const int upto = postedBefore(c, t, endMs, until, &asOf);
        for (; sent < upto; ++sent) {
            std::string one;
            appendDelimited(one, chunkedChatMessage(c.catalogue, t.facts, *thread, sent));
            out.add(one);
        }
        // Every chat with a time before asOf + 1 is counted: the window is whole.
        if (asOf + 1 >= until) {
            out.finish();
            return;
        }
        if (!out.flush())
            return;
        if (t.faults.segStall && first) {
            // Nothing more, and no end, until the client or the server gives up.
            while (link.wait(kLivePollMs * 5, ignored))
                ignored.clear();
            return;
        }
        first = false;
        ignored.clear();
        if (!link.wait(kLivePollMs, ignored))
            return;
    }
}

void serveLiveBackward(LiveLink& link, const LiveTarget& t, const ModernLiveContext& c)
{
    long long count = 0;
    const std::optional<ThreadFacts> thread = liveThread(c.catalogue, t.facts);
    if (!thread || !parseDecimal(t.rest, 2000000000LL, count)) {
        sendLiveAnswer(link, 404, "no such backward segment\n");
        return;
    }
    const std::optional<int64_t> endMs = programEndMs(t.facts, t.faults, c.live.startedAtMs());
    const int to = std::min(static_cast<int>(count), postedBefore(c, t, endMs, wallClockMs() + 1));
    const int from = std::max(0, to - kBackwardChats);
    const std::string next = from > 0 ? backwardUri(t.program, from) : std::string();
    sendLiveAnswer(link, 200, packedChats(c.catalogue, t.facts, *thread, from, to, next), "application/octet-stream");
}

} // namespace nicosim
