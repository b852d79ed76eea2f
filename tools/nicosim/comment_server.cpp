// The comment server: thread elements in, a packet of thread, view_counter and chat elements
// out.

#include "tools/nicosim/chat_xml.h"
#include "tools/nicosim/site.h"
#include "tools/nicosim/text_codec.h"

#include <algorithm>
#include <mutex>
#include <string>

namespace nicosim {
namespace {

// A request names at most this many threads; the service's packets name two.
constexpr size_t kMaxThreadsPerRequest = 8;
// res_from without a usable value asks for this many of the newest comments.
constexpr int kDefaultResFrom = 1000;

struct ThreadRequest {
    std::string thread;
    std::string resFrom;
    std::string threadKey;
};

std::vector<ThreadRequest> threadRequests(const PageRequest& request)
{
    std::vector<ThreadRequest> list;
    const std::string_view body = request.body;
    size_t at = 0;
    while (list.size() < kMaxThreadsPerRequest && (at = body.find("<thread", at)) != std::string_view::npos) {
        const size_t end = body.find('>', at);
        if (end == std::string_view::npos)
            break;
        const std::string_view element = body.substr(at, end - at + 1);
        at = end;
        // "<thread" must be the whole element name, not the start of a longer one.
        const char after = element.size() > 7 ? element[7] : '>';
        if (after != ' ' && after != '/' && after != '>' && after != '\t' && after != '\n' && after != '\r')
            continue;
        ThreadRequest r;
        findXmlAttribute(element, "thread", r.thread);
        findXmlAttribute(element, "res_from", r.resFrom);
        findXmlAttribute(element, "threadkey", r.threadKey);
        list.push_back(std::move(r));
    }
    // The GET form: /api/thread?thread=..&res_from=..
    if (list.empty() && request.hasParam("thread"))
        list.push_back({request.param("thread"), request.param("res_from"), request.param("threadkey")});
    return list;
}

// The comments [first, end) that res_from asks for.
std::pair<int, int> commentRange(std::string_view resFrom, int count)
{
    long long value = 0;
    if (startsWith(resFrom, "-") && parseDecimal(resFrom.substr(1), 2000000000, value))
        return {count - static_cast<int>(std::min<long long>(value, count)), count};
    if (parseDecimal(resFrom, 2000000000, value) && value > 0)
        return {static_cast<int>(std::min<long long>(value - 1, count)), count};
    return {std::max(0, count - kDefaultResFrom), count};
}

// The chats of one thread's range as XML. The data are a function of the seed, so a large run
// is kept and served again, as a real comment server answers a popular video from its cache:
// the benchmarks then measure the client, not the simulator drawing a hundred thousand chats.
class ChatRunCache {
public:
    void Append(std::string& out, const Catalogue& catalogue, const ThreadFacts& facts, std::pair<int, int> range,
                const std::string& threadText)
    {
        constexpr int kCachedFrom = 10000;
        if (range.second - range.first < kCachedFrom) {
            render(out, catalogue, facts, range, threadText);
            return;
        }
        const std::string key = std::to_string(catalogue.seed()) + ' ' + facts.threadId + ' ' +
                                std::to_string(range.first) + ' ' + std::to_string(range.second) + ' ' + threadText;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (key != m_key) {
            m_xml.clear();
            render(m_xml, catalogue, facts, range, threadText);
            m_key = key;
        }
        out += m_xml;
    }

private:
    static void render(std::string& out, const Catalogue& catalogue, const ThreadFacts& facts,
                       std::pair<int, int> range, const std::string& threadText)
    {
        for (int i = range.first; i < range.second; ++i)
            appendChatXml(out, catalogue.chat(facts, i), threadText);
    }

    std::mutex m_mutex;
    std::string m_key;
    std::string m_xml;
};

ChatRunCache& chatRunCache()
{
    static ChatRunCache cache;
    return cache;
}

} // namespace

std::vector<std::string> commentRequestWords(std::string_view body)
{
    PageRequest request;
    request.body = std::string(body);
    std::vector<std::string> words;
    for (const ThreadRequest& r : threadRequests(request)) {
        for (std::string& w : suffixWords(r.thread))
            words.push_back(std::move(w));
    }
    return words;
}

Answer commentServerAnswer(const SiteContext& site, const PageRequest& request)
{
    Answer a;
    const std::vector<ThreadRequest> requests = threadRequests(request);
    if (requests.empty()) {
        a.status = 400;
        a.contentType = "text/plain; charset=utf-8";
        a.body = "nicosim: the request names no thread\n";
        return a;
    }

    struct Served {
        const ThreadRequest* request;
        std::optional<ThreadFacts> facts;
        ThreadResult result;
        std::pair<int, int> range;
    };
    std::vector<Served> served;
    for (const ThreadRequest& r : requests) {
        Served s{&r, site.catalogue.thread(baseId(r.thread)), ThreadResult::Found, {0, 0}};
        if (!s.facts || s.facts->deleted || s.facts->kind == ThreadKind::Live)
            s.result = ThreadResult::NotFound;
        else if (!s.facts->threadKey.empty() && r.threadKey != s.facts->threadKey)
            s.result = ThreadResult::BadKey;
        else
            s.range = commentRange(r.resFrom, s.facts->commentCount);
        served.push_back(std::move(s));
    }

    a.contentType = "text/xml; charset=UTF-8";
    std::string& b = a.body;
    size_t expected = 0;
    for (const Served& s : served)
        expected += static_cast<size_t>(s.range.second - s.range.first) * 160;
    b.reserve(expected + 512);
    b = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet>";

    std::optional<VideoFacts> video;
    for (const Served& s : served) {
        ThreadHeader header;
        header.result = s.result;
        header.thread = s.request->thread;
        if (s.facts) {
            header.lastRes = s.facts->commentCount;
            header.ticket = threadTicket(site.catalogue.seed(), s.facts->threadId);
            header.serverTime = s.facts->firstDate + static_cast<int64_t>(s.facts->commentCount) * 40 + 3600;
            if (s.result == ThreadResult::Found && s.facts->kind == ThreadKind::VideoMain)
                video = site.catalogue.video(s.facts->ownerId);
        } else {
            header.serverTime = 1700000000;
        }
        appendThreadXml(b, header);
    }
    if (video)
        appendViewCounterXml(b, video->viewCount, video->id, video->mylistCount);
    for (const Served& s : served) {
        if (s.result != ThreadResult::Found)
            continue;
        chatRunCache().Append(b, site.catalogue, *s.facts, s.range, s.request->thread);
    }
    b += "</packet>";
    return a;
}

} // namespace nicosim
