#pragma once
// The HTTPS port of the simulated service. It answers every host nicosim simulates: each
// connection's TLS is ended here and its bytes are relayed to a plain port of nicosim, which
// tells the hosts apart by the Host header like its HTTP port does. So a page or interface
// served over HTTPS is one more route of the ordinary server, and a stream of any length (a
// chunked answer, an upgraded connection) passes through as it comes.
//
// Which plain port a connection goes to is chosen from the head of its first request, so
// that a request the HTTP server cannot answer (an Upgrade to another protocol) can be sent
// to a server of its own.

#include "tools/nicosim/tls.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace nicosim {

class HttpsListener {
public:
    // The head of a connection's first request (up to and including its empty line) to the
    // port its bytes go to; 0 refuses the connection.
    using BackendChooser = std::function<int(std::string_view head)>;

    HttpsListener();
    ~HttpsListener(); // stops
    HttpsListener(const HttpsListener&) = delete;
    HttpsListener& operator=(const HttpsListener&) = delete;

    // Listens on 127.0.0.1:port (0: a free one) with the authority's server certificate.
    bool start(int port, const tls::Authority& authority, BackendChooser chooser, std::string& error);
    // Closes the port and every relayed connection and joins their threads.
    void stop();
    int port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nicosim
