#pragma once
// Requests to the service's programming interfaces (JSON over HTTPS). A walk of many pages
// keeps its connection open between them (HTTP/1.1 keep-alive), so that it does not pay a
// TLS handshake per page.

#include <memory>
#include <utility>
#include <vector>

#include "engine/service/http_fetch.h"

namespace qarvo {
class C_HttpAsync;
}

namespace pelmora::engine {

// A connection kept for the next request to the same scheme and host. Owned by one thread.
class InterfaceConnection {
public:
    InterfaceConnection();
    ~InterfaceConnection();
    InterfaceConnection(const InterfaceConnection&) = delete;
    InterfaceConnection& operator=(const InterfaceConnection&) = delete;

    // Connections opened so far (for tests and benchmarks).
    int Opened() const { return m_opened; }

private:
    friend bool fetchInterface(struct InterfaceRequest& request);
    std::unique_ptr<qarvo::C_HttpAsync> m_http;
    qarvo::C_String m_origin;  // scheme and host of the open connection
    int m_opened = 0;
};

// One request: extra header lines, a body with its own Content-Type, the login cookie sent but
// nothing merged back. True when an answer came, whatever its status; `answer` then holds its
// body plus a terminating NUL, `status` its status code and `headerValue` the value of
// `wantedHeader` (empty when absent). When no answer came, `failure` holds the client's last
// state text (the TLS layer's reason for a refused certificate, for one). With `connection`,
// the request goes over the connection kept there when it is still open, and leaves its own
// there.
struct InterfaceRequest {
    StopSignal stop;
    qarvo::C_String address;
    int method = kFetchGet;
    const qarvo::C_String* cookie = nullptr;
    std::vector<std::pair<qarvo::C_String, qarvo::C_String>> headers;
    const qarvo::C_String* body = nullptr;
    qarvo::C_String contentType;
    qarvo::C_Memory* answer = nullptr;
    qarvo::C_String* status = nullptr;
    const char* wantedHeader = nullptr;
    qarvo::C_String* headerValue = nullptr;
    qarvo::C_String* failure = nullptr;
    InterfaceConnection* connection = nullptr;
};
bool fetchInterface(InterfaceRequest& request);

}  // namespace pelmora::engine
