// One HTTP exchange: the connect phase, sending the request, receiving the answer and the
// rules that turn its ending into a command status.
#include <memory>

#include "qarvo/http/content_decoder.h"
#include "qarvo/http/http_interface.h"
#include "qarvo/http/response_receiver.h"
#include "qarvo/http/url_split.h"
#include "qarvo/net/stream_connect.h"
#include "qarvo/text/ascii.h"
#include "qarvo/time/clock.h"
#include "qarvo/tls/tls_stream.h"

namespace qarvo {
namespace {

constexpr int kPollSliceMs = 10;
constexpr int kSendRetries = 10;
constexpr int kSendPauseMs = 50;
constexpr int kSpeedIntervalMs = 1000;
constexpr int kSpeedSamples = 10;

// Records why an exchange ended early and gives the result it ends with.
int endAs(Connection& connection, int state, int result)
{
    connection.SetState(state);
    return result;
}

}  // namespace

std::function<bool()> I_Http::abortTest() const
{
    return [this] { return IsAbort(); };
}

int I_Http::OpenSocket()
{
    return net::openStreamSocket(*this, &m_socket) ? 1 : 0;
}

void I_Http::CloseSocket()
{
    m_ssl.Cleanup();
    m_socket.Reset();
}

void I_Http::countProgress(size_t bytes)
{
    m_downloadSize.fetch_add(static_cast<int64_t>(bytes), std::memory_order_relaxed);
    m_speedPending += static_cast<int64_t>(bytes);
    const uint32_t now = qarvo_time_millis();
    if (now - m_speedTick < static_cast<uint32_t>(kSpeedIntervalMs))
        return;
    m_speedTick = now;
    m_speedSeconds.fetch_add(1, std::memory_order_relaxed);
    m_speedTotal += m_speedPending;
    m_speedPending = 0;
    if (++m_speedSamples > kSpeedSamples) {
        m_speedTotal -= m_speedTotal / m_speedSamples;
        m_speedSamples = kSpeedSamples;
    }
    m_speedAverage.store(static_cast<int>(m_speedTotal / m_speedSamples), std::memory_order_relaxed);
}

int I_Http::RunExchange(bool connect)
{
    m_speedTick = qarvo_time_millis();
    for (;;) {
        bool challenged = false;
        const int result = exchangeOnce(connect, &challenged);
        if (!challenged)
            return result;
        // A Basic challenge is answered once, on a fresh connection, with the credentials.
        --m_auth.retries;
        m_auth.send = true;
        CloseSocket();
        http::UrlParts parts;
        if (!http::splitHttpUrl(m_url.c_str(), &parts) || !OpenSocket()) {
            SetState(net::kStateSuccess);
            return kSuccess;  // the 401 answer stays readable
        }
        connect = true;
    }
}

int I_Http::exchangeOnce(bool connect, bool* challenged)
{
    const net::Deadline deadline = net::Deadline::After(m_timeOut);
    m_status.Clear();
    m_downloadSize.store(0);
    m_headerLength = 0;
    if (connect) {
        const int r = connectPhase(deadline);
        if (r != 0)
            return r;
    }
    std::unique_ptr<net::I_ByteStream> stream;
    if (m_tls)
        stream = std::make_unique<net::TlsStream>(m_ssl, m_socket.Get());
    else
        stream = std::make_unique<net::SocketStream>(m_socket.Get());
    const std::string request = BuildRequest();
    const int sent = sendRequest(*stream, request, deadline);
    if (sent != 0)
        return sent;
    return receiveAndComplete(*stream, deadline, challenged);
}

int I_Http::connectPhase(const net::Deadline& deadline)
{
    // Where the connection goes: the proxy, or the host of the address. An explicit port in
    // the address is the port connected to; otherwise the object's port (80 means 443 for
    // TLS).
    net::ConnectTarget target;
    target.port = m_port;
    if (!http::splitHostPort(m_host, &target.host, &target.port)) {
        SetState(net::kStateBadUrl);
        return kFailed;
    }
    if (m_tls && target.port == 80)
        target.port = 443;
    target.tls = m_tls;
    target.connectHost = target.host;
    target.connectPort = target.port;
    target.viaProxy = m_proxy.use;
    if (target.viaProxy) {
        target.connectHost = m_proxy.host;
        target.connectPort = m_proxy.port;
        if (m_tls && target.connectPort == 80)
            target.connectPort = 443;
        target.proxyTimeOutMs = m_proxyTimeOut;
    }
    switch (net::connectStream(*this, m_socket.Get(), m_ssl, target, deadline, abortTest())) {
    case net::ConnectEnd::Connected:
        return 0;
    case net::ConnectEnd::Failed:
        return kFailed;
    case net::ConnectEnd::TimedOut:
        return kTimedOut;
    case net::ConnectEnd::Aborted:
        return kAborted;
    }
    return kFailed;
}

int I_Http::sendRequest(net::I_ByteStream& stream, const std::string& request, const net::Deadline& deadline)
{
    size_t done = 0;
    int budget = kSendRetries;
    while (done < request.size()) {
        if (IsAbort())
            return endAs(*this, net::kStateAborted, kAborted);
        if (deadline.Passed())
            return endAs(*this, net::kStateTimeOut, kTimedOut);
        const long r = stream.Write(request.data() + done, static_cast<long>(request.size() - done));
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r == net::I_ByteStream::kWouldBlock) {
            stream.WaitWritable(deadline.Slice(kPollSliceMs));
            continue;
        }
        if (--budget <= 0) {
            platform::socketShutdown(m_socket.Get(), platform::ShutdownHow::Both);
            SetState(net::kStateSendFailed);
            return kFailed;
        }
        const uint32_t start = qarvo_time_millis();
        while (qarvo_time_millis() - start < static_cast<uint32_t>(kSendPauseMs) && !IsAbort())
            qarvo_sleep_millis(kPollSliceMs);
    }
    return 0;
}

