#pragma once
// One window for the user: the running viewer listens on a socket beside its instance lock,
// and a second start hands over the address it was given instead of ending in silence. The
// listener runs on a thread of its own and hands each address to a receiver (which posts it
// to the GUI thread).

#include <functional>
#include <string>

#include "qarvo/platform/local_socket.h"
#include "qarvo/text/string.h"
#include "qarvo/thread/thread_ex.h"

namespace pelmora::viewer {

class C_InstanceChannel {
public:
    // Runs on the channel's thread; the address may be empty (only come forward).
    using Receiver = std::function<void(const qarvo::C_WString& address)>;

    C_InstanceChannel();
    ~C_InstanceChannel() { Stop(); }
    C_InstanceChannel(const C_InstanceChannel&) = delete;
    C_InstanceChannel& operator=(const C_InstanceChannel&) = delete;

    // Listens on `path` (the caller holds the instance lock that goes with it) and starts the
    // thread. False with the reason in GetStateText.
    bool Start(const std::string& path, Receiver receiver);
    // Ends the thread and removes the socket.
    void Stop();
    const qarvo::C_String& GetStateText() const { return m_state; }

    // The second start's side: hands `address` over and waits for the answer. The running
    // viewer may still be starting, so a missing listener is tried again until `waitMs` has
    // passed. False with the reason in *state.
    static bool Send(const std::string& path, const qarvo::C_WString& address, int waitMs, qarvo::C_String* state);

private:
    void serve();

    qarvo::platform::C_LocalListener m_listener;
    Receiver m_receiver;
    qarvo::C_String m_state;
    // Declared last: it stops before the listener and the receiver go.
    qarvo::C_ThreadEx m_thread;
};

}  // namespace pelmora::viewer
