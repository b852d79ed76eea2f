#pragma once
// TLS for the simulated service's HTTPS port: a test certificate authority made at start, a
// server certificate it signs for every host nicosim answers, and server-side sessions over
// non-blocking sockets. The only place in nicosim that talks to OpenSSL is tls_openssl.cpp.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace nicosim::tls {

// PEM texts. Clients trust the authority's certificate (SSL_CERT_FILE); the server shows its
// own certificate, which names every host and 127.0.0.1.
struct Authority {
    std::string caCertificate;
    std::string serverCertificate;
    std::string serverKey;
};

// A fresh authority (new keys every time) and a server certificate for `hosts`.
bool makeAuthority(const std::vector<std::string>& hosts, Authority& out, std::string& error);

class ServerContext {
public:
    ServerContext();
    ~ServerContext();
    ServerContext(const ServerContext&) = delete;
    ServerContext& operator=(const ServerContext&) = delete;

    bool load(const Authority& authority, std::string& error);
    bool loaded() const;

private:
    friend class ServerSession;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

enum class Io { Done, WantRead, WantWrite, Closed, Failed };

// One accepted connection. The socket stays the caller's; it must be non-blocking.
class ServerSession {
public:
    ServerSession(const ServerContext& context, int socket);
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    bool valid() const;
    Io handshake();
    Io read(char* buffer, size_t capacity, size_t& done);
    Io write(const char* data, size_t size, size_t& done);
    // Decrypted bytes waiting that a socket wait would not show.
    bool hasPending() const;
    // Sends close_notify (once; errors do not matter, the connection closes next).
    void shutdown();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nicosim::tls
