#include "engine/nicolive/live_session.h"

#include <algorithm>
#include <chrono>

#include "engine/nicolive/chat_element.h"
#include "engine/nicolive/proto/nicolive_edge.pb.h"
#include "engine/nicolive/socket_message.h"
#include "engine/nicolive/stream_fetch.h"
#include "engine/service/http_fetch.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/net/websocket.h"
#include "qarvo/time/clock.h"

namespace pelmora::engine::nicolive {
namespace {

namespace edge = dwango::nicolive::chat::service::edge;

constexpr int kSocketOpenTimeOutMs = 10000;
constexpr int kSocketSliceMs = 250;
constexpr int kSendTimeOutMs = 5000;
// Attempts at the WebSocket before the comment stream is known; after that the stream goes
// on without it and the socket is tried again and again.
constexpr int kFirstSocketAttempts = 3;
constexpr int kFirstBackoffMs = 1000;
constexpr int kMaxBackoffMs = 30000;
// A view answer is silent between its entries, at most one segment's length (about 16 s).
constexpr int kViewStallMs = 60000;
// A segment should end at its window's end; one that is quiet this long after it is stalled.
constexpr int kSegmentGraceMs = 10000;
constexpr int kSegmentAttempts = 3;
// Segments read at once; more would mean the announcements run far ahead of the clock.
constexpr size_t kMaxTasks = 8;
constexpr size_t kMaxBackwardBytes = 16 * 1024 * 1024;
constexpr int kMaxBackwardPages = 10;
// Ids and addresses remembered; a resumed stream repeats only recent ones.
constexpr size_t kRememberedIds = 50000;
constexpr size_t kRememberedSegments = 4096;

int64_t nowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string withCursor(const std::string& viewUri, const std::string& at)
{
    return viewUri + (viewUri.find('?') == std::string::npos ? "?at=" : "&at=") + at;
}

template <typename Set>
void remember(Set& set, std::deque<std::string>& order, const std::string& key, size_t cap)
{
    set.insert(key);
    order.push_back(key);
    if (order.size() > cap) {
        set.erase(order.front());
        order.pop_front();
    }
}

int64_t chatNumber(const edge::ChunkedMessage& message)
{
    if (!message.has_message())
        return 0;
    const auto& data = message.message();
    if (data.has_chat())
        return data.chat().no();
    if (data.has_overflowed_chat())
        return data.overflowed_chat().no();
    return data.has_forwarded_chat() ? data.forwarded_chat().no() : 0;
}

}  // namespace

LiveSession::LiveSession(SessionConfig config) : m_config(std::move(config)) {}

LiveSession::~LiveSession()
{
    Stop();
}

void LiveSession::Start()
{
    m_socketThread = std::thread([this] { runSocket(); });
    m_viewThread = std::thread([this] { runView(); });
}

void LiveSession::Stop()
{
    m_stop.store(true);
    m_changed.notify_all();
    if (m_socketThread.joinable())
        m_socketThread.join();
    if (m_viewThread.joinable())
        m_viewThread.join();
    reapTasks(true);
}

bool LiveSession::pause(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stop.load(); });
}

void LiveSession::note(std::string text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_notes.empty())
        m_notes += "; ";
    m_notes += text;
}

void LiveSession::finish(bool byProgram, std::string text)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ended)
            return;
        m_ended = true;
        m_endedByProgram = byProgram;
        m_endText = std::move(text);
    }
    m_changed.notify_all();
}

SessionWait LiveSession::Wait(int timeOutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto ready = [this] { return m_ended || m_stop.load() || (m_initialDone && anyDeliverableLocked()); };
    m_changed.wait_for(lock, std::chrono::milliseconds(timeOutMs), ready);
    if (m_initialDone && anyDeliverableLocked())
        return SessionWait::News;
    if (m_ended)
        return m_endedByProgram ? SessionWait::Ended : SessionWait::Failed;
    return SessionWait::Nothing;
}

std::string LiveSession::TakeChats()
{
    std::vector<Pending> taken;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Pending> held;
        for (Pending& p : m_pending)
            (deliverableLocked(p) ? taken : held).push_back(std::move(p));
        m_pending.swap(held);
    }
    std::stable_sort(taken.begin(), taken.end(), [](const Pending& a, const Pending& b) { return a.no < b.no; });
    std::string text;
    for (const Pending& p : taken)
        text += p.element;
    return text;
}

