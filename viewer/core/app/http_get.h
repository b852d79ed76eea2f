#pragma once
// One GET of the viewer's background work (viewing history, thumbnails, pictures): an
// asynchronous exchange polled on the calling thread, given up as soon as the abort flag
// rises. Failures are quiet: the caller gets false and tries again another time.

#include <atomic>
#include <optional>
#include <vector>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

struct HttpGetOptions {
    const char* userAgent = "";
    qarvo::C_String referer;  // empty: none
    qarvo::C_String cookie;   // empty: none
    int timeOutMs = 20000;
    int pollMs = 50;
    // Only an answer whose status begins with "20" counts.
    bool requireSuccessStatus = true;
};

// True with the body once the exchange has completed (and, when asked, with a 20x status).
bool HttpGet(const qarvo::C_String& address, const HttpGetOptions& options, const std::atomic<int>& abort,
             qarvo::C_String& body);

// Several GETs at once, so that they take one exchange's deadline together: each body, or
// nothing for an address that failed.
void HttpGetAll(const std::vector<qarvo::C_String>& addresses, const HttpGetOptions& options,
                const std::atomic<int>& abort, std::vector<std::optional<qarvo::C_String>>& bodies);

}  // namespace pelmora::viewer
