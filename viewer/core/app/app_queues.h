#pragma once
// The application's hand-over lists: the worker thread's work requests (ExecMessage), window
// messages to be posted later (DelayMessage), and the addresses that travel with the delayed
// fetch command.

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <optional>

#include "qarvo/text/pointer.h"
#include "qarvo/text/string.h"
#include "qarvo/thread/critical_section.h"
#include "viewer/ui/types.h"

namespace pelmora::viewer {

using qarvo::C_WString;
using qarvo::ui::LParam;
using qarvo::ui::WindowHandle;
using qarvo::ui::WParam;

struct ExecMessage {
    enum Type { None = 0, VideoInfo = 1, ClearStatusLater = 2, ViewingHistory = 3 };
    int type = None;
    WindowHandle window = 0;
    C_WString address;
};

// First in, first out; any thread pushes, the worker thread pops. Guarded by the lock it is
// given (the application's C_MainWnd::m_cs).
class ExecQueue {
public:
    explicit ExecQueue(qarvo::I_CriticalSection& lock) : m_lock(lock) {}
    void Push(const ExecMessage& message);
    std::optional<qarvo::common::Pointer<ExecMessage>> Pop();
    bool IsEmpty();
    int Count();

private:
    qarvo::I_CriticalSection& m_lock;
    std::deque<qarvo::common::Pointer<ExecMessage>> m_items;
};

struct DelayMessage {
    uint32_t enqueued = 0;  // qarvo_time_millis
    uint32_t delay = 0;
    WindowHandle window = 0;
    unsigned message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Window messages the worker thread posts once they are due.
class DelayedMessages {
public:
    void Add(const DelayMessage& message);
    // Posts every due message (enqueue time + delay has passed) and removes it.
    void PostDue(uint32_t now);
    int Count();

private:
    std::mutex m_lock;
    std::list<DelayMessage> m_items;
};

// The address a delayed fetch command carries. The command's lParam is a key into this table
// rather than a raw heap block, so that a command dropped anywhere (a queue emptied at exit,
// a window gone) leaks nothing: whatever is left goes with the table.
class PendingAddresses {
public:
    // The key (never 0) for a new entry. `page`: the page a timed refetch is for (0: none).
    LParam Add(const C_WString& address, WindowHandle page = 0);
    std::optional<C_WString> Find(LParam key);
    // The page the entry was made for; 0 when none (or no such entry).
    WindowHandle PageOf(LParam key);
    void Remove(LParam key);
    int Count();

private:
    std::mutex m_lock;
    LParam m_next = 1;
    std::map<LParam, C_WString> m_items;
    std::map<LParam, WindowHandle> m_pages;
};

}  // namespace pelmora::viewer