bool LiveSession::HasChats() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_pending.empty();
}

bool LiveSession::EndedByProgram() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended && m_endedByProgram;
}

std::string LiveSession::EndText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_endText;
}

std::string LiveSession::TakeNotes()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string notes;
    notes.swap(m_notes);
    return notes;
}

// --- the WebSocket ---

void LiveSession::runSocket()
{
    std::string address = socketAddress(m_config.program);
    const std::vector<std::pair<qarvo::C_String, qarvo::C_String>> headers = {
        {"Origin", "https://live.nicovideo.jp"}, {"User-Agent", kServiceUserAgent}};
    bool reconnect = false;
    int failures = 0;
    int backoff = kFirstBackoffMs;
    while (!m_stop.load()) {
        qarvo::C_WebSocket socket;
        socket.SetAbortTest([this] { return m_stop.load(); });
        if (!socket.Open(address.c_str(), headers, kSocketOpenTimeOutMs)) {
            if (m_stop.load())
                return;
            const std::string why = qarvo::common::System::utf16_to_utf8(socket.General_GetLastState()).std();
            bool knowsStream;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                knowsStream = !m_viewUri.empty();
            }
            if (!knowsStream && ++failures >= kFirstSocketAttempts) {
                finish(false, "WebSocket: " + why);
                return;
            }
            note("WebSocket: " + why);
            if (!pause(backoff))
                return;
            backoff = std::min(backoff * 2, kMaxBackoffMs);
            continue;
        }
        if (!socket.SendText(startWatchingMessage(reconnect), kSendTimeOutMs))
            continue;
        if (reconnect)
            note("WebSocket connected again");
        reconnect = true;
        int keepIntervalMs = 0;
        uint32_t lastKeep = qarvo_time_millis();
        std::string text;
        int wait = 0;  // before the next attempt, after the loop
        for (;;) {
            const int r = socket.Receive(&text, nullptr, kSocketSliceMs);
            if (r == qarvo::C_WebSocket::kAborted || m_stop.load())
                return;
            if (r == qarvo::C_WebSocket::kClosed || r == qarvo::C_WebSocket::kFailed) {
                note("WebSocket closed: " + qarvo::common::System::utf16_to_utf8(socket.General_GetLastState()).std());
                wait = backoff;
                backoff = std::min(backoff * 2, kMaxBackoffMs);
                break;
            }
            if (r == qarvo::C_WebSocket::kMessage) {
                const ServerMessage message = readServerMessage(text);
                if (message.type == "seat") {
                    keepIntervalMs = static_cast<int>(std::clamp<int64_t>(message.keepIntervalSec, 1, 3600) * 1000);
                    failures = 0;
                    backoff = kFirstBackoffMs;
                } else if (message.type == "ping") {
                    socket.SendText(pongMessage(), kSendTimeOutMs);
                } else if (message.type == "messageServer" && !message.viewUri.empty()) {
                    {
                        std::lock_guard<std::mutex> lock(m_mutex);
                        if (m_viewUri.empty())
                            m_viewUri = message.viewUri;
                    }
                    m_changed.notify_all();
                } else if (message.type == "reconnect") {
                    if (!message.audienceToken.empty())
                        address = withAudienceToken(address, message.audienceToken);
                    wait = static_cast<int>(std::clamp<int64_t>(message.waitTimeSec, 0, 60) * 1000);
                    note("WebSocket asked to reconnect in " + std::to_string(wait / 1000) + " s");
                    socket.Close(1000, {}, 500);
                    break;
                } else if (message.type == "disconnect") {
                    finish(message.reason == "END_PROGRAM", disconnectText(message.reason));
                    socket.Close(1000, {}, 500);
                    return;
                }
            }
            if (keepIntervalMs > 0 && qarvo_time_millis() - lastKeep >= static_cast<uint32_t>(keepIntervalMs)) {
                socket.SendText(keepSeatMessage(), kSendTimeOutMs);
                lastKeep = qarvo_time_millis();
            }
        }
        if (!pause(wait))
            return;
    }
}

