#include "viewer/core/app/http_get.h"

#include "qarvo/http/http_async.h"
#include "qarvo/time/clock.h"

namespace pelmora::viewer {

bool HttpGet(const qarvo::C_String& address, const HttpGetOptions& options, const std::atomic<int>& abort,
             qarvo::C_String& body)
{
    if (abort.load())
        return false;
    qarvo::C_HttpAsync http;
    // The flag aborts a running exchange, so the calling thread can end at once.
    http.AbortObject(&abort);
    if (!http.Open(address.c_str(), options.timeOutMs))
        return false;
    http.SetHTTPVersion(1);
    http.SetUserAgent(options.userAgent);
    if (!options.referer.IsEmpty())
        http.SetReferer(options.referer.c_str());
    if (!options.cookie.IsEmpty() && !http.SetRequestProperty("Cookie", options.cookie.c_str()))
        return false;
    if (!http.Connect())
        return false;
    while (http.GetLastCommandStat() == qarvo::I_HttpType::kRunning) {
        if (abort.load()) {
            http.Abort();
            return false;
        }
        qarvo_sleep_millis(options.pollMs);
    }
    if (http.GetLastCommandStat() != qarvo::I_HttpType::kSuccess)
        return false;
    if (options.requireSuccessStatus && !http.GetStatusCode().StartsWith("20"))
        return false;
    body = http.GetResponseString();
    return true;
}

}  // namespace pelmora::viewer
