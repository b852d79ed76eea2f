#pragma once
// Owns one socket: closed exactly once, by Reset or the destructor.

#include <utility>

#include "qarvo/platform/socket.h"

namespace qarvo::net {

class UniqueSocket {
public:
    UniqueSocket() = default;
    explicit UniqueSocket(platform::socket_t s) : m_socket(s) {}
    ~UniqueSocket() { Reset(); }
    UniqueSocket(UniqueSocket&& other) noexcept : m_socket(other.Release()) {}
    UniqueSocket& operator=(UniqueSocket&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueSocket(const UniqueSocket&) = delete;
    UniqueSocket& operator=(const UniqueSocket&) = delete;

    platform::socket_t Get() const { return m_socket; }
    bool IsValid() const { return m_socket != platform::kInvalidSocket; }
    platform::socket_t Release() { return std::exchange(m_socket, platform::kInvalidSocket); }
    void Reset(platform::socket_t s = platform::kInvalidSocket)
    {
        platform::socketClose(std::exchange(m_socket, s));
    }

private:
    platform::socket_t m_socket = platform::kInvalidSocket;
};

}  // namespace qarvo::net
