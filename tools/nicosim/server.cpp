#include "tools/nicosim/nicosim.h"

#include "tools/nicosim/http_answer.h"
#include "tools/nicosim/https_listener.h"
#include "tools/nicosim/live_server.h"
#include "tools/nicosim/modern_live_server.h"
#include "tools/nicosim/modern_threads.h"
#include "tools/nicosim/net.h"
#include "tools/nicosim/once_memory.h"
#include "tools/nicosim/routes.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <random>
#include <mutex>
#include <thread>

namespace nicosim {
namespace {

// A request body larger than this is refused; the largest real request is a few hundred bytes.
constexpr size_t kMaxRequestBody = 1024 * 1024;
constexpr int kStartTimeoutMs = 10000;
// Where the client's Accept-Encoding is kept once cpp-httplib can no longer see it (below).
constexpr const char* kSentAcceptEncoding = "X-Nicosim-Sent-Accept-Encoding";

const char* const kAnsweredHosts[] = {kMainHost,       kLiveHost,       kExternalHost,  kMarketHost,
                                      kJikkyoHost,     kForumHost,      kCommentHost,   kThumbnailHost,
                                      kVideoFileHost,  kShopHost,       kSuffixMainHost, kSiblingHost,
                                      kCommentApiHost, kKeyApiHost,    kLiveSocketHost, kLiveStreamHost};
constexpr const char* kCaFileName = "nicosim-ca.pem";

bool carriesLogin(const httplib::Request& request)
{
    const size_t headers = request.get_header_value_count("Cookie");
    for (size_t i = 0; i < headers; ++i) {
        for (const std::string& pair : splitText(request.get_header_value("Cookie", i), ';')) {
            if (trimSpaces(pair) == kLoginCookie)
                return true;
        }
    }
    return false;
}

// The words of a request: "sim" parameters, "~" suffixes of path segments and parameter
// values, the threads a comment request names, and the server's own words.
std::vector<std::string> requestWords(const PageRequest& page, Step step, const std::vector<std::string>& global)
{
    std::vector<std::string> words;
    auto add = [&words](std::vector<std::string> more) {
        for (std::string& w : more)
            words.push_back(std::move(w));
    };
    for (const std::string& segment : splitText(page.path, '/'))
        add(suffixWords(segment));
    for (const auto& [key, value] : page.rawParams) {
        const std::string decoded = percentDecode(value, true);
        if (percentDecode(key, true) == "sim")
            add(simWords(decoded));
        else
            add(suffixWords(decoded));
    }
    if (step == Step::Msg)
        add(commentRequestWords(page.body));
    if (step == Step::Api)
        add(commentApiRequestWords(page.body));
    add(global);
    return words;
}

// The request target with its "simhop" parameter set to `hop`.
std::string targetWithHop(std::string_view target, int hop)
{
    const size_t question = target.find('?');
    std::string out(target.substr(0, question));
    std::string query;
    if (question != std::string_view::npos) {
        for (const std::string& piece : splitText(target.substr(question + 1), '&')) {
            if (piece.empty() || startsWith(piece, "simhop=") || piece == "simhop")
                continue;
            query += piece + "&";
        }
    }
    return out + "?" + query + "simhop=" + std::to_string(hop);
}

// The Host header of a request head, lower case without its port.
std::string headHost(std::string_view head)
{
    for (const std::string& line : splitText(head, '\n')) {
        const size_t colon = line.find(':');
        std::string_view text(line);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (colon != std::string::npos && lowerAscii(trimSpaces(text.substr(0, colon))) == "host")
            return hostWithoutPort(text.substr(colon + 1));
    }
    return {};
}

bool modernLiveHost(std::string_view host)
{
    return host == kLiveSocketHost || host == kLiveStreamHost;
}

} // namespace

struct Server::Impl {
    explicit Impl(Options o)
        : options(std::move(o)), catalogue(options.seed), live(catalogue, log), modernLive(catalogue, live, log)
    {
    }

    void handle(const httplib::Request& request, httplib::Response& response);
    Answer pageAnswer(const Route& route, const PageRequest& page) const;
    // Waits up to ms, or less when the server stops.
    void pause(int ms);
    // Makes the test authority, writes its certificate and opens the HTTPS port.
    bool startHttps(const std::vector<std::string>& hosts);

    Options options;
    Catalogue catalogue;
    RequestLog log;
    LiveServer live;
    ModernLiveServer modernLive;
    // What the first-try faults remember; answering a request changes nothing else.
    mutable OnceMemory once;
    HttpsListener https;
    std::string caFile;
    std::filesystem::path caFolder; // made by start() when there is no data folder
    std::unique_ptr<httplib::Server> http;
    std::thread httpThread;
    int httpPort = 0;
    std::string error;

