#pragma once
// A broadcast followed the way the service works today: the WebSocket that keeps the seat and
// names the comment stream, the view stream that announces segments, and the segments that
// carry the comments. Its threads collect the comments as chat elements; the live handler
// takes what arrived since its last call.
//
// Nothing is lost or repeated across breaks: the view stream resumes from its last cursor,
// a segment address is opened once (again only after it broke off), and a comment is handed
// out once by its message id.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <functional>
#include <unordered_set>
#include <vector>

#include "engine/nicolive/embedded_data.h"
#include "engine/nicolive/proto/nicolive_edge.pb.h"

namespace pelmora::engine::nicolive {

struct SessionConfig {
    ProgramFacts program;
    std::string thread;   // the name the chat elements carry
    int backwardCount = 0;  // past comments asked for with the first view request
};

enum class SessionWait {
    News,     // comments are waiting
    Ended,    // the program ended (EndText tells how); comments may still be waiting
    Failed,   // the session gave up (EndText tells why)
    Nothing,  // the time passed
};

class LiveSession {
public:
    explicit LiveSession(SessionConfig config);
    ~LiveSession();  // stops and joins every thread
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    void Start();
    // Waits up to timeOutMs for comments (the first time: for the past comments too) or
    // the end.
    SessionWait Wait(int timeOutMs);
    // The chat elements that arrived since the last call, in comment number order.
    std::string TakeChats();
    bool HasChats() const;
    // The program ended (code 9) rather than the session failing.
    bool EndedByProgram() const;
    std::string EndText() const;
    // What happened to the connections since the last call ("view stream cut: ...; ..."),
    // for the job's state; empty when nothing did.
    std::string TakeNotes();
    void Stop();

private:
    struct Pending {
        int64_t no = 0;
        // The segment it came in, by the order segments were opened (0: the past comments).
        uint64_t segment = 0;
        std::string element;
    };
    struct Task {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void runSocket();
    void runView();
    // `first`: the present's first segment, whose comments posted before the job began
    // complete the first delivery.
    void readSegment(const std::string& uri, uint64_t segment, int64_t untilSeconds, bool first = false);
    void readBackward(const std::string& uri);
    // The new segment's number when `uri` was not opened before (it counts as opened and
    // unfinished from now on); 0 for a known address.
    uint64_t claimSegment(const std::string& uri);
    // Under the lock: a comment may go out once no older segment is still being read, so
    // that a segment read again after a break does not fall behind its successors.
    bool deliverableLocked(const Pending& pending) const;
    bool anyDeliverableLocked() const;
    // Starts a reader of a segment not opened before; false for a known address.
    bool openSegment(const std::string& uri, int64_t untilSeconds, bool first);
    // The past comments are in: the first delivery may go, with the newest backwardCount.
    void markInitialDone();
    void startTask(std::function<void()> work);
    void reapTasks(bool all);
    // Takes one ChunkedMessage in: a chat not delivered before joins the queue.
    void acceptMessage(const dwango::nicolive::chat::service::edge::ChunkedMessage& message, uint64_t segment);
    bool deliverLocked(const std::string& id, Pending pending);
    void finish(bool byProgram, std::string text);
    void note(std::string text);
    // Sleeps up to ms, ending early at a stop; false when stopped.
    bool pause(int ms);

    const SessionConfig m_config;
    std::atomic<bool> m_stop{false};
    std::thread m_socketThread;
    std::thread m_viewThread;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_viewUri;
    bool m_ended = false;
    bool m_endedByProgram = false;
    std::string m_endText;
    bool m_initialDone = false;  // the past comments of the first request are in
    std::vector<Pending> m_pending;
    std::unordered_set<std::string> m_deliveredIds;
    std::deque<std::string> m_deliveredOrder;
    uint64_t m_lastSegment = 0;
    std::set<uint64_t> m_unfinishedSegments;
    std::unordered_set<std::string> m_openedSegments;
    std::deque<std::string> m_openedOrder;
    std::string m_notes;
    std::list<Task> m_tasks;  // segment and backward readers; touched by the view thread only
};

}  // namespace pelmora::engine::nicolive
