#include "tools/nicosim/net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nicosim::net {
namespace {

bool setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

sockaddr_in loopbackAddress(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int pollOne(int fd, short events, int timeoutMs)
{
    pollfd item{fd, events, 0};
    int result;
    do {
        result = ::poll(&item, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

Socket::~Socket()
{
    close();
}

Socket::Socket(Socket&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void Socket::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

Socket listenLoopback(int port, int& boundPort, std::string& error)
{
    if (port < 0 || port > 65535) {
        error = "port out of range: " + std::to_string(port);
        return Socket();
    }
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid()) {
        error = std::string("socket: ") + std::strerror(errno);
        return Socket();
    }
    const int yes = 1;
    ::setsockopt(s.handle(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = loopbackAddress(port);
    if (::bind(s.handle(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        error = "bind 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return Socket();
    }
    if (::listen(s.handle(), 64) != 0 || !setNonBlocking(s.handle())) {
        error = std::string("listen: ") + std::strerror(errno);
        return Socket();
    }
    socklen_t length = sizeof address;
    if (::getsockname(s.handle(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = std::string("getsockname: ") + std::strerror(errno);
        return Socket();
    }
    boundPort = ntohs(address.sin_port);
    return s;
}

Socket acceptClient(const Socket& listener)
{
    int fd;
    do {
        fd = ::accept4(listener.handle(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        const int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    }
    return Socket(fd);
}

Socket connectLoopback(int port, int timeoutMs)
{
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.valid() || !setNonBlocking(s.handle()))
        return Socket();
    sockaddr_in address = loopbackAddress(port);
    if (::connect(s.handle(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS || pollOne(s.handle(), POLLOUT, timeoutMs) <= 0)
            return Socket();
        int failure = 0;
        socklen_t length = sizeof failure;
        if (::getsockopt(s.handle(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0 || failure != 0)
            return Socket();
    }
    return s;
}

Io readSome(const Socket& socket, char* buffer, size_t capacity, size_t& done)
{
    done = 0;
    ssize_t n;
    do {
        n = ::recv(socket.handle(), buffer, capacity, 0);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        done = static_cast<size_t>(n);
        return Io::Done;
    }
    if (n == 0)
        return Io::Closed;
    return errno == EAGAIN || errno == EWOULDBLOCK ? Io::WouldBlock : Io::Failed;
}

Io writeSome(const Socket& socket, const char* data, size_t size, size_t& done)
{
    done = 0;
    ssize_t n;
    do {
        // MSG_NOSIGNAL: a peer that went away must not raise SIGPIPE in the whole process.
        n = ::send(socket.handle(), data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n >= 0) {
        done = static_cast<size_t>(n);
        return Io::Done;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return Io::WouldBlock;
    return errno == EPIPE || errno == ECONNRESET ? Io::Closed : Io::Failed;
}

Io readWithin(const Socket& socket, char* buffer, size_t capacity, size_t& done, int timeoutMs)
{
    done = 0;
    const int ready = pollOne(socket.handle(), POLLIN, timeoutMs);
    if (ready < 0)
        return Io::Failed;
    if (ready == 0)
        return Io::WouldBlock;
    return readSome(socket, buffer, capacity, done);
}

bool writeAll(const Socket& socket, const std::string& data, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < data.size()) {
        size_t done = 0;
        const Io result = writeSome(socket, data.data() + sent, data.size() - sent, done);
        if (result == Io::Done) {
            sent += done;
            continue;
        }
        if (result != Io::WouldBlock)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || pollOne(socket.handle(), POLLOUT, static_cast<int>(left.count())) <= 0)
            return false;
    }
    return true;
}

Waker::Waker()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_read = fds[0];
        m_write = fds[1];
    }
}

Waker::~Waker()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
}

void Waker::wake()
{
    const char byte = 1;
    // A full pipe already wakes the reader, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(m_write, &byte, 1);
}

void Waker::drain()
{
    char buffer[64];
    while (::read(m_read, buffer, sizeof buffer) > 0) {
    }
}

bool waitForEvents(std::vector<Watch>& watches, int timeoutMs)
{
    std::vector<pollfd> items;
    items.reserve(watches.size());
    for (const Watch& w : watches) {
        short events = 0;
        if (w.wantRead)
            events |= POLLIN;
        if (w.wantWrite)
            events |= POLLOUT;
        items.push_back(pollfd{w.handle, events, 0});
    }
    int result;
    do {
        result = ::poll(items.data(), items.size(), timeoutMs);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return false;
    for (size_t i = 0; i < watches.size(); ++i) {
        watches[i].readable = (items[i].revents & (POLLIN | POLLHUP)) != 0;
        watches[i].writable = (items[i].revents & POLLOUT) != 0;
        watches[i].broken = (items[i].revents & (POLLERR | POLLNVAL)) != 0;
    }
    return true;
}

} // namespace nicosim::net
