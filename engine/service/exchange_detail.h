#pragma once
// The steps of the engine's HTTP exchanges, shared by the page fetches (http_fetch.cpp) and
// the interface requests (interface_fetch.cpp). Not for the handlers: they use those two.

#include <utility>
#include <vector>

#include "engine/service/http_fetch.h"
#include "qarvo/http/http_async.h"

namespace pelmora::engine::detail {

// What differs between the service's plain exchanges, the player form post and the
// interface requests.
struct ExchangeSetup {
    int method = kFetchGet;
    int timeOutMs = kFetchTimeOutMs;
    int contentKind = 2;  // 2: no Content-Type line; 0: form encoding; 3: contentText
    const qarvo::C_String* postBody = nullptr;
    const std::vector<std::pair<qarvo::C_String, qarvo::C_String>>* fields = nullptr;
    const std::vector<std::pair<qarvo::C_String, qarvo::C_String>>* headers = nullptr;
    const qarvo::C_String* referer = nullptr;
    const char* contentText = nullptr;
    bool followRedirects = true;
    bool keepAlive = false;  // HTTP/1.1 keep-alive instead of "Connection: close"
    // Outputs of the interface requests: a header of the answer, and the client's state text
    // when no answer came.
    const char* wantedHeader = nullptr;
    qarvo::C_String* headerValue = nullptr;
    qarvo::C_String* failure = nullptr;
};

enum class Attempt { Answered, Failed, Stopped };

// Opens `url` on `http`, sets the request up and runs it to its end.
Attempt attemptOnce(qarvo::C_HttpAsync& http, const StopSignal& stop, const qarvo::C_String& url,
                    const ExchangeSetup& setup, const qarvo::C_String* cookie);
// Polls a started exchange to its end, aborting it when a stop flag rises.
Attempt awaitAnswer(qarvo::C_HttpAsync& http, const StopSignal& stop);
// The whole exchange: attempts, redirects, the cookie merge.
bool exchange(const StopSignal& stop, const qarvo::C_String& firstUrl, const ExchangeSetup& setup,
              qarvo::C_String* cookie, bool mergeCookies, qarvo::C_Memory* body, qarvo::C_String* finalUrl,
              qarvo::C_String* status);
// Copies the answer's body (plus a terminating NUL) and the wanted header out.
bool takeAnswer(const qarvo::C_HttpAsync& http, const ExchangeSetup& setup, qarvo::C_Memory* body);

}  // namespace pelmora::engine::detail