// --- the comment stream ---

bool LiveSession::deliverLocked(const std::string& id, Pending pending)
{
    if (!id.empty()) {
        if (m_deliveredIds.count(id))
            return false;
        remember(m_deliveredIds, m_deliveredOrder, id, kRememberedIds);
    }
    m_pending.push_back(std::move(pending));
    return true;
}

bool LiveSession::deliverableLocked(const Pending& pending) const
{
    return m_unfinishedSegments.empty() || pending.segment <= *m_unfinishedSegments.begin();
}

bool LiveSession::anyDeliverableLocked() const
{
    for (const Pending& p : m_pending)
        if (deliverableLocked(p))
            return true;
    return false;
}

void LiveSession::acceptMessage(const edge::ChunkedMessage& message, uint64_t segment)
{
    Pending pending;
    if (!appendChatElement(message, m_config.thread, &pending.element))
        return;
    pending.no = chatNumber(message);
    pending.segment = segment;
    bool added;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        added = deliverLocked(message.meta().id(), std::move(pending));
    }
    if (added)
        m_changed.notify_all();
}

void LiveSession::markInitialDone()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_initialDone)
            return;
        m_initialDone = true;
        // As the comment server does: the newest ones asked for, from wherever they came.
        std::stable_sort(m_pending.begin(), m_pending.end(),
                         [](const Pending& a, const Pending& b) { return a.no < b.no; });
        const size_t keep = static_cast<size_t>(std::max(m_config.backwardCount, 0));
        if (m_pending.size() > keep)
            m_pending.erase(m_pending.begin(), m_pending.end() - static_cast<std::ptrdiff_t>(keep));
    }
    m_changed.notify_all();
}

void LiveSession::readSegment(const std::string& uri, uint64_t segment, int64_t untilSeconds, bool first)
{
    StreamRequest request;
    request.url = uri;
    request.stop = &m_stop;
    if (first)
        request.onQuiet = [this] { markInitialDone(); };
    request.stallMs = kViewStallMs;
    request.stalledEarly = [untilSeconds](int quietMs) {
        return untilSeconds > 0 && quietMs >= kSegmentGraceMs && nowSeconds() * 1000 > untilSeconds * 1000 + kSegmentGraceMs;
    };
    for (int attempt = 1; attempt <= kSegmentAttempts; ++attempt) {
        std::string why;
        const StreamEnd end =
            readDelimitedStream(request, [this, segment](const std::string& bytes) {
                edge::ChunkedMessage message;
                if (message.ParseFromString(bytes))
                    acceptMessage(message, segment);
            }, &why);
        if (end != StreamEnd::Broken)
            break;
        // Opened again: what came before the break is left out by id.
        note("segment cut (" + why + "), attempt " + std::to_string(attempt + 1));
        if (attempt == kSegmentAttempts || !pause(kFirstBackoffMs * attempt))
            break;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unfinishedSegments.erase(segment);
    }
    m_changed.notify_all();
    if (first)
        markInitialDone();
}

void LiveSession::readBackward(const std::string& firstUri)
{
    // Pages come newest first. Only the newest backwardCount comments go out: the first
    // delivery keeps those of everything that came before it (markInitialDone).
    size_t total = 0;
    std::string uri = firstUri;
    for (int page = 0; page < kMaxBackwardPages && !uri.empty() && total < static_cast<size_t>(m_config.backwardCount);
         ++page) {
        StreamRequest request;
        request.url = uri;
        request.stop = &m_stop;
        request.stallMs = kViewStallMs;
        std::string body;
        std::string why;
        edge::PackedSegment packed;
        if (!fetchWhole(request, kMaxBackwardBytes, &body, &why) || !packed.ParseFromString(body)) {
            if (!m_stop.load())
                note("past comments: " + (why.empty() ? std::string("not a packed segment") : why));
            break;
        }
        for (const edge::ChunkedMessage& message : packed.messages())
            acceptMessage(message, 0);
        total += static_cast<size_t>(packed.messages_size());
        uri = packed.has_next() ? packed.next().uri() : std::string();
    }
}

