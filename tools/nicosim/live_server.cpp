#include "tools/nicosim/live_server.h"

#include "tools/nicosim/chat_xml.h"
#include "tools/nicosim/faults.h"
#include "tools/nicosim/seeded.h"
#include "tools/nicosim/text_codec.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace nicosim {

namespace {

using Clock = std::chrono::steady_clock;

int64_t wallNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Garbage comes as one burst on connection and a smaller one on every clock tick.
constexpr size_t kGarbageBurst = 1500;
constexpr size_t kGarbageTick = 200;

} // namespace

struct LiveServer::Client {
    net::Socket socket;
    std::string in;
    std::string out;
    size_t sent = 0;
    bool requested = false;       // the request element has arrived
    bool answered = false;
    bool delayed = false;
    Clock::time_point answerAt;
    bool cutPending = false;      // "cutN": closed at cutAt
    Clock::time_point cutAt;
    bool closeWhenFlushed = false;
    bool dead = false;
    int channel = -1;             // index into m_channels once subscribed
    int next = 0;                 // index of the next chat to send
    int resFrom = 0;              // last chats wanted
    int fromNumber = 0;           // or, when positive, the first chat number wanted
    std::string thread;           // as requested
    Faults faults;
    uint64_t garbageRounds = 0;
};

LiveServer::LiveServer(const Catalogue& catalogue, RequestLog& log) : m_catalogue(catalogue), m_log(log)
{
    for (const LiveFacts& facts : catalogue.liveBroadcasts()) {
        Channel channel;
        channel.facts = facts;
        if (std::optional<ThreadFacts> thread = catalogue.thread(facts.threadId))
            channel.thread = *thread;
        channel.count = facts.initialChats;
        m_channels.push_back(std::move(channel));
    }
}

LiveServer::~LiveServer()
{
    stop();
}

bool LiveServer::start(int port, int pushMs, std::string& error)
{
    if (m_thread.joinable()) {
        error = "live server already running";
        return false;
    }
    if (!m_waker.valid()) {
        error = "cannot create the wake pipe";
        return false;
    }
    m_listener = net::listenLoopback(port, m_port, error);
    if (!m_listener.valid())
        return false;
    m_pushMs = std::max(0, pushMs);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_startMs = std::max(wallNowMs(), m_lastPostingMs);
        m_lastPostingMs = m_startMs;
    }
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void LiveServer::stop()
{
    m_stopping = true;
    m_waker.wake();
    if (m_thread.joinable())
        m_thread.join();
    m_listener.close();
}

bool LiveServer::push(std::string_view liveId, int count)
{
    if (count < 0)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = std::find_if(m_channels.begin(), m_channels.end(),
                               [&](const Channel& c) { return c.facts.id == liveId; });
        if (it == m_channels.end() || it->facts.ended)
            return false;
        it->count += count;
        it->postings.push_back({it->count, postingTimeLocked()});
    }
    m_waker.wake();
    return true;
}

int LiveServer::chatCount(std::string_view liveId) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Channel& c : m_channels) {
        if (c.facts.id == liveId)
            return c.count;
    }
    return -1;
}

void LiveServer::cutConnections()
{
    m_cutRequested = true;
    m_waker.wake();
}

int LiveServer::channelByThread(std::string_view thread) const
{
    for (size_t i = 0; i < m_channels.size(); ++i) {
        if (m_channels[i].facts.threadId == thread)
            return static_cast<int>(i);
    }
    return -1;
}

void LiveServer::tick()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const int64_t at = postingTimeLocked();
    for (Channel& c : m_channels) {
        if (!c.facts.ended) {
            ++c.count;
            c.postings.push_back({c.count, at});
        }
    }
}

int64_t LiveServer::postingTimeLocked()
{
    m_lastPostingMs = std::max(m_lastPostingMs, wallNowMs());
    return m_lastPostingMs;
}

int64_t LiveServer::startedAtMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_startMs;
}

