#include "qarvo/http/http_blocking.h"

namespace qarvo {

C_Http::C_Http() : I_Http(kUserAgent) {}

C_Http::~C_Http()
{
    Close();
}

int C_Http::Connect()
{
    if (!m_socket.IsValid()) {
        SetState(net::kStateNotOpened);
        return 0;
    }
    m_connectedOnce = true;
    m_commandStat.store(kRunning, std::memory_order_release);
    const int result = RunExchange(true);
    m_commandStat.store(result, std::memory_order_release);
    return result == kSuccess ? 1 : 0;
}

int C_Http::Close()
{
    if (!m_socket.IsValid())
        return 0;
    CloseCommon();
    return 1;
}

}  // namespace qarvo
