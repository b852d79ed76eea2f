#include "tools/nicosim/https_listener.h"

#include "tools/nicosim/net.h"

#include <atomic>
#include <chrono>
#include <list>
#include <mutex>
#include <thread>

namespace nicosim {
namespace {

// A client has this long for its handshake and the head of its request.
constexpr int kHandshakeTimeoutMs = 10000;
// A request head longer than this is no request of a client of the service.
constexpr size_t kMaxHeadBytes = 64 * 1024;
// A relayed connection with no traffic either way for this long is closed.
constexpr int kIdleTimeoutMs = 60000;
// Bytes held for a slow client before the backend is read again.
constexpr size_t kMaxBuffered = 1024 * 1024;
constexpr int kConnectTimeoutMs = 2000;

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

struct HttpsListener::Impl {
    struct Connection {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    tls::ServerContext context;
    BackendChooser chooser;
    net::Socket listener;
    // Raised once at stop and never drained, so that every waiting thread sees it.
    net::Waker stopWaker;
    std::atomic<bool> stopping{false};
    int port = 0;
    std::thread acceptThread;
    std::mutex mutex;
    std::list<Connection> connections; // guarded by mutex

    void acceptLoop();
    void reapFinished();
    void serve(net::Socket client);
    // Waits for the client socket (and the stop waker); false when stopping or out of time.
    bool waitClient(const net::Socket& client, bool forRead, bool forWrite, Clock::time_point deadline);
    void relay(tls::ServerSession& session, const net::Socket& client, net::Socket backend, std::string toBackend);
};

void HttpsListener::Impl::reapFinished()
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
}

void HttpsListener::Impl::acceptLoop()
{
    while (!stopping.load()) {
        std::vector<net::Watch> watches = {{listener.handle()}, {stopWaker.handle()}};
        if (!net::waitForEvents(watches, -1) || watches[1].readable)
            break;
        reapFinished();
        for (;;) {
            net::Socket client = net::acceptClient(listener);
            if (!client.valid())
                break;
            std::lock_guard<std::mutex> lock(mutex);
            Connection& c = connections.emplace_back();
            c.thread = std::thread([this, &c, s = std::move(client)]() mutable {
                serve(std::move(s));
                c.done.store(true);
            });
        }
    }
}

bool HttpsListener::Impl::waitClient(const net::Socket& client, bool forRead, bool forWrite, Clock::time_point deadline)
{
    std::vector<net::Watch> watches = {{client.handle(), forRead, forWrite}, {stopWaker.handle()}};
    if (!net::waitForEvents(watches, msLeft(deadline)) || watches[1].readable || stopping.load())
        return false;
    return Clock::now() < deadline || watches[0].readable || watches[0].writable;
}

void HttpsListener::Impl::serve(net::Socket client)
{
    tls::ServerSession session(context, client.handle());
    if (!session.valid())
        return;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kHandshakeTimeoutMs);
    for (;;) {
        const tls::Io io = session.handshake();
        if (io == tls::Io::Done)
            break;
        if ((io != tls::Io::WantRead && io != tls::Io::WantWrite) ||
            !waitClient(client, io == tls::Io::WantRead, io == tls::Io::WantWrite, deadline))
            return;
    }