int LiveServer::chatsPostedBefore(std::string_view liveId, int64_t wallMs, int64_t* asOfMs) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // Read under the lock that postings are made under, so that no chat counted as later can
    // carry a time before asOf.
    m_lastPostingMs = std::max(m_lastPostingMs, wallNowMs());
    const int64_t asOf = m_lastPostingMs;
    if (asOfMs)
        *asOfMs = asOf;
    auto it = std::find_if(m_channels.begin(), m_channels.end(), [&](const Channel& c) { return c.facts.id == liveId; });
    if (it == m_channels.end())
        return -1;
    const int64_t before = std::min(wallMs, asOf + 1);
    const int initial = it->facts.initialChats;
    // Initial chat i was posted at start - (initial - i) * kEarlierPostMs.
    if (before <= m_startMs)
        return static_cast<int>(std::max<int64_t>(0, initial - (m_startMs - before) / kEarlierPostMs));
    const auto later = std::upper_bound(it->postings.begin(), it->postings.end(), before - 1,
                                        [](int64_t t, const Posting& p) { return t < p.atMs; });
    return later == it->postings.begin() ? initial : std::prev(later)->count;
}

void LiveServer::run()
{
    std::vector<std::unique_ptr<Client>> clients;
    auto nextTick = Clock::now() + std::chrono::milliseconds(m_pushMs);
    char buffer[4096];

    while (!m_stopping) {
        auto now = Clock::now();
        bool ticked = false;
        if (m_pushMs > 0 && now >= nextTick) {
            tick();
            ticked = true;
            nextTick += std::chrono::milliseconds(m_pushMs);
            // After a stall the clock goes on from now rather than catching up in a burst.
            if (nextTick <= now)
                nextTick = now + std::chrono::milliseconds(m_pushMs);
        }

        auto wakeAt = m_pushMs > 0 ? nextTick : now + std::chrono::seconds(1);
        const bool cutAll = m_cutRequested.exchange(false);
        for (auto& c : clients) {
            if (cutAll || (c->cutPending && now >= c->cutAt)) {
                c->dead = true;
                continue;
            }
            if (c->cutPending)
                wakeAt = std::min(wakeAt, c->cutAt);
            if (c->delayed && now >= c->answerAt) {
                c->delayed = false;
                answer(*c);
            }
            if (c->answered) {
                if (c->faults.garbage) {
                    if (ticked)
                        appendGarbage(*c);
                } else {
                    deliver(*c);
                }
            }
            if (c->delayed)
                wakeAt = std::min(wakeAt, c->answerAt);
            if (c->out.size() - c->sent > kMaxLivePendingBytes)
                c->dead = true;
        }
        // A cut connection closes now, not after the next wait.
        clients.erase(std::remove_if(clients.begin(), clients.end(), [](const auto& c) { return c->dead; }),
                      clients.end());

        std::vector<net::Watch> watches;
        watches.push_back({m_waker.handle(), true, false});
        watches.push_back({m_listener.handle(), true, false});
        for (auto& c : clients)
            watches.push_back({c->socket.handle(), true, c->sent < c->out.size()});
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - Clock::now()).count();
        if (!net::waitForEvents(watches, static_cast<int>(std::clamp<long long>(wait, 0, 1000))))
            continue;

        if (watches[0].readable)
            m_waker.drain();
        if (watches[1].readable) {
            while (true) {
                net::Socket accepted = net::acceptClient(m_listener);
                if (!accepted.valid())
                    break;
                if (clients.size() >= kMaxLiveClients)
                    continue; // closed at once: the server is full
                auto client = std::make_unique<Client>();
                client->socket = std::move(accepted);
                clients.push_back(std::move(client));
            }
        }

        for (size_t i = 0; i + 2 < watches.size(); ++i) {
            Client& c = *clients[i];
            const net::Watch& w = watches[i + 2];
            if (w.broken)
                c.dead = true;
            if (w.readable && !c.dead) {
                while (true) {
                    size_t got = 0;
                    const net::Io result = net::readSome(c.socket, buffer, sizeof buffer, got);
                    if (result == net::Io::WouldBlock)
                        break;
                    if (result != net::Io::Done) {
                        c.dead = true;
                        break;
                    }
                    // Only the first request counts; later input is read and dropped.
                    if (!c.requested)
                        c.in.append(buffer, got);
                }
                if (!c.requested && !c.dead) {
                    if (c.in.find('\0') != std::string::npos)
                        handleRequest(c);
                    else if (c.in.size() > kMaxLiveRequestBytes)
                        c.dead = true;
                }
            }
            if (w.writable && !c.dead && c.sent < c.out.size()) {
                size_t done = 0;
                const net::Io result = net::writeSome(c.socket, c.out.data() + c.sent, c.out.size() - c.sent, done);
                if (result == net::Io::Done) {
                    c.sent += done;
                    if (c.sent == c.out.size()) {
                        c.out.clear();
                        c.sent = 0;
                    }
                } else if (result != net::Io::WouldBlock) {
                    c.dead = true;
                }
            }
            if (c.closeWhenFlushed && c.sent >= c.out.size())
                c.dead = true;
        }
        clients.erase(std::remove_if(clients.begin(), clients.end(), [](const auto& c) { return c->dead; }),
                      clients.end());
    }
}

