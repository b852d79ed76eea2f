#pragma once
// nicosim: a simulated Niconico service on loopback, for tests and the demo.
//
// One HTTP port and one HTTPS port answer for every host of the service (told apart by the
// Host header), and one TCP port serves the live comment streams. Today's live path (the
// WebSocket on a.live2.nicovideo.jp, the comment stream on mpn.live.nicovideo.jp) has a plain
// port of its own behind the HTTPS port. Start it in-process with
//
//     nicosim::Server sim;
//     ASSERT_TRUE(sim.start());
//     setenv("PELMORA_CONNECT_TO", sim.connectTo().c_str(), 1);
//     setenv("SSL_CERT_FILE", sim.caFile().c_str(), 1);   // for the HTTPS port
//
// and every address of the service then reaches it. The data (catalogue.h) are derived from
// the seed; the fault words (faults.h) make single requests misbehave.

#include "tools/nicosim/catalogue.h"
#include "tools/nicosim/cookie_files.h"
#include "tools/nicosim/faults.h"
#include "tools/nicosim/request_log.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nicosim {

struct Options {
    int port = 0;              // HTTP port on 127.0.0.1; 0 picks a free one
    int livePort = 0;          // live comment server port; 0 picks a free one
    uint32_t seed = 1;
    // When set, start() writes the browser stores holding the login: dataDir/Cookies,
    // dataDir/firefox, dataDir/chromium and dataDir/cookies.txt.
    std::string dataDir;
    int livePushMs = 500;      // a new chat per running broadcast this often; 0 stops the clock
    // false: the player status names 127.0.0.1 and the real live port. true: it names
    // msg101.live.nicovideo.jp port 2805, and connectTo() maps that to the real port.
    bool liveAddressByName = false;
    int historyEntries = 31;
    int marketItems = 12;
    // The HTTPS port on 127.0.0.1 (0: a free one), for every host; its test authority's
    // certificate is written to dataDir, or to a temporary folder removed at stop.
    int httpsPort = 0;
    // Watch pages are today's (embedded data, the comment interface) unless a request says
    // "classic"; without it only a request saying "modern" gets one.
    bool modernVideos = false;
    // Today's live path (modern_live.h): the WebSocket's ping interval, the length of a
    // segment window on the wall clock (best a whole number of seconds, the view cursor being
    // in seconds), how long a view stream runs before its next entry, and how long after
    // startWatching "wsreconnect" strikes.
    int livePingMs = 10000;
    int liveSegmentMs = 16000;
    int liveViewMs = 30000;
    int liveReconnectMs = 3000;
};

class Server {
public:
    explicit Server(Options options = {});
    ~Server(); // stops
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Writes the cookie files (when dataDir is set) and starts both servers; false with
    // lastError() when that fails. The servers answer as soon as start() returns.
    bool start();
    // Ends every thread and closes every socket; pending delays end at once.
    void stop();
    bool running() const;
    const std::string& lastError() const;

    int httpPort() const;
    int livePort() const;
    // Every host nicosim answers for.
    std::vector<std::string> hosts() const;
    int httpsPort() const;
    // The test authority's certificate (PEM) that clients trust through SSL_CERT_FILE.
    std::string caFile() const;
    // The PELMORA_CONNECT_TO value: "HOST:80:127.0.0.1:PORT" and "HOST:443:127.0.0.1:HTTPSPORT"
    // per host, joined by ",". Today's live path answers on 443 only (wss:// and https://).
    std::string connectTo() const;
    // The plain port of today's live path: what the HTTPS port relays for a.live2.nicovideo.jp
    // and mpn.live.nicovideo.jp (tests may speak to it directly, naming the host).
    int modernLivePort() const;
    // "user_session=user_session_nicosim": the Cookie pair that counts as logged in.
    static std::string loginCookie();

    const Options& options() const;
    const Catalogue& catalogue() const;

    // Live control for deterministic tests: post `count` chats to a running broadcast now.
    bool pushChats(const std::string& liveId, int count);
    // Chats posted so far; -1 for an unknown id.
    int liveChatCount(const std::string& liveId) const;
    // Closes every live comment connection now, of both paths: the classic comment servers'
    // connections and every WebSocket, view and segment stream (the clients have to connect again).
    void cutLiveConnections();

    // Fault words applied to every request from now on, e.g. "history.drop,market.delay500";
    // an empty text clears them.
    void setFaults(const std::string& words);

    // What was asked so far, per step.
    int requestCount(Step step) const;
    std::optional<RequestRecord> lastRequest(Step step) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nicosim