    std::mutex stopMutex;
    std::condition_variable stopSignal;
    bool stopping = false; // guarded by stopMutex
};

void Server::Impl::pause(int ms)
{
    std::unique_lock<std::mutex> lock(stopMutex);
    stopSignal.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
}

Answer Server::Impl::pageAnswer(const Route& route, const PageRequest& page) const
{
    const SiteContext site{catalogue,           live.port(),          options.liveAddressByName, options.historyEntries,
                           options.marketItems, options.modernVideos, &once,       live.startedAtMs()};
    switch (route.page) {
    case Page::Watch: return watchPage(site, page, route.argument);
    case Page::Flv: return getflvAnswer(site, page);
    case Page::ThreadKey: return threadKeyAnswer(site, page);
    case Page::History: return historyPage(site, page);
    case Page::Index: return indexPage(site);
    case Page::Tag: return tagPage(site, route.argument);
    case Page::ThumbInfo: return thumbInfoAnswer(site, route.argument);
    case Page::ThumbWatch: return thumbWatchAnswer(site, page);
    case Page::LivePage: return livePage(site, page, route.argument, false);
    case Page::JikkyoPage: return livePage(site, page, route.argument, true);
    case Page::PlayerStatus: return playerStatusAnswer(site, page);
    case Page::Comment: return commentServerAnswer(site, page);
    case Page::Market: return marketFeed(site, page);
    case Page::ProductPicture: return productPicture(site, route.argument);
    case Page::Thumbnail: return thumbnailPicture(site, page.param("i"));
    case Page::VideoFile: return videoFile(site, page);
    case Page::Forum: return forumPage();
    case Page::Shop: return shopPage(route.argument);
    case Page::CommentApi: return commentApiAnswer(site, page);
    case Page::ThreadKeyApi: return threadKeyApiAnswer(site, page);
    case Page::UnknownHost: return notFoundPage("nicosim does not answer for host " + route.argument);
    case Page::NotFound: break;
    }
    return notFoundPage("no such page: " + page.path);
}

void Server::Impl::handle(const httplib::Request& request, httplib::Response& response)
{
    std::string hostHeader = request.get_header_value("Host");
    std::string target = request.target;
    std::string path = request.path;
    // A client that takes nicosim for its HTTP proxy names the whole address in the request
    // line; the host there wins over the Host header.
    if (lowerAscii(std::string_view(target).substr(0, 7)) == "http://") {
        const size_t slash = target.find('/', 7);
        hostHeader = target.substr(7, slash == std::string::npos ? std::string::npos : slash - 7);
        target = slash == std::string::npos ? "/" : target.substr(slash);
        const size_t pathSlash = path.find('/', 7);
        path = pathSlash == std::string::npos ? "/" : path.substr(pathSlash);
    }

    PageRequest page;
    page.method = request.method;
    page.host = hostWithoutPort(hostHeader);
    page.path = path;
    page.body = request.body;
    page.loggedIn = carriesLogin(request);
    const size_t question = target.find('?');
    if (question != std::string::npos)
        appendRawPairs(std::string_view(target).substr(question + 1), page.rawParams);

    const Route route = routeRequest(page.host, page.path);
    // Form fields count as parameters, except for the comment servers whose bodies are XML
    // or JSON.
    if (request.method == "POST" && route.step != Step::Msg && route.step != Step::Api)
        appendRawPairs(request.body, page.rawParams);

    applyFaultWords(requestWords(page, route.step, log.faultWords()), route.step, page.faults);

    RequestRecord record;
    record.method = request.method;
    record.host = page.host;
    record.target = target;
    record.body = request.body;
    for (const auto& [name, value] : request.headers)
        record.headers.emplace_back(name == kSentAcceptEncoding ? "Accept-Encoding" : name, value);
    log.record(route.step, std::move(record));

    long long hop = 0;
    parseDecimal(page.param("simhop"), kMaxRedirects, hop);
    if (hop < page.faults.redirects) {
        // Each hop is delayed like the final answer, so that a slow chain is slow throughout.
        if (page.faults.delayMs > 0)
            pause(page.faults.delayMs);
        const int remaining = page.faults.redirects - static_cast<int>(hop);
        bool relative = page.faults.redirectKind == RedirectKind::Relative;
        if (page.faults.redirectKind == RedirectKind::Alternating)
            relative = remaining % 2 == 1;
        const std::string next = targetWithHop(target, static_cast<int>(hop) + 1);
        Answer moved;
        // 307 keeps a POST a POST, with its body.
        moved.status = request.method == "POST" ? 307 : 302;
        moved.headers.emplace_back("Location", relative ? next : "http://" + hostHeader + next);
        moved.body = "<html><body><a href=\"" + xmlEscape(next) + "\">moved</a></body></html>\n";
        Faults plain;
        plain.unknown = page.faults.unknown;
        writeAnswer(std::move(moved), plain, response);
        return;
    }

    if (page.faults.sibling && page.host != kSiblingHost) {
        Answer moved;
        moved.status = request.method == "POST" ? 307 : 302;
        moved.headers.emplace_back("Location", std::string("http://") + kSiblingHost + target);
        Faults plain;
        plain.unknown = page.faults.unknown;
        writeAnswer(std::move(moved), plain, response);
        return;
    }

    if (page.faults.delayMs > 0)
        pause(page.faults.delayMs);
    // "notfound" turns any answer into a 404; the watch pages show their own deleted page.
    Answer answer = page.faults.notFound && route.page != Page::Watch ? notFoundPage("not found on request")
                                                                       : pageAnswer(route, page);
    // Each cookie in a header of its own, with its attributes, as real services send them.
    for (int k = 1; k <= page.faults.setCookies; ++k)
        answer.headers.emplace_back("Set-Cookie", "simcookie" + std::to_string(k) + "=" + std::to_string(k) +
                                                      "; Max-Age=3600; Path=/; Domain=.nicovideo.jp; HttpOnly");
    writeAnswer(std::move(answer), page.faults, response);
}

bool Server::Impl::startHttps(const std::vector<std::string>& hosts)
{
    tls::Authority authority;
    if (!tls::makeAuthority(hosts, authority, error))
        return false;
    std::filesystem::path folder = options.dataDir;
    std::error_code failure;
    if (folder.empty()) {
        std::random_device random;
        const std::filesystem::path base = std::filesystem::temp_directory_path(failure);
        for (int attempt = 0; attempt < 100 && caFolder.empty(); ++attempt) {
            const auto candidate = base / ("nicosim-ca-" + std::to_string(random()) + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, failure))
                caFolder = candidate;
        }
        folder = caFolder;
    } else {
        std::filesystem::create_directories(folder, failure);
    }
    caFile = (folder / kCaFileName).string();
    std::ofstream file(caFile, std::ios::binary | std::ios::trunc);
    file << authority.caCertificate;
    file.close();
    if (folder.empty() || !file) {
        error = "cannot write the test authority's certificate to " + caFile;
        return false;
    }
    const int backend = httpPort;
    const int modernBackend = modernLive.port();
    return https.start(
        options.httpsPort, authority,
        [backend, modernBackend](std::string_view head) { return modernLiveHost(headHost(head)) ? modernBackend : backend; },
        error);
}