void LiveSession::startTask(std::function<void()> work)
{
    reapTasks(false);
    while (m_tasks.size() >= kMaxTasks && !m_stop.load()) {
        pause(50);
        reapTasks(false);
    }
    Task& task = m_tasks.emplace_back();
    task.thread = std::thread([&task, work = std::move(work)] {
        work();
        task.done.store(true);
    });
}

void LiveSession::reapTasks(bool all)
{
    for (auto it = m_tasks.begin(); it != m_tasks.end();) {
        if (all || it->done.load()) {
            it->thread.join();
            it = m_tasks.erase(it);
        } else {
            ++it;
        }
    }
}

uint64_t LiveSession::claimSegment(const std::string& uri)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (uri.empty() || m_openedSegments.count(uri))
        return 0;
    remember(m_openedSegments, m_openedOrder, uri, kRememberedSegments);
    m_unfinishedSegments.insert(++m_lastSegment);
    return m_lastSegment;
}

bool LiveSession::openSegment(const std::string& uri, int64_t untilSeconds, bool first)
{
    const uint64_t segment = claimSegment(uri);
    if (segment == 0) {
        if (first)
            markInitialDone();
        return false;
    }
    startTask([this, uri, segment, untilSeconds, first] { readSegment(uri, segment, untilSeconds, first); });
    return true;
}

void LiveSession::runView()
{
    std::string viewUri;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stop.load() || m_ended || !m_viewUri.empty(); });
        if (m_viewUri.empty())
            return;
        viewUri = m_viewUri;
    }
    std::string cursor = "now";
    bool first = true;
    bool segmentSeen = false;
    int backoff = kFirstBackoffMs;
    while (!m_stop.load()) {
        StreamRequest request;
        request.url = withCursor(viewUri, cursor);
        request.stop = &m_stop;
        request.stallMs = kViewStallMs;
        int64_t nextAt = -1;
        bool progress = false;
        std::string why;
        const StreamEnd end = readDelimitedStream(
            request,
            [&](const std::string& bytes) {
                edge::ChunkedEntry entry;
                if (!entry.ParseFromString(bytes))
                    return;
                switch (entry.entry_case()) {
                case edge::ChunkedEntry::kBackward:
                    // Only the first request asks for the past; it is read before the present
                    // so that the first delivery holds both in order.
                    if (first && !segmentSeen && m_config.backwardCount > 0)
                        readBackward(entry.backward().segment().uri());
                    break;
                case edge::ChunkedEntry::kPrevious:
                    if (!segmentSeen)
                        if (const uint64_t segment = claimSegment(entry.previous().uri()))
                            readSegment(entry.previous().uri(), segment, entry.previous().until().seconds());
                    break;
                case edge::ChunkedEntry::kSegment: {
                    const bool firstSegment = !segmentSeen;
                    segmentSeen = true;
                    const int64_t until = entry.segment().until().seconds();
                    progress = openSegment(entry.segment().uri(), until, firstSegment) || progress;
                    // A view answer cut before its cursor resumes after the last window it
                    // announced (the window holding `until` is the next one).
                    if (until > 0)
                        cursor = std::to_string(until);
                    break;
                }
                case edge::ChunkedEntry::kNext:
                    nextAt = entry.next().at();
                    break;
                default:
                    break;
                }
            },
            &why);
        if (end == StreamEnd::Stopped)
            break;
        if (progress)
            backoff = kFirstBackoffMs;
        if (nextAt >= 0) {
            cursor = std::to_string(nextAt);
            first = false;
            backoff = kFirstBackoffMs;
            if (end == StreamEnd::Broken)
                note("view stream cut (" + why + ")");
            continue;
        }
        if (end == StreamEnd::Complete) {
            // No cursor to go on with: the program has ended. What its segments still carry
            // comes first.
            reapTasks(true);
            markInitialDone();
            finish(true, disconnectText("END_PROGRAM"));
            break;
        }
        note("view stream cut (" + why + "), again from " + cursor + " in " + std::to_string(backoff / 1000) + " s");
        if (!pause(backoff))
            break;
        backoff = std::min(backoff * 2, kMaxBackoffMs);
    }
    markInitialDone();
}

}  // namespace pelmora::engine::nicolive
