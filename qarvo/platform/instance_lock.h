#pragma once
// A per-user, single-instance lock: an exclusive advisory lock on a file in the user's runtime
// folder ($XDG_RUNTIME_DIR, else /tmp/<name>-<uid>.lock). The system drops it when the process
// ends, however it ends, so a crashed instance never blocks the next start.

#include "qarvo/text/string.h"

namespace qarvo::platform {

class C_InstanceLock {
public:
    enum class Result { Acquired, HeldElsewhere, Failed };

    C_InstanceLock() = default;
    ~C_InstanceLock() { Release(); }
    C_InstanceLock(const C_InstanceLock&) = delete;
    C_InstanceLock& operator=(const C_InstanceLock&) = delete;

    // Acquired: this object holds the lock. HeldElsewhere: another process or lock object has
    // it. Failed: the lock file cannot be opened (GetStateText says why). A held lock is
    // released first.
    Result Acquire(const C_WString& name);
    bool IsHeld() const { return m_fd >= 0 && m_held; }
    void Release();
    const C_String& GetStateText() const { return m_state; }

    // The file path used for name (UTF-8); names are reduced to letters, digits, '-', '_', '.'
    // and other non-ASCII text, so a name cannot leave the folder.
    static C_String LockPath(const C_WString& name);
    // Where the holder of the lock listens for the processes that found it held (a socket
    // beside the lock file).
    static C_String ChannelPath(const C_WString& name);

private:
    int m_fd = -1;
    bool m_held = false;
    C_String m_state;
};

}  // namespace qarvo::platform
