#pragma once
// Stream sockets between the processes of one user on this machine (Unix-domain sockets on a
// path in the user's runtime folder; a path of any length). Both ends check the peer's user: a socket file in a
// shared folder can be made by anyone, and neither end talks to another user's process.

#include <cstddef>
#include <string>

#include "qarvo/text/string.h"

namespace qarvo::platform {

// One connected end. Closed by its destructor.
class C_LocalSocket {
public:
    C_LocalSocket() = default;
    explicit C_LocalSocket(int fd) : m_fd(fd) {}
    ~C_LocalSocket() { Close(); }
    C_LocalSocket(C_LocalSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    C_LocalSocket& operator=(C_LocalSocket&& other) noexcept;
    C_LocalSocket(const C_LocalSocket&) = delete;
    C_LocalSocket& operator=(const C_LocalSocket&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // Every byte within `ms` milliseconds; false on failure or time-out.
    bool SendAll(const void* data, size_t size, int ms);
    // Up to `size` bytes: the count, 0 when the peer has closed, kFailed or kTimedOut.
    static constexpr long kFailed = -1;
    static constexpr long kTimedOut = -2;
    long Receive(void* data, size_t size, int ms);
    void Close();

private:
    int m_fd = -1;
};

class C_LocalListener {
public:
    C_LocalListener() = default;
    ~C_LocalListener() { Close(); }
    C_LocalListener(const C_LocalListener&) = delete;
    C_LocalListener& operator=(const C_LocalListener&) = delete;

    // Listens on `path`, readable and writable by the user only. What lies at the path is
    // removed first (a socket an ended owner left behind), so the caller must own the name:
    // hold the instance lock that goes with it. False with the reason in GetStateText.
    bool Listen(const std::string& path);
    bool IsListening() const { return m_fd >= 0; }
    // The next connection of this user within `ms`; a closed socket on time-out or failure.
    // Connections of other users are closed at once.
    C_LocalSocket Accept(int ms);
    // Stops listening and removes the path.
    void Close();
    const C_String& GetStateText() const { return m_state; }

private:
    int m_fd = -1;
    std::string m_path;
    C_String m_state;
};

// A connection to the listener at `path`: closed when nobody listens there or when the
// listener is another user's (the reason in *state when given).
C_LocalSocket connectLocal(const std::string& path, C_String* state);

}  // namespace qarvo::platform
