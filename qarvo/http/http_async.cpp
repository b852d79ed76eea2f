#include "qarvo/http/http_async.h"

#include "qarvo/http/url_split.h"

#include <new>

namespace qarvo {

C_HttpAsync::C_HttpAsync() : I_Http(kUserAgent) {}

C_HttpAsync::~C_HttpAsync()
{
    Close();
    // A worker must never outlive the object whose state it uses.
    if (m_thread) {
        m_abort.store(true, std::memory_order_release);
        joinWorker();
    }
}

unsigned C_HttpAsync::workerMain(void* self)
{
    auto* http = static_cast<C_HttpAsync*>(self);
    int result;
    // No exception leaves the library's threads: memory that cannot be had fails the exchange.
    try {
        result = http->RunExchange(http->m_connectFlag);
    } catch (const std::bad_alloc&) {
        http->SetState(net::kStateMemoryError);
        result = kFailed;
    }
    // The result first: a reader that has seen the stream end may ask for it at once.
    http->m_commandStat.store(result, std::memory_order_release);
    if (http->m_streamMode && http->m_stream)
        http->m_stream->Finish();
    http->m_done->SetEvent();
    return static_cast<unsigned>(result);
}

int C_HttpAsync::startWorker(bool connect)
{
    if (!m_socket.IsValid()) {
        SetState(net::kStateNotOpened);
        return 0;
    }
    if (m_thread) {
        SetState(net::kStateBusy);
        return 0;
    }
    if (!m_done)
        m_done = std::make_unique<C_Event>();
    else
        m_done->ResetEvent();
    m_connectFlag = connect;
    m_speedAverage.store(0);
    m_speedSeconds.store(0);
    m_speedTotal = m_speedPending = 0;
    m_speedSamples = 0;
    if (m_streamMode) {
        if (!m_stream)
            m_stream = std::make_unique<READER_STREAM>();
        m_stream->Begin(static_cast<size_t>(m_bufferSize));
    }
    m_commandStat.store(kRunning, std::memory_order_release);
    m_thread = qarvo_create_thread(&C_HttpAsync::workerMain, this);
    if (!m_thread) {
        m_commandStat.store(kFailed, std::memory_order_release);
        return 0;
    }
    return 1;
}

void C_HttpAsync::joinWorker()
{
    if (!m_thread)
        return;
    qarvo_join_thread(m_thread, nullptr);
    qarvo_close_thread(m_thread);
    m_thread = nullptr;
}

int C_HttpAsync::Connect()
{
    const int started = startWorker(true);
    if (started)
        m_connectedOnce = true;
    return started;
}

int C_HttpAsync::Request(const C_String& url)
{
    if (!m_socket.IsValid()) {
        SetState(kStateNotConnected);
        m_commandStat.store(kFailed, std::memory_order_release);
        return 0;
    }
    if (m_thread && GetLastCommandStat() == kRunning) {
        SetState(net::kStateBusy);
        return 0;
    }
    if (platform::socketPeekClosed(m_socket.Get()) != 0) {
        SetState(kStateSessionClosed);
        m_commandStat.store(kDisconnected, std::memory_order_release);
        return 0;
    }
    C_String newUrl, newUri;
    if (url.StartsWith("http://") || url.StartsWith("https://")) {
        http::UrlParts parts;
        if (!http::splitHttpUrl(url.c_str(), &parts) || parts.tls != m_tls) {
            SetState(net::kStateBadUrl);
            m_commandStat.store(kFailed, std::memory_order_release);
            return 0;
        }
        if (parts.host != m_host) {
            SetState(kStateHostDiffers);
            m_commandStat.store(kFailed, std::memory_order_release);
            return 0;
        }
        newUrl = parts.url;
        newUri = parts.uri;
    } else {
        const C_String path = url.StartsWith("/") ? url : C_String("/") + url;
        const int schemeEnd = m_url.IndexOf("://");
        const int slash = schemeEnd >= 0 ? m_url.IndexOf('/', schemeEnd + 3) : -1;
        newUrl = (slash >= 0 ? m_url.Left(slash) : m_url) + path;
        newUri = path;
    }
    m_url = newUrl;
    m_uri = newUri;
    joinWorker();
    m_downloadSize.store(0);
    m_headerLength = 0;
    m_status.Clear();
    m_resumeOffset = 0;
    m_rangeFirst = 0;
    m_rangeLast = -1;
    return startWorker(false);
}

int C_HttpAsync::WaitForConnecting()
{
    if (m_done && m_thread)
        m_done->Wait(-1);
    return GetLastCommandStat();
}

int C_HttpAsync::Abort()
{
    if (!m_thread)
        return 0;
    m_abort.store(true, std::memory_order_release);
    // The handle is kept (and Connect refused) until Close, Request or Resume joins it.
    qarvo_join_thread(m_thread, nullptr);
    return 1;
}

int C_HttpAsync::Resume(int noConnect)
{
    if (!IsResumeAble())
        return 0;
    if (GetDownloadSize() == GetLength())
        return 0;
    const int64_t lastRange = m_rangeLast;
    CloseSocket();
    joinWorker();
    m_resumeOffset = static_cast<int64_t>(m_body.Size());
    // The own flag goes first: Open refuses while an abort is raised.
    m_abort.store(false, std::memory_order_release);
    const C_String url = m_url;
    if (!Open(url.c_str(), GetTimeOut()))
        return 0;
    SetRange(m_resumeOffset, lastRange);
    if (!noConnect && !Connect())
        return 0;
    return 1;
}

int C_HttpAsync::ReaderStream(C_Memory* out, int max, int timeOutMs)
{
    if (!m_streamMode || !m_stream)
        return -1;
    return m_stream->Read(out, max, timeOutMs);
}

int C_HttpAsync::Close()
{
    if (!m_socket.IsValid()) {
        joinWorker();
        return 0;
    }
    if (GetLastCommandStat() == kRunning)
        Abort();
    joinWorker();
    m_done.reset();
    CloseCommon();
    return 1;
}

void C_HttpAsync::ShutDown()
{
    Close();
    m_properties.clear();
    m_body.Clear();
    m_stream.reset();
    m_method = kGet;
    m_connection = 0;
    m_version = 0;
}

}  // namespace qarvo
