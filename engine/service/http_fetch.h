#pragma once
// The engine's HTTP exchanges with the service and the other sites: retries, redirects, the
// browser's cookie sent along and the answer's Set-Cookie merged back into it.

#include <atomic>
#include <utility>
#include <vector>

#include "qarvo/text/memory.h"
#include "qarvo/text/string.h"

namespace pelmora::engine {

struct ParseContext;
class I_JobProgress;

// The flags a running exchange polls: the job's stop flag and the engine's "everything is
// closing" flag. Either may be null. The job's progress report (null when nobody listens)
// hears of every attempt after the first.
struct StopSignal {
    const std::atomic<int>* stop = nullptr;
    const std::atomic<int>* exitingAll = nullptr;
    I_JobProgress* progress = nullptr;

    StopSignal() = default;
    StopSignal(const std::atomic<int>* stopFlag, const std::atomic<int>* all) : stop(stopFlag), exitingAll(all) {}
    explicit StopSignal(const ParseContext& context);
    bool requested() const
    {
        return (stop && stop->load(std::memory_order_acquire) != 0) ||
               (exitingAll && exitingAll->load(std::memory_order_acquire) != 0);
    }
};

enum FetchMethod { kFetchGet = 0, kFetchPost = 1 };

// Attempts per address, and how many redirects one exchange follows before it gives up.
inline constexpr int kFetchAttempts = 5;
inline constexpr int kMaxRedirects = 10;
inline constexpr int kFetchTimeOutMs = 12000;
// The largest answer taken: a comment answer of a million comments is about 150 MB. The
// client reserves address space only, so the size costs nothing until an answer fills it.
inline constexpr int kMaxAnswerBytes = 256 * 1024 * 1024;
inline constexpr int kPlayerTimeOutMs = 10000;
// How often a running exchange looks at its end and the stop flags. A page of the comment
// interface takes a few milliseconds; a coarser poll would add its slice to every page.
inline constexpr int kFetchPollMillis = 1;

inline constexpr const char* kServiceUserAgent = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT)";

// One exchange. True with `body` (when given) holding the answer plus a terminating NUL. The
// status (when given) is that of the first answer; `finalUrl` the address that answered after
// redirects. The cookie goes only to hosts inside the domain of `url`'s host, so a redirect to
// another site carries none of it (and merges nothing back).
bool fetchWithCookies(const StopSignal& stop, const qarvo::C_String& url, int method, qarvo::C_String* cookie,
                      bool mergeCookies, qarvo::C_Memory* body, const qarvo::C_String* postBody,
                      qarvo::C_String* finalUrl, qarvo::C_String* status);

// The form POST of the external player page.
struct PlayerRequest {
    StopSignal stop;
    qarvo::C_String address;
    int method = kFetchPost;
    qarvo::C_String* cookie = nullptr;
    bool mergeCookies = false;
    qarvo::C_Memory* body = nullptr;
    std::vector<std::pair<qarvo::C_String, qarvo::C_String>> fields;
    qarvo::C_String* status = nullptr;
    qarvo::C_String referer;
    // Extra request header lines (name, value).
    std::vector<std::pair<qarvo::C_String, qarvo::C_String>> headers;
    // Whether a Location answer is followed (the other sites' form posts do not).
    bool followRedirects = true;
    int timeOutMs = kPlayerTimeOutMs;
};
bool postPlayerForm(PlayerRequest& request);

// Merges one Set-Cookie value into a Cookie header text: the value's cookies are its
// "name=value" items before the first attribute (Expires, Max-Age, Path, Domain, Secure, ...);
// an old item is replaced by the first new one of the same name, the other new ones are added.
// Every item of the result ends in ";". An answer's every Set-Cookie header is merged in turn.
void mergeSetCookie(qarvo::C_String& cookie, const qarvo::C_String& setCookie);

// True when `host` is `domainHost`'s registrable domain (by the public-suffix list: one label
// under the registry's suffix, so "example.co.jp", not "co.jp") or inside it.
bool cookieDomainAllows(const qarvo::C_String& domainHost, const qarvo::C_String& host);

}  // namespace pelmora::engine
