#pragma once
// The plain port of today's live path: the WebSocket on a.live2.nicovideo.jp and the
// segmented comment stream on mpn.live.nicovideo.jp. The HTTPS port sends it the connections
// whose first request names one of those hosts (server.cpp); each connection has a thread of
// its own, at most kMaxModernLiveClients at once, and every thread ends at stop().

#include "tools/nicosim/catalogue.h"
#include "tools/nicosim/modern_live.h"
#include "tools/nicosim/request_log.h"

#include <memory>
#include <string>

namespace nicosim {

class LiveServer;

// More clients than this at once are answered 503 and closed.
constexpr size_t kMaxModernLiveClients = 64;

class ModernLiveServer {
public:
    ModernLiveServer(const Catalogue& catalogue, const LiveServer& live, RequestLog& log);
    ~ModernLiveServer(); // stops
    ModernLiveServer(const ModernLiveServer&) = delete;
    ModernLiveServer& operator=(const ModernLiveServer&) = delete;

    // Listens on 127.0.0.1, a free port.
    bool start(const ModernLiveTimings& timings, std::string& error);
    void stop();
    int port() const;
    // Closes every WebSocket and stream now.
    void cutConnections();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nicosim