int I_Http::receiveAndComplete(net::I_ByteStream& stream, const net::Deadline& deadline, bool* challenged)
{
    http::ResponseReceiver::Settings settings;
    settings.bufferSize = static_cast<size_t>(m_bufferSize);
    settings.stream = m_streamMode ? m_stream.get() : nullptr;
    settings.decodeChunked = DecodesCodings();
    settings.decodeContent = DecodesCodings();
    settings.headRequest = m_method == kHead;
    http::ResponseReceiver receiver(settings);
    receiver.SetProgress([this](size_t n) { countProgress(n); });
    const auto end = receiver.Run(stream, deadline, abortTest(), &m_status);

    using End = http::ResponseReceiver::End;
    const bool keepAlive = m_version == 1 && m_connection == 1;
    if (!keepAlive || end != End::Complete)
        platform::socketShutdown(m_socket.Get(), platform::ShutdownHow::Both);
    m_headerLength = static_cast<int64_t>(receiver.GetHeaderLength());

    // Completion rules, in order: a used-up retry budget, nothing received, then (with what
    // came kept) abort and time-out, a failure, and the rules for a complete answer.
    if (end == End::Failed && receiver.GetStateCode() == net::kStateRecvFailed)
        return failedWith(receiver);
    if (!receiver.ReceivedAny()) {
        if (end == End::Aborted || end == End::TimedOut)
            return endAs(*this, receiver.GetStateCode(), end == End::Aborted ? kAborted : kTimedOut);
        if (end == End::Failed)
            return failedWith(receiver);
        return endAs(*this, net::kStateClosedBeforeData, kFailed);
    }
    if (!keepBody(receiver))
        return endAs(*this, net::kStateMemoryError, kFailed);
    if (end == End::Aborted || end == End::TimedOut)
        return endAs(*this, receiver.GetStateCode(), end == End::Aborted ? kAborted : kTimedOut);
    if (end == End::Failed)
        return failedWith(receiver);
    return completeAnswer(receiver, end == End::Complete, challenged);
}

int I_Http::failedWith(const http::ResponseReceiver& receiver)
{
    if (receiver.GetStateCode() >= 0)
        SetState(receiver.GetStateCode());
    else
        General_SetStateMessageA(receiver.GetErrorText().c_str());
    return kFailed;
}

bool I_Http::keepBody(http::ResponseReceiver& receiver)
{
    // In reader-stream mode the body has gone to the stream already.
    if (m_streamMode)
        return true;
    const size_t offset = receiver.GetBodyOffset();
    const size_t size = receiver.GetBodySize();
    if (m_resumeOffset > 0)
        return m_body.PlaceAt(static_cast<size_t>(m_resumeOffset), receiver.GetBuffer() + offset, size);
    m_body.Adopt(receiver.TakeBuffer(), offset, size);
    return true;
}

int I_Http::completeAnswer(const http::ResponseReceiver& receiver, bool endedComplete, bool* challenged)
{
    const int64_t downloaded = receiver.GetBodyBytes();
    const int64_t length = m_status.contentLength;
    const bool chunked = receiver.IsChunked();
    if (!chunked && m_checkLength && length > 0 && downloaded < length)
        return endAs(*this, kStateShortLength, kDisconnected);
    if (chunked && !receiver.SawLastChunk())
        return endAs(*this, kStateChunkUnfinished, kDisconnected);
    const char* challenge = GetHeaderField("WWW-Authenticate");
    if (m_auth.mode == 1 && m_auth.retries > 0 && m_status.statusCode == "401" && challenge &&
        text::containsNoCaseAscii(challenge, "basic")) {
        *challenged = true;
        return kSuccess;
    }
    if (endedComplete || length < 1 || downloaded == length || m_method == kHead) {
        if (m_streamMode && receiver.DecodingCutShort()) {
            General_SetStateMessageA(http::kCutShortText);
            return kFailed;
        }
        return decodeContent() ? endAs(*this, net::kStateSuccess, kSuccess) : kFailed;
    }
    return endAs(*this, kStatePartialData, kDisconnected);
}

bool I_Http::decodeContent()
{
    if (m_streamMode || !DecodesCodings() || m_body.Size() == 0)
        return true;
    const http::ContentCoding coding = http::contentCodingOf(m_status.contentEncoding);
    if (coding == http::ContentCoding::Identity)
        return true;
    platform::MemoryBlock decoded;
    size_t decodedSize = 0;
    C_String error;
    if (!http::decodeBody(coding, m_body.Data(), m_body.Size(), static_cast<size_t>(m_bufferSize), &decoded,
                          &decodedSize, &error)) {
        General_SetStateMessageA(error.c_str());
        return false;
    }
    m_body.Adopt(std::move(decoded), 0, decodedSize);
    return true;
}

}  // namespace qarvo
