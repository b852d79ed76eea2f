#pragma once
// The comment interface of today's video pages: the thread request (POST {server}/v1/threads)
// with what its errors ask for. An expired key is renewed through the key endpoint and the
// request made once more; a rate limit is waited out (Retry-After, else a minute, the stop
// flags polled) and the request made again; an invalid key is the login's fault and ends it.

#include <optional>
#include <string>
#include <vector>

#include "engine/service/http_fetch.h"
#include "engine/service/interface_fetch.h"
#include "engine/service/json_value.h"
#include "engine/service/nvcomment_data.h"
#include "qarvo/text/string.h"
#include "qarvo/tls/ssl.h"

namespace pelmora::engine {

// Waits for a rate limit: what the answer asks, at most this long; a minute when it does not
// say; and at most this many waits for one request.
inline constexpr int kRateLimitDefaultSeconds = 60;
inline constexpr int kRateLimitMaxSeconds = 600;
inline constexpr int kRateLimitMaxWaits = 5;

class CommentApi {
public:
    // `data` must outlive the object. `cookie` is the login (for the key endpoint only);
    // `videoId` names the video to the key endpoint.
    CommentApi(const StopSignal& stop, const nvcomment::WatchData& data, const qarvo::C_String& cookie,
               std::string videoId);

    // Asks for the targets at `targets` (indexes into the page's targets), with `when` for
    // comments posted up to then. A result code (PelmoraResultCode): 0 with `answer` filled
    // (its comments' texts stay valid until the next call), else the failure with
    // StateText() saying why.
    int RequestThreads(const std::vector<size_t>& targets, std::optional<int64_t> when,
                       nvcomment::ThreadsAnswer& answer);

    const qarvo::C_String& StateText() const { return m_state; }
    // Thread keys received from the key endpoint so far.
    int KeyRenewals() const { return m_renewals; }
    // Connections opened to the comment server so far.
    int ConnectionsOpened() const { return m_connection.Opened(); }

private:
    int renewKey();
    // Waits `seconds`, looking at the stop flags; false when stopped.
    bool waitOut(int seconds) const;
    int fail(int code, const std::string& text);

    // Holds the TLS library started while the object lives: the context every connection
    // shares (with the trust store read into it) is made once, not once per page.
    qarvo::C_SSL m_tlsLibrary;
    StopSignal m_stop;
    const nvcomment::WatchData& m_data;
    qarvo::C_String m_cookie;
    std::string m_videoId;
    std::string m_threadKey;
    int m_renewals = 0;
    json::Document m_document;
    // The thread requests of one walk go over one connection while the server keeps it.
    InterfaceConnection m_connection;
    qarvo::C_String m_state;
};

// Seconds from a Retry-After value ("120"); the default when it is empty or a date.
int retryAfterSeconds(const qarvo::C_String& value);

}  // namespace pelmora::engine
