#include "viewer/core/app/http_get.h"

#include <memory>

#include "qarvo/http/http_async.h"
#include "qarvo/time/clock.h"

namespace pelmora::viewer {

namespace {

// Opens and starts one exchange; false when it cannot start.
bool start(qarvo::C_HttpAsync& http, const qarvo::C_String& address, const HttpGetOptions& options,
           const std::atomic<int>& abort)
{
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
    return http.Connect() != 0;
}

bool finished(const qarvo::C_HttpAsync& http, const HttpGetOptions& options, qarvo::C_String& body)
{
    if (http.GetLastCommandStat() != qarvo::I_HttpType::kSuccess)
        return false;
    if (options.requireSuccessStatus && !http.GetStatusCode().StartsWith("20"))
        return false;
    body = http.GetResponseString();
    return true;
}

}  // namespace

bool HttpGet(const qarvo::C_String& address, const HttpGetOptions& options, const std::atomic<int>& abort,
             qarvo::C_String& body)
{
    std::vector<std::optional<qarvo::C_String>> bodies;
    HttpGetAll({address}, options, abort, bodies);
    if (!bodies[0])
        return false;
    body = *bodies[0];
    return true;
}

void HttpGetAll(const std::vector<qarvo::C_String>& addresses, const HttpGetOptions& options,
                const std::atomic<int>& abort, std::vector<std::optional<qarvo::C_String>>& bodies)
{
    bodies.assign(addresses.size(), std::nullopt);
    if (abort.load())
        return;
    std::vector<std::unique_ptr<qarvo::C_HttpAsync>> exchanges;
    for (const qarvo::C_String& address : addresses) {
        auto http = std::make_unique<qarvo::C_HttpAsync>();
        if (!start(*http, address, options, abort))
            http.reset();
        exchanges.push_back(std::move(http));
    }
    for (;;) {
        bool running = false;
        for (const auto& http : exchanges)
            running = running || (http && http->GetLastCommandStat() == qarvo::I_HttpType::kRunning);
        if (!running)
            break;
        if (abort.load()) {
            for (const auto& http : exchanges)
                if (http)
                    http->Abort();
            return;
        }
        qarvo_sleep_millis(options.pollMs);
    }
    for (size_t i = 0; i < exchanges.size(); ++i) {
        qarvo::C_String body;
        if (exchanges[i] && finished(*exchanges[i], options, body))
            bodies[i] = body;
    }
}

}  // namespace pelmora::viewer