    // The head of the first request decides where the bytes go.
    std::string received;
    char buffer[16384];
    size_t headEnd = std::string::npos;
    while ((headEnd = received.find("\r\n\r\n")) == std::string::npos) {
        if (received.size() > kMaxHeadBytes)
            return;
        size_t got = 0;
        const tls::Io io = session.read(buffer, sizeof buffer, got);
        if (io == tls::Io::Done)
            received.append(buffer, got);
        else if ((io != tls::Io::WantRead && io != tls::Io::WantWrite) ||
                 !waitClient(client, io == tls::Io::WantRead, io == tls::Io::WantWrite, deadline))
            return;
    }
    const int backendPort = chooser ? chooser(std::string_view(received).substr(0, headEnd + 4)) : 0;
    if (backendPort <= 0)
        return;
    net::Socket backend = net::connectLoopback(backendPort, kConnectTimeoutMs);
    if (!backend.valid())
        return;
    relay(session, client, std::move(backend), std::move(received));
}

void HttpsListener::Impl::relay(tls::ServerSession& session, const net::Socket& client, net::Socket backend,
                                std::string toBackend)
{
    std::string toClient;
    char buffer[16384];
    bool clientOpen = true;
    bool backendOpen = true;
    auto idleUntil = Clock::now() + std::chrono::milliseconds(kIdleTimeoutMs);
    while (!stopping.load()) {
        bool progress = false;
        bool clientWantsWrite = false;

        // Client to backend.
        while (clientOpen) {
            size_t got = 0;
            const tls::Io io = session.read(buffer, sizeof buffer, got);
            if (io == tls::Io::Done) {
                toBackend.append(buffer, got);
                progress = true;
                continue;
            }
            if (io == tls::Io::WantWrite)
                clientWantsWrite = true;
            else if (io != tls::Io::WantRead)
                clientOpen = false;
            break;
        }
        if (!toBackend.empty()) {
            size_t put = 0;
            const net::Io io = net::writeSome(backend, toBackend.data(), toBackend.size(), put);
            if (io == net::Io::Done) {
                toBackend.erase(0, put);
                progress = progress || put > 0;
            } else if (io != net::Io::WouldBlock) {
                return;
            }
        }

        // Backend to client.
        if (backendOpen && toClient.size() < kMaxBuffered) {
            size_t got = 0;
            const net::Io io = net::readSome(backend, buffer, sizeof buffer, got);
            if (io == net::Io::Done) {
                toClient.append(buffer, got);
                progress = true;
            } else if (io != net::Io::WouldBlock) {
                backendOpen = false;
            }
        }
        while (!toClient.empty()) {
            size_t put = 0;
            const tls::Io io = session.write(toClient.data(), toClient.size(), put);
            if (io == tls::Io::Done) {
                toClient.erase(0, put);
                progress = true;
                continue;
            }
            if (io == tls::Io::WantWrite)
                clientWantsWrite = true;
            else if (io != tls::Io::WantRead)
                return;
            break;
        }

        // The backend said everything, or the client will read nothing more.
        if ((!backendOpen && toClient.empty()) || (!clientOpen && toBackend.empty())) {
            session.shutdown();
            return;
        }
        if (progress) {
            idleUntil = Clock::now() + std::chrono::milliseconds(kIdleTimeoutMs);
            continue;
        }
        if (session.hasPending())
            continue;
        std::vector<net::Watch> watches = {
            {client.handle(), clientOpen, clientWantsWrite},
            {backend.handle(), backendOpen && toClient.size() < kMaxBuffered, !toBackend.empty()},
            {stopWaker.handle()},
        };
        if (!net::waitForEvents(watches, msLeft(idleUntil)) || watches[2].readable)
            return;
        if (Clock::now() >= idleUntil)
            return;
    }
}

HttpsListener::HttpsListener() : m_impl(std::make_unique<Impl>()) {}

HttpsListener::~HttpsListener()
{
    stop();
}

bool HttpsListener::start(int port, const tls::Authority& authority, BackendChooser chooser, std::string& error)
{
    Impl& d = *m_impl;
    if (d.acceptThread.joinable()) {
        error = "the HTTPS port is already open";
        return false;
    }
    if (!d.stopWaker.valid()) {
        error = "cannot make the HTTPS port's wake-up pipe";
        return false;
    }
    if (!d.context.load(authority, error))
        return false;
    d.stopWaker.drain(); // an earlier stop raised it
    d.listener = net::listenLoopback(port, d.port, error);
    if (!d.listener.valid())
        return false;
    d.chooser = std::move(chooser);
    d.stopping.store(false);
    d.acceptThread = std::thread([&d] { d.acceptLoop(); });
    return true;
}

void HttpsListener::stop()
{
    Impl& d = *m_impl;
    if (!d.acceptThread.joinable())
        return;
    d.stopping.store(true);
    d.stopWaker.wake();
    d.acceptThread.join();
    // No thread is added any more; each one sees the waker and ends.
    std::list<Impl::Connection> left;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        left.swap(d.connections);
    }
    for (Impl::Connection& c : left)
        c.thread.join();
    d.listener.close();
}

int HttpsListener::port() const
{
    return m_impl->port;
}

} // namespace nicosim
