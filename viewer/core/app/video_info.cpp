#include "viewer/core/app/video_info.h"

#include "engine/service/endpoints.h"
#include "qarvo/file/path.h"
#include "qarvo/http/http_async.h"
#include "qarvo/time/clock.h"

namespace pelmora::viewer {

namespace {

namespace ep = pelmora::endpoints;

constexpr int kTimeOutMs = 8000;
constexpr int kReceiveBuffer = 0xC800;  // 51200 bytes: a getthumbinfo answer is a few kB
constexpr int kPollMs = 10;
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 7.0; Windows NT)";

// A Location value may be a path on the same host.
qarvo::C_String absoluteLocation(const qarvo::C_String& location, const qarvo::C_String& current)
{
    if (!location.StartsWith("/"))
        return location;
    const int scheme = current.IndexOf("://");
    if (scheme < 0)
        return location;
    const int pathStart = current.IndexOf('/', scheme + 3);
    const qarvo::C_String origin = pathStart < 0 ? current : current.Left(pathStart);
    return origin + location;
}

}  // namespace

qarvo::C_String VideoInfoAddress(const qarvo::C_WString& identifier)
{
    const qarvo::C_String id = qarvo::qarvo_GetLastName(identifier).ToString();
    return qarvo::C_String::Stringf("http://%s%s%s", ep::kExternalHost, ep::kThumbInfoPath, id.c_str());
}

bool FetchVideoInfo(const qarvo::C_WString& identifier, const std::atomic<int>& closing, TagLists& tags)
{
    qarvo::C_HttpAsync http;
    // The application's closing flag aborts a running exchange, so the worker thread can
    // end quickly at shutdown.
    http.AbortObject(&closing);
    qarvo::C_String address = VideoInfoAddress(identifier);

    for (int attempt = 0; attempt < kVideoInfoAttempts; ++attempt) {
        if (closing.load())
            return false;
        http.SetHTTPVersion(1);
        http.SetUserAgent(kUserAgent);
        http.SetHTTPBufferSize(kReceiveBuffer);
        if (!http.Open(address.c_str(), kTimeOutMs) || !http.Connect())
            return false;
        while (http.GetLastCommandStat() == qarvo::I_HttpType::kRunning) {
            if (closing.load()) {
                http.Abort();
                return false;
            }
            qarvo_sleep_millis(kPollMs);
        }
        if (http.GetLastCommandStat() != qarvo::I_HttpType::kSuccess)
            return false;

        if (const char* location = http.GetHeaderField("Location:")) {
            qarvo::C_String next(location);
            next.Trim();
            address = absoluteLocation(next, address);
            http.Close();
            continue;
        }
        if (!http.GetStatusCode().StartsWith("20"))
            return false;
        const qarvo::C_String body = http.GetResponseString();
        http.Close();
        ParseThumbInfo(body, tags);
        return true;
    }
    return false;
}

}  // namespace pelmora::viewer
