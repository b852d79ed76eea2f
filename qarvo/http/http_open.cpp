// Opening and closing the target of an HTTP object.
#include "qarvo/http/http_interface.h"
#include "qarvo/http/url_split.h"

namespace qarvo {

int I_Http::Open(const char* url, int timeOutMs)
{
    if (m_socket.IsValid()) {
        SetState(url ? net::kStateAlreadyOpen : net::kStateBadUrl);
        return 0;
    }
    http::UrlParts parts;
    if (!http::splitHttpUrl(url, &parts)) {
        SetState(net::kStateBadUrl);
        return 0;
    }
    if (!OpenSocket())
        return 0;
    if (IsAbort()) {
        CloseSocket();
        SetState(net::kStateAborted);
        return 0;
    }
    SetTimeOut(timeOutMs);
    m_url = parts.url;
    m_host = parts.host;
    m_uri = parts.uri;
    m_tls = parts.tls;
    ResetResponse();
    SetState(net::kStateSuccess);
    m_commandStat.store(kSuccess, std::memory_order_release);
    return 1;
}

bool I_Http::IsResumeAble() const
{
    switch (GetLastCommandStat()) {
    case kDisconnected:
        return true;
    case kAborted:
    case kTimedOut:
        return GetLength() != 0 && GetDownloadSize() != 0;
    default:
        return false;
    }
}

void I_Http::CloseCommon()
{
    CloseSocket();
    ResetSettings();
    m_abort.store(false, std::memory_order_release);
    m_commandStat.store(kSuccess, std::memory_order_release);
}

}  // namespace qarvo
