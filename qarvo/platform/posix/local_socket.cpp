// Unix-domain stream sockets with the peer's user checked by SO_PEERCRED.

#include "qarvo/platform/local_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace qarvo::platform {
namespace {

C_String failure(const char* what, const std::string& path, int error)
{
    return C_String(std::string(what) + " " + path + ": " + std::strerror(error));
}

// The address of `path`. A sockaddr holds about a hundred bytes; a longer path (a deep
// runtime folder) is reached through a handle of its folder, "/proc/self/fd/N/name", which
// the kernel resolves the same way. The handle lives as long as this object.
class SocketAddress {
public:
    explicit SocketAddress(const std::string& path)
    {
        std::memset(&m_address, 0, sizeof m_address);
        m_address.sun_family = AF_UNIX;
        if (path.empty())
            return;
        if (path.size() < sizeof m_address.sun_path) {
            std::memcpy(m_address.sun_path, path.data(), path.size());
            m_valid = true;
            return;
        }
        const size_t slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return;
        m_folder = open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_folder < 0)
            return;
        const std::string shorter = "/proc/self/fd/" + std::to_string(m_folder) + path.substr(slash);
        if (shorter.size() >= sizeof m_address.sun_path)
            return;
        std::memcpy(m_address.sun_path, shorter.data(), shorter.size());
        m_valid = true;
    }
    ~SocketAddress()
    {
        if (m_folder >= 0)
            close(m_folder);
    }
    SocketAddress(const SocketAddress&) = delete;
    SocketAddress& operator=(const SocketAddress&) = delete;

    bool valid() const { return m_valid; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&m_address); }
    socklen_t size() const { return sizeof m_address; }

private:
    sockaddr_un m_address;
    int m_folder = -1;
    bool m_valid = false;
};

bool sameUser(int fd)
{
    struct ucred peer;
    socklen_t size = sizeof peer;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

// 1 ready, 0 time-out, -1 failure; counts the time already spent when a signal cuts it short.
int waitFor(int fd, short events, int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        struct pollfd p = {fd, events, 0};
        const int n = poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (n > 0)
            return 1;
        if (n == 0)
            return 0;
        if (errno != EINTR)
            return -1;
    }
}

int newSocket()
{
    return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

}  // namespace

C_LocalSocket& C_LocalSocket::operator=(C_LocalSocket&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void C_LocalSocket::Close()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

bool C_LocalSocket::SendAll(const void* data, size_t size, int ms)
{
    const char* bytes = static_cast<const char*>(data);
    while (m_fd >= 0 && size > 0) {
        const ssize_t sent = send(m_fd, bytes, size, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(m_fd, POLLOUT, ms) == 1)
            continue;
        return false;
    }
    return m_fd >= 0;
}

long C_LocalSocket::Receive(void* data, size_t size, int ms)
{
    if (m_fd < 0)
        return kFailed;
    for (;;) {
        const ssize_t got = recv(m_fd, data, size, 0);
        if (got >= 0)
            return static_cast<long>(got);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return kFailed;
        const int ready = waitFor(m_fd, POLLIN, ms);
        if (ready == 0)
            return kTimedOut;
        if (ready < 0)
            return kFailed;
    }
}

bool C_LocalListener::Listen(const std::string& path)
{
    Close();
    const SocketAddress address(path);
    if (!address.valid()) {
        m_state = C_String("the socket path cannot be used: " + path);
        return false;
    }
    const int fd = newSocket();
    if (fd < 0) {
        m_state = failure("cannot make a socket for", path, errno);
        return false;
    }
    // Only a socket is removed: a file someone made there by mistake stays and binding fails.
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
        unlink(path.c_str());
    // The mode keeps other users from connecting; in the moment before it is set, the peer
    // check of Accept refuses them (the umask is the whole process's, so it stays untouched).
    const int bound = bind(fd, address.get(), address.size());
    const int bindError = errno;
    if (bound == 0)
        chmod(path.c_str(), 0600);
    if (bound != 0 || listen(fd, 8) != 0) {
        m_state = failure(bound != 0 ? "cannot bind" : "cannot listen on", path, bound != 0 ? bindError : errno);
        close(fd);
        if (bound == 0)
            unlink(path.c_str());
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_state = C_String("listening on " + path);
    return true;
}

C_LocalSocket C_LocalListener::Accept(int ms)
{
    if (m_fd < 0 || waitFor(m_fd, POLLIN, ms) != 1)
        return C_LocalSocket();
    const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return C_LocalSocket();
    C_LocalSocket peer(fd);
    if (!sameUser(fd)) {
        m_state = C_String("refused a connection of another user on " + m_path);
        return C_LocalSocket();
    }
    return peer;
}

void C_LocalListener::Close()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
        unlink(m_path.c_str());
        m_path.clear();
    }
}

C_LocalSocket connectLocal(const std::string& path, C_String* state)
{
    const SocketAddress address(path);
    if (!address.valid()) {
        if (state)
            *state = C_String("the socket path cannot be used: " + path);
        return C_LocalSocket();
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (state)
            *state = failure("cannot make a socket for", path, errno);
        return C_LocalSocket();
    }
    C_LocalSocket end(fd);
    // A local connect completes or fails at once (a full backlog refuses with EAGAIN).
    int result;
    do
        result = connect(fd, address.get(), address.size());
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        if (state)
            *state = failure("cannot connect to", path, errno);
        return C_LocalSocket();
    }
    if (!sameUser(fd)) {
        if (state)
            *state = C_String("the listener on " + path + " belongs to another user");
        return C_LocalSocket();
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        if (state)
            *state = failure("cannot set up", path, errno);
        return C_LocalSocket();
    }
    if (state)
        *state = C_String("connected to " + path);
    return end;
}

}  // namespace qarvo::platform
