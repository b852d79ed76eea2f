#pragma once
// One client connection of today's live path, served by a thread of its own
// (modern_live_server.cpp), and the handlers that serve it: the WebSocket
// (modern_live_socket.cpp) and the view, segment and backward streams (modern_live_streams.cpp).

#include "tools/nicosim/catalogue.h"
#include "tools/nicosim/faults.h"
#include "tools/nicosim/modern_live.h"
#include "tools/nicosim/net.h"
#include "tools/nicosim/request_log.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nicosim {

class LiveServer;

// A request head longer than this is no request of a comment client.
constexpr size_t kMaxLiveHeadBytes = 16 * 1024;
// A client that takes nothing for this long while the server has bytes for it is dropped, so
// that what waits for one client stays one write's worth.
constexpr int kSendStallMs = 10000;
// How often a waiting stream looks at the clock, the cut counter and new chats.
constexpr int kLivePollMs = 20;

struct LiveRequest {
    std::string method;
    std::string target;
    std::string path;  // decoded, without the query
    std::string query; // as sent
    std::vector<std::pair<std::string, std::string>> headers; // names in lower case

    // The first header of that name (lower case); empty when absent.
    std::string header(std::string_view name) const;
    // The first query parameter of that name, percent-decoded; `found` tells whether it was there.
    std::string param(std::string_view name, bool* found = nullptr) const;
};

// The head up to and including its empty line; false for anything that is not an HTTP/1.1
// request head.
bool parseLiveRequestHead(std::string_view head, LiveRequest& out);

class LiveLink {
public:
    LiveLink(net::Socket socket, const net::Waker& stopWaker, const std::atomic<bool>& stopping,
             const std::atomic<uint64_t>& cuts);

    // The server stops, the connections were cut, or the client went away.
    bool over() const;
    // Sends every byte, waiting while the client reads; false once over or stalled.
    bool send(std::string_view bytes);
    // Waits up to ms; bytes that came are appended to `in`. False once over.
    bool wait(int ms, std::string& in);
    // Reads up to the empty line of the request head; the bytes after it stay in `rest`.
    bool readHead(int timeoutMs, std::string& head, std::string& rest);
    // Before closing: a short wait for the client's own close, so that the last bytes are not
    // lost to a reset.
    void linger(int ms);

private:
    net::Socket m_socket;
    const net::Waker& m_stopWaker;
    const std::atomic<bool>& m_stopping;
    const std::atomic<uint64_t>& m_cuts;
    uint64_t m_cutsAtStart = 0;
    bool m_gone = false;
};

struct ModernLiveContext {
    const Catalogue& catalogue;
    const LiveServer& live;
    ModernLiveTimings timings;
};

// What a handler is given: the program as the address named it ("lv1~viewcut"), its
// catalogue entry, and the faults of the request's words.
struct LiveTarget {
    std::string program;
    LiveFacts facts;
    Faults faults;
    std::string rest; // the path after the program's segment, without its "/"
};

void sendLiveAnswer(LiveLink& link, int status, std::string_view body, std::string_view contentType = "text/plain");

void serveLiveSocket(LiveLink& link, const LiveRequest& request, const LiveTarget& target, std::string pending,
                     const ModernLiveContext& context);
void serveLiveView(LiveLink& link, const LiveRequest& request, const LiveTarget& target, const ModernLiveContext& context);
void serveLiveSegment(LiveLink& link, const LiveTarget& target, const ModernLiveContext& context);
void serveLiveBackward(LiveLink& link, const LiveTarget& target, const ModernLiveContext& context);

} // namespace nicosim