void LiveServer::handleRequest(Client& client)
{
    client.requested = true;
    const std::string request = client.in.substr(0, client.in.find('\0'));
    client.in.clear();

    RequestRecord record;
    record.method = "TCP";
    record.target = request;
    record.body = request;
    m_log.record(Step::Live, std::move(record));

    findXmlAttribute(request, "thread", client.thread);
    std::vector<std::string> words = suffixWords(client.thread);
    std::vector<std::string> global = m_log.faultWords();
    words.insert(words.end(), global.begin(), global.end());
    applyFaultWords(words, Step::Live, client.faults);

    // res_from="-N" asks for the last N chats, res_from="N" for the chats from number N on.
    std::string resFrom;
    long long value = 0;
    findXmlAttribute(request, "res_from", resFrom);
    if (startsWith(resFrom, "-")) {
        client.resFrom = parseDecimal(std::string_view(resFrom).substr(1), kMaxLiveResFrom, value)
                             ? static_cast<int>(value)
                             : kMaxLiveResFrom;
    } else if (parseDecimal(resFrom, 2000000000, value) && value > 0) {
        client.fromNumber = static_cast<int>(value);
    }

    if (client.faults.hangup) {
        client.dead = true;
        return;
    }
    if (client.faults.delayMs > 0) {
        client.delayed = true;
        client.answerAt = Clock::now() + std::chrono::milliseconds(client.faults.delayMs);
        return;
    }
    answer(client);
}

void LiveServer::answer(Client& client)
{
    client.answered = true;
    if (client.faults.garbage) {
        for (size_t i = 0; i < kGarbageBurst / kGarbageTick; ++i)
            appendGarbage(client);
        return;
    }

    const int channel = channelByThread(baseId(client.thread));
    ThreadHeader header;
    header.thread = client.thread;
    if (channel < 0) {
        header.result = ThreadResult::NotFound;
        header.serverTime = 1400000000;
        appendThreadXml(client.out, header);
        client.out += '\0';
        client.closeWhenFlushed = true;
        return;
    }

    const Channel& c = m_channels[static_cast<size_t>(channel)];
    int count;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        count = c.count;
    }
    header.lastRes = count;
    header.ticket = threadTicket(m_catalogue.seed(), c.facts.threadId);
    header.serverTime = c.facts.openTime + count / 2;
    appendThreadXml(client.out, header);
    client.out += '\0';
    client.channel = channel;
    client.next = client.fromNumber > 0 ? std::min(count, client.fromNumber - 1)
                                        : std::max(0, count - std::min(count, client.resFrom));
    deliver(client);
    if (client.faults.close)
        client.closeWhenFlushed = true;
    if (client.faults.cutMs > 0) {
        client.cutPending = true;
        client.cutAt = Clock::now() + std::chrono::milliseconds(client.faults.cutMs);
    }
}

void LiveServer::deliver(Client& client)
{
    if (client.channel < 0 || client.closeWhenFlushed)
        return;
    const Channel& c = m_channels[static_cast<size_t>(client.channel)];
    int count;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        count = c.count;
    }
    for (; client.next < count; ++client.next) {
        appendChatXml(client.out, m_catalogue.chat(c.thread, client.next), client.thread);
        client.out += '\0';
    }
}

void LiveServer::appendGarbage(Client& client)
{
    Draw draw(seededHash(m_catalogue.seed(), hashText(client.thread), client.garbageRounds++, 14));
    static const char* const kFragments[] = {"<chat thread=\"", "<thread", ">", "\"", "&amp", "<cha", "no=\"12"};
    for (size_t i = 0; i < kGarbageTick; ++i) {
        if (draw.below(16) == 0) {
            client.out += kFragments[draw.below(sizeof kFragments / sizeof kFragments[0])];
            continue;
        }
        char byte = static_cast<char>(draw.below(256));
        // Never a "/": garbage must not close an element by chance.
        if (byte == '/')
            byte = '?';
        client.out += byte;
    }
}

} // namespace nicosim
