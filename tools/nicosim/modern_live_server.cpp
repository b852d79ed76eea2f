#include "tools/nicosim/modern_live_server.h"

#include "tools/nicosim/modern_live_link.h"
#include "tools/nicosim/net.h"
#include "tools/nicosim/routes.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

#include <atomic>
#include <list>
#include <mutex>
#include <thread>

namespace nicosim {
namespace {

// A client has this long for the head of its request.
constexpr int kHeadTimeoutMs = 10000;
constexpr const char* kFullAnswer =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

} // namespace

struct ModernLiveServer::Impl {
    Impl(const Catalogue& c, const LiveServer& l, RequestLog& r) : catalogue(c), live(l), log(r) {}

    struct Connection {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    const Catalogue& catalogue;
    const LiveServer& live;
    RequestLog& log;
    ModernLiveTimings timings;
    net::Socket listener;
    // Raised once at stop and never drained, so that every waiting thread sees it.
    net::Waker stopWaker;
    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> cuts{0};
    int port = 0;
    std::thread acceptThread;
    std::mutex mutex;
    std::list<Connection> connections; // guarded by mutex

    void acceptLoop();
    // Joins the finished threads; the number still running.
    size_t reapFinished();
    void serve(net::Socket client);
};

size_t ModernLiveServer::Impl::reapFinished()
{
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = connections.begin(); it != connections.end();) {
        if (it->done.load()) {
            it->thread.join();
            it = connections.erase(it);
        } else {
            ++it;
        }
    }
    return connections.size();
}

void ModernLiveServer::Impl::acceptLoop()
{
    while (!stopping.load()) {
        std::vector<net::Watch> watches = {{listener.handle()}, {stopWaker.handle()}};
        // Finished threads are joined at least once a second, also when nobody connects.
        if (!net::waitForEvents(watches, 1000) || watches[1].readable)
            break;
        size_t running = reapFinished();
        for (;;) {
            net::Socket client = net::acceptClient(listener);
            if (!client.valid())
                break;
            if (running >= kMaxModernLiveClients) {
                size_t done = 0;
                net::writeSome(client, kFullAnswer, std::char_traits<char>::length(kFullAnswer), done);
                continue;
            }
            std::lock_guard<std::mutex> lock(mutex);
            Connection& c = connections.emplace_back();
            ++running;
            c.thread = std::thread([this, &c, s = std::move(client)]() mutable {
                serve(std::move(s));
                c.done.store(true);
            });
        }
    }
}

void ModernLiveServer::Impl::serve(net::Socket client)
{
    LiveLink link(std::move(client), stopWaker, stopping, cuts);
    std::string head, pending;
    if (!link.readHead(kHeadTimeoutMs, head, pending))
        return;
    LiveRequest request;
    if (!parseLiveRequestHead(head, request)) {
        sendLiveAnswer(link, 400, "bad request\n");
        return;
    }
    const std::string host = hostWithoutPort(request.header("host"));
    const std::string& path = request.path;
    Step step = Step::Other;
    size_t prefix = 0;
    if (host == kLiveSocketHost && startsWith(path, kSocketPathPrefix)) {
        step = Step::LiveSocket;
        prefix = std::char_traits<char>::length(kSocketPathPrefix);
    } else if (host == kLiveStreamHost && startsWith(path, kViewPathPrefix)) {
        step = Step::LiveView;
        prefix = std::char_traits<char>::length(kViewPathPrefix);
    } else if (host == kLiveStreamHost && startsWith(path, kSegmentPathPrefix)) {
        step = Step::LiveSegment;
        prefix = std::char_traits<char>::length(kSegmentPathPrefix);
    } else if (host == kLiveStreamHost && startsWith(path, kBackwardPathPrefix)) {
        step = Step::LiveBackward;
        prefix = std::char_traits<char>::length(kBackwardPathPrefix);
    }

    RequestRecord record;
    record.method = request.method;
    record.host = host;
    record.target = request.target;
    record.headers = request.headers;
    log.record(step, std::move(record));
    if (step == Step::Other) {
        sendLiveAnswer(link, 404, "not found\n");
        return;
    }

    LiveTarget target;
    const std::string_view after = std::string_view(path).substr(prefix);
    const size_t slash = after.find('/');
    target.program = std::string(after.substr(0, slash));
    if (slash != std::string_view::npos)
        target.rest = std::string(after.substr(slash + 1));
    std::vector<std::string> words = suffixWords(target.program);
    for (std::string& w : log.faultWords())
        words.push_back(std::move(w));
    applyFaultWords(words, step, target.faults);
    const std::optional<LiveFacts> facts = catalogue.live(baseId(target.program));
    const bool restFits = (step == Step::LiveSocket || step == Step::LiveView) ? target.rest.empty() : !target.rest.empty();
    if (!facts || !restFits) {
        sendLiveAnswer(link, 404, "no such program\n");
        return;
    }
    target.facts = *facts;

    const ModernLiveContext context{catalogue, live, timings};
    switch (step) {
    case Step::LiveSocket: serveLiveSocket(link, request, target, std::move(pending), context); break;
    case Step::LiveView: serveLiveView(link, request, target, context); break;
    case Step::LiveSegment: serveLiveSegment(link, target, context); break;
    case Step::LiveBackward: serveLiveBackward(link, target, context); break;
    default: break;
    }
}

ModernLiveServer::ModernLiveServer(const Catalogue& catalogue, const LiveServer& live, RequestLog& log)
    : m_impl(std::make_unique<Impl>(catalogue, live, log))
{
}

ModernLiveServer::~ModernLiveServer()
{
    stop();
}

bool ModernLiveServer::start(const ModernLiveTimings& timings, std::string& error)
{
    Impl& d = *m_impl;
    if (d.acceptThread.joinable()) {
        error = "today's live port is already open";
        return false;
    }
    if (!d.stopWaker.valid()) {
        error = "cannot make today's live port's wake-up pipe";
        return false;
    }
    d.stopWaker.drain(); // an earlier stop raised it
    d.listener = net::listenLoopback(0, d.port, error);
    if (!d.listener.valid())
        return false;
    d.timings = timings;
    d.stopping.store(false);
    d.acceptThread = std::thread([&d] { d.acceptLoop(); });
    return true;
}

void ModernLiveServer::stop()
{
    Impl& d = *m_impl;
    if (!d.acceptThread.joinable())
        return;
    d.stopping.store(true);
    d.stopWaker.wake();
    d.acceptThread.join();
    // No thread is added any more; each one sees the waker or the flag and ends.
    std::list<Impl::Connection> left;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        left.swap(d.connections);
    }
    for (Impl::Connection& c : left)
        c.thread.join();
    d.listener.close();
}

int ModernLiveServer::port() const
{
    return m_impl->port;
}

void ModernLiveServer::cutConnections()
{
    m_impl->cuts.fetch_add(1);
}

} // namespace nicosim
