#pragma once
// The live comment servers of the broadcasts and Jikkyo channels, all on one TCP port: a
// client sends one NUL-terminated thread element, gets the thread element and the last
// res_from chats, and then every chat the broadcast posts, each element ended by a NUL byte.
// The thread id in the request tells the broadcasts apart. One thread serves every
// connection; a clock posts a new chat to every running broadcast each push interval.

#include "tools/nicosim/catalogue.h"
#include "tools/nicosim/net.h"
#include "tools/nicosim/request_log.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace nicosim {

// Limits of one connection: a request longer than this without its NUL is not a request, and
// a client that lets this much output pile up is not reading.
constexpr size_t kMaxLiveRequestBytes = 4096;
constexpr size_t kMaxLivePendingBytes = 8 * 1024 * 1024;
constexpr size_t kMaxLiveClients = 64;
// The service hands out at most this many past chats on connection.
constexpr int kMaxLiveResFrom = 1000;
// The chats posted before the start are taken as posted this often up to the start, so that
// today's path finds them in the windows before it.
constexpr int64_t kEarlierPostMs = 500;

class LiveServer {
public:
    LiveServer(const Catalogue& catalogue, RequestLog& log);
    ~LiveServer();
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // pushMs 0 stops the clock; chats then come only from push().
    bool start(int port, int pushMs, std::string& error);
    void stop();
    int port() const { return m_port; }

    // Posts `count` chats to a running broadcast now; false for an unknown or ended one.
    bool push(std::string_view liveId, int count);
    // Chats posted so far (those from before the start included); -1 for an unknown id.
    int chatCount(std::string_view liveId) const;
    // Closes every client connection now, as a comment server that drops its listeners does.
    void cutConnections();

    // When chats were posted, on the wall clock (ms since 1970), for today's path that cuts
    // them into windows. start() began the clock at startedAtMs().
    int64_t startedAtMs() const;
    // The chats posted before `wallMs` (at most those posted so far); -1 for an unknown id.
    // `asOfMs` gets the wall time the count holds for: a chat posted later is posted after it.
    int chatsPostedBefore(std::string_view liveId, int64_t wallMs, int64_t* asOfMs = nullptr) const;

private:
    // The count reached at a wall time; one per tick or push.
    struct Posting {
        int count = 0;
        int64_t atMs = 0;
    };
    struct Channel {
        LiveFacts facts;
        ThreadFacts thread;
        int count = 0;
        std::vector<Posting> postings; // after the initial chats, in time order
    };
    struct Client;

    void run();
    void tick();
    // Takes the wall time for a posting; never earlier than the last one. m_mutex held.
    int64_t postingTimeLocked();
    void handleRequest(Client& client);
    void answer(Client& client);
    void deliver(Client& client);
    void appendGarbage(Client& client);
    int channelByThread(std::string_view thread) const;

    const Catalogue& m_catalogue;
    RequestLog& m_log;
    int m_port = 0;
    int m_pushMs = 0;
    net::Socket m_listener;
    net::Waker m_waker;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_cutRequested{false};

    mutable std::mutex m_mutex; // guards m_channels' counts and postings, and the two times
    std::vector<Channel> m_channels;
    int64_t m_startMs = 0;
    mutable int64_t m_lastPostingMs = 0;
};

} // namespace nicosim
