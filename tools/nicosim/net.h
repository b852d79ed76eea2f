#pragma once
// The few socket calls nicosim makes itself (the live comment servers, and raw clients in
// tests), behind one small interface; the POSIX implementation is net_posix.cpp.

#include <cstddef>
#include <string>
#include <vector>

namespace nicosim::net {

// An owned socket; closed when it goes away.
class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool valid() const { return m_fd >= 0; }
    int handle() const { return m_fd; }
    void close();

private:
    int m_fd = -1;
};

enum class Io { Done, WouldBlock, Closed, Failed };

// A non-blocking listening socket on 127.0.0.1; port 0 picks a free one.
Socket listenLoopback(int port, int& boundPort, std::string& error);
// A non-blocking accepted client, or an invalid socket when none is waiting.
Socket acceptClient(const Socket& listener);
// A blocking connection to 127.0.0.1:port, or an invalid socket.
Socket connectLoopback(int port, int timeoutMs);

// Non-blocking reads and writes; `done` tells how many bytes moved.
Io readSome(const Socket& socket, char* buffer, size_t capacity, size_t& done);
Io writeSome(const Socket& socket, const char* data, size_t size, size_t& done);

// Waits up to timeoutMs for data, then reads; WouldBlock on time-out.
Io readWithin(const Socket& socket, char* buffer, size_t capacity, size_t& done, int timeoutMs);
// Writes everything, waiting up to timeoutMs in all.
bool writeAll(const Socket& socket, const std::string& data, int timeoutMs);

// Wakes a thread that waits in waitForEvents.
class Waker {
public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    bool valid() const { return m_read >= 0 && m_write >= 0; }
    void wake();
    void drain();
    int handle() const { return m_read; }

private:
    int m_read = -1;
    int m_write = -1;
};

struct Watch {
    int handle = -1;
    bool wantRead = true;
    bool wantWrite = false;
    bool readable = false;
    bool writable = false;
    bool broken = false;
};

// Waits until a watched handle is ready or timeoutMs passes (-1: no limit); false on error.
bool waitForEvents(std::vector<Watch>& watches, int timeoutMs);

} // namespace nicosim::net
