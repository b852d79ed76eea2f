#pragma once
// The connect step every client over a byte stream shares: PELMORA_CONNECT_TO, resolution
// bounded by the deadline, the non-blocking connect, and for TLS the proxy tunnel and the
// handshake that checks the certificate against the host the address names.

#include <functional>

#include "qarvo/net/connection.h"
#include "qarvo/net/deadline.h"
#include "qarvo/net/socket_handle.h"
#include "qarvo/tls/ssl.h"

namespace qarvo::net {

// A fresh non-blocking TCP socket without Nagle's delay into *out; false with the state in
// `owner`.
bool openStreamSocket(Connection& owner, UniqueSocket* out);

enum class ConnectEnd { Connected, Failed, TimedOut, Aborted };

struct ConnectTarget {
    C_String host;  // the host the address names: SNI and certificate name, tunnel target
    int port = 0;
    bool tls = false;
    // Where the socket connects first: the host itself, or an HTTP proxy.
    C_String connectHost;
    int connectPort = 0;
    bool viaProxy = false;
    int proxyTimeOutMs = 0;
};

// Connects the non-blocking socket `s` within `deadline`, polling `isAbort` (may be empty);
// for TLS the handshake runs on `ssl`. On every end but Connected `owner` holds the state
// (time-out and abort included).
ConnectEnd connectStream(Connection& owner, platform::socket_t s, C_SSL& ssl, const ConnectTarget& target,
                         const Deadline& deadline, const std::function<bool()>& isAbort);

}  // namespace qarvo::net
