#pragma once
// The CONNECT tunnel through an HTTP proxy, set up on a socket already connected to the proxy
// before the TLS handshake runs over it.

#include <functional>

#include "qarvo/net/connection.h"

namespace qarvo::net {

// Asks the proxy for a tunnel to host:port within `timeOutMs` (counted from the call) and
// reads its answer up to the blank line, so that the socket is left right after it. On
// failure the socket is shut down in both directions and `owner` holds the reason as its
// last state (nothing for an abort, which `isAbort` reports between waits).
bool openProxyTunnel(Connection& owner, platform::socket_t s, const C_String& host, int port, int timeOutMs,
                     const std::function<bool()>& isAbort);

}  // namespace qarvo::net