Server::Server(Options options) : m_impl(std::make_unique<Impl>(std::move(options))) {}

Server::~Server()
{
    stop();
}

bool Server::start()
{
    Impl& d = *m_impl;
    if (d.http) {
        d.error = "already running";
        return false;
    }
    d.error.clear();
    if (!d.options.dataDir.empty()) {
        const std::string root = d.options.dataDir;
        if (!writeCookieFolder(root + "/Cookies", {}, &d.error) || !writeFirefoxProfile(root + "/firefox", {}, &d.error) ||
            !writeChromiumProfile(root + "/chromium", {}, &d.error) ||
            !writeNetscapeCookies(root + "/cookies.txt", {}, &d.error))
            return false;
    }
    {
        std::lock_guard<std::mutex> lock(d.stopMutex);
        d.stopping = false;
    }
    if (!d.live.start(d.options.livePort, d.options.livePushMs, d.error))
        return false;
    const ModernLiveTimings timings{d.options.livePingMs, d.options.liveSegmentMs, d.options.liveViewMs,
                                    d.options.liveReconnectMs};
    if (!d.modernLive.start(timings, d.error)) {
        d.live.stop();
        return false;
    }

    d.http = std::make_unique<httplib::Server>();
    httplib::Server& http = *d.http;
    // cpp-httplib compresses answers on its own whenever the client accepts gzip. The simulated
    // service decides every encoding itself (identity unless a fault word asks), so the header
    // is taken away before the server looks at it. The request object is the server's own
    // non-const local, handed to this hook by const reference.
    http.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        httplib::Headers& headers = const_cast<httplib::Request&>(request).headers;
        const auto sent = headers.equal_range("Accept-Encoding");
        std::vector<std::string> values;
        for (auto it = sent.first; it != sent.second; ++it)
            values.push_back(it->second);
        headers.erase("Accept-Encoding");
        // Kept under another name for the request log.
        for (std::string& value : values)
            headers.emplace(kSentAcceptEncoding, std::move(value));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto handler = [&d](const httplib::Request& request, httplib::Response& response) { d.handle(request, response); };
    http.Get(".*", handler);
    http.Post(".*", handler);
    http.set_payload_max_length(kMaxRequestBody);
    http.set_keep_alive_timeout(2);
    // A client walking the comment interface's pages keeps one connection for all of them.
    http.set_keep_alive_max_count(100000);

    if (d.options.port == 0) {
        d.httpPort = http.bind_to_any_port("127.0.0.1");
    } else {
        // cpp-httplib binds with SO_REUSEPORT, so a second nicosim on a busy port would share
        // it silently and answer half of the requests. A probe without that option finds out.
        int probedPort = 0;
        std::string probeError;
        const bool free = net::listenLoopback(d.options.port, probedPort, probeError).valid();
        d.httpPort = free && http.bind_to_port("127.0.0.1", d.options.port) ? d.options.port : -1;
    }
    if (d.httpPort <= 0) {
        d.error = "cannot bind 127.0.0.1:" + std::to_string(d.options.port);
        d.http.reset();
        d.modernLive.stop();
        d.live.stop();
        return false;
    }
    d.httpThread = std::thread([&http] { http.listen_after_bind(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (!http.is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!http.is_running()) {
        d.error = "the HTTP server did not start";
        stop();
        return false;
    }
    if (!d.startHttps(hosts())) {
        const std::string error = d.error;
        stop();
        d.error = error;
        return false;
    }
    return true;
}

void Server::stop()
{
    Impl& d = *m_impl;
    {
        std::lock_guard<std::mutex> lock(d.stopMutex);
        d.stopping = true;
    }
    d.stopSignal.notify_all();
    // The HTTPS port relays to the HTTP port: it goes first.
    d.https.stop();
    if (!d.caFolder.empty()) {
        std::error_code failure;
        std::filesystem::remove_all(d.caFolder, failure);
        d.caFolder.clear();
    }
    if (d.http) {
        d.http->stop();
        if (d.httpThread.joinable())
            d.httpThread.join();
        d.http.reset();
    }
    d.modernLive.stop();
    d.live.stop();
}

bool Server::running() const
{
    return m_impl->http && m_impl->http->is_running();
}

const std::string& Server::lastError() const
{
    return m_impl->error;
}

int Server::httpPort() const
{
    return m_impl->httpPort;
}

int Server::livePort() const
{
    return m_impl->live.port();
}

std::vector<std::string> Server::hosts() const
{
    return std::vector<std::string>(std::begin(kAnsweredHosts), std::end(kAnsweredHosts));
}

int Server::modernLivePort() const
{
    return m_impl->modernLive.port();
}

int Server::httpsPort() const
{
    return m_impl->https.port();
}

std::string Server::caFile() const
{
    return m_impl->caFile;
}

std::string Server::connectTo() const
{
    std::string value;
    for (const std::string& host : hosts())
        value += (value.empty() ? "" : ",") + host + ":80:127.0.0.1:" + std::to_string(httpPort());
    for (const std::string& host : hosts())
        value += "," + host + ":443:127.0.0.1:" + std::to_string(httpsPort());
    if (m_impl->options.liveAddressByName)
        value += std::string(",") + kLiveCommentHost + ":" + std::to_string(kLiveCommentPort) + ":127.0.0.1:" +
                 std::to_string(livePort());
    return value;
}

std::string Server::loginCookie()
{
    return std::string(kLoginCookie);
}

const Options& Server::options() const
{
    return m_impl->options;
}

const Catalogue& Server::catalogue() const
{
    return m_impl->catalogue;
}

bool Server::pushChats(const std::string& liveId, int count)
{
    return m_impl->live.push(liveId, count);
}

int Server::liveChatCount(const std::string& liveId) const
{
    return m_impl->live.chatCount(liveId);
}

void Server::cutLiveConnections()
{
    m_impl->live.cutConnections();
    m_impl->modernLive.cutConnections();
}

void Server::setFaults(const std::string& words)
{
    m_impl->log.setFaultWords(simWords(words));
}

int Server::requestCount(Step step) const
{
    return m_impl->log.count(step);
}

std::optional<RequestRecord> Server::lastRequest(Step step) const
{
    return m_impl->log.last(step);
}

} // namespace nicosim
