// The request settings of I_Http and the accessors of the answer.
#include <cstring>

#include "qarvo/file/content_type.h"
#include "qarvo/http/http_interface.h"
#include "qarvo/http/request_files.h"
#include "qarvo/http/response_head.h"
#include "qarvo/text/ascii.h"

namespace qarvo {
namespace {

// Lines the object writes itself; a request property may not name them.
constexpr const char* kReservedNames[] = {"accept", "accept-language", "accept-encoding", "connection", "host",
                                          "user-agent"};

// A CR or LF inside a header value would end the line early and let the text smuggle in
// lines of its own.
bool breaksHeaderLine(const char* text)
{
    return text && std::strpbrk(text, "\r\n") != nullptr;
}

C_String hyphenated(const char* name)
{
    C_String s(name);
    s.Replace("_", "-");
    return s;
}

}  // namespace

I_Http::I_Http(const char* userAgent) : m_userAgent(userAgent), m_defaultAgent(userAgent) {}

I_Http::~I_Http() = default;

int I_Http::SetRequestMethod(int method)
{
    if (method < kGet || method > kHead)
        return 0;
    m_method = method;
    return 1;
}

int I_Http::SetHTTPVersion(int version)
{
    if (version < 0 || version > 1)
        return 0;
    m_version = version;
    return 1;
}

C_String I_Http::GetHTTPVersion() const
{
    return C_String::Stringf("HTTP/1.%d", m_version);
}

int I_Http::SetConnection(int mode)
{
    if (mode < 0 || mode > 2 || (mode == 1 && m_version == 0))
        return 0;
    m_connection = mode;
    return 1;
}

int I_Http::SetAcceptLanguage(int language)
{
    if (language < 0 || language > 3)
        return 0;
    m_acceptLanguage = language;
    return 1;
}

int I_Http::SetAcceptEncoding(int flags)
{
    if (flags < 0)
        return 0;
    m_acceptEncoding = flags;
    m_status.contentEncoding.Clear();
    return 1;
}

int I_Http::SetUserAgent(const char* agent)
{
    if (!agent || breaksHeaderLine(agent))
        return 0;
    m_userAgent = agent;
    return 1;
}

void I_Http::SetReferer(const char* referer)
{
    if (breaksHeaderLine(referer))
        return;
    m_referer = referer ? C_String(referer) : C_String();
}

int I_Http::SetPortNumber(int port)
{
    if (port < 0 || port > 65535)
        return 0;
    m_port = port;
    return 1;
}

int I_Http::SetRange(int64_t first, int64_t last)
{
    if (first < 0 || (last >= 0 && last < first))
        return 0;
    m_rangeFirst = first;
    m_rangeLast = last < 0 ? -1 : last;
    return 1;
}

int I_Http::SetContentType(int kind, const char* text)
{
    m_contentText = text && !breaksHeaderLine(text) ? C_String(text) : C_String();
    if (kind < kForm || kind > kTyped)
        return 0;
    m_contentKind = kind;
    return 1;
}

bool I_Http::EnableURLEncodeBody(bool encode)
{
    const bool previous = m_urlEncodeBody;
    m_urlEncodeBody = encode;
    return previous;
}

int I_Http::SetRequestProperty(const char* name, const char* value)
{
    if (!name || !value || !*name || breaksHeaderLine(name) || breaksHeaderLine(value) || std::strchr(name, ':'))
        return 0;
    const C_String stored = hyphenated(name);
    C_String lower = stored;
    lower.ToLower();
    for (const char* reserved : kReservedNames)
        if (lower == reserved)
            return 0;
    for (auto& entry : m_properties) {
        if (text::equalsNoCaseAscii(entry.first.view(), stored.view())) {
            entry.first = stored;
            entry.second = value;
            return 1;
        }
    }
    m_properties.emplace_back(stored, C_String(value));
    return 1;
}

int I_Http::AddBody(const char* name, const char* value)
{
    if (!name || !value)
        return 0;
    m_bodies.push_back(BODY{C_String(name), C_String(value)});
    return 1;
}

int I_Http::AddBody(const char* name, int value)
{
    return AddBody(name, C_String::Stringf("%d", value).c_str());
}

int I_Http::AddBody(int name, const char* value)
{
    return AddBody(C_String::Stringf("%d", name).c_str(), value);
}

int I_Http::AddBody(int name, int value)
{
    return AddBody(C_String::Stringf("%d", name).c_str(), C_String::Stringf("%d", value).c_str());
}

int I_Http::AddBody(const char* text)
{
    if (!text)
        return 0;
    m_bodyText = text;
    return 1;
}

void I_Http::DeleteBody()
{
    m_bodies.clear();
    m_bodyText.Clear();
}

int I_Http::SetBodyinMemory(const void* data, int size)
{
    if (size < 0 || (size > 0 && !data))
        return 0;
    m_rawBody.assign(static_cast<const char*>(data), static_cast<size_t>(size));
    return 1;
}

int I_Http::SetBodyinFile(const char* path)
{
    std::string bytes;
    if (!path || !http::readWholeFile(C_String(path), &bytes))
        return 0;
    m_rawBody = std::move(bytes);
    return 1;
}

int I_Http::SetAttachFile(const char* name, const char* path, const char* type)
{
    if (!name || !*name || !path || !http::fileOpens(C_String(path)))
        return 0;
    if (breaksHeaderLine(name) || breaksHeaderLine(path) || breaksHeaderLine(type) || std::strchr(name, '"') ||
        std::strchr(path, '"'))
        return 0;
    C_String contentType = type ? C_String(type) : C_String();
    if (contentType.IsEmpty()) {
        const C_String p(path);
        const int dot = p.LastIndexOf('.');
        if (dot >= 0)
            contentType = common::System::getContentType(p.SubString(dot));
        if (contentType.IsEmpty())
            contentType = "application/octet-stream";
    }
    m_attachments.push_back(ATTACH{C_String(name), C_String(path), contentType});
    return 1;
}

int I_Http::SetAuthorize(int mode, const char* user, const char* password, int flag)
{
    if (m_connectedOnce || mode < 0 || mode > 2 || (mode == 2 && flag != 0))
        return 0;
    m_auth.mode = mode;
    if (user && password)
        m_auth.credentials = C_String::Stringf("%s:%s", user, password);
    if (mode == 1)
        m_auth.send = false;
    else if (mode == 2)
        m_auth.send = true;
    return 1;
}

int I_Http::SetHTTPBufferSize(int size)
{
    if (size < kMinBufferSize)
        return 0;
    m_bufferSize = size;
    return 1;
}

int I_Http::SetProxy(const char* host, int port, bool use)
{
    if (m_socket.IsValid() || !host || port < 0 || port > 65535)
        return 0;
    m_proxy.host = host;
    m_proxy.port = port;
    m_proxy.use = use;
    return 1;
}

int I_Http::SetProxyMode(bool use)
{
    if (m_socket.IsValid())
        return 0;
    m_proxy.use = use;
    return 1;
}

int I_Http::SetReaderStream(bool on)
{
    m_streamMode = on;
    return 1;
}

// --- the answer ---

const char* I_Http::GetHeaderField(const char* name) const
{
    if (!name)
        return nullptr;
    C_String key(name);
    if (!key.EndsWith(":"))
        key += ":";
    for (const C_String& line : m_status.headers)
        if (const char* v = http::headerValueOf(line, key.c_str()))
            return v;
    return nullptr;
}

C_ArrayString I_Http::GetCookie() const
{
    C_ArrayString cookies;
    for (const C_String& line : m_status.headers)
        if (const char* v = http::headerValueOf(line, "set-cookie:"))
            cookies.AppEnd(C_String(v));
    return cookies;
}

int I_Http::GetResponse(char* dest, const int& capacity) const
{
    const size_t size = m_body.Size();
    if (!dest || capacity < 1 || static_cast<size_t>(capacity) < size)
        return 0;
    if (size > 0)
        std::memcpy(dest, m_body.Data(), size);
    return static_cast<int>(size);
}

int I_Http::GetResponse(C_Memory* dest) const
{
    const size_t size = m_body.Size();
    if (!dest || size == 0 || size > static_cast<size_t>(INT32_MAX))
        return 0;
    if (static_cast<size_t>(dest->GetSize()) < size && !dest->ReCreateBuffer(static_cast<int>(size)))
        return 0;
    std::memcpy(dest->GetMemory(), m_body.Data(), size);
    return static_cast<int>(size);
}

int64_t I_Http::TakeResponse(C_Memory* dest)
{
    if (!dest)
        return -1;
    const size_t size = m_body.Size();
    platform::MemoryBlock block = m_body.TakeTerminated();
    if (!block) {
        dest->DeleteBuffer();
        return -1;
    }
    dest->Adopt(std::move(block), size + 1);
    return static_cast<int64_t>(size);
}

C_String I_Http::GetResponseString() const
{
    return m_body.Size() > 0 ? C_String(std::string(m_body.Data(), m_body.Size())) : C_String();
}

int64_t I_Http::GetTotalAveDownloadSpeed() const
{
    const int seconds = m_speedSeconds.load(std::memory_order_relaxed);
    return GetDownloadSize() / (seconds > 0 ? seconds : 1);
}

bool I_Http::IsAbort() const
{
    if (m_abort.load(std::memory_order_acquire))
        return true;
    const std::atomic<int>* outside = m_outsideStop.load(std::memory_order_acquire);
    if (outside && outside->load(std::memory_order_acquire) != 0)
        return true;
    const std::atomic<bool>* outsideBool = m_outsideStopBool.load(std::memory_order_acquire);
    return outsideBool && outsideBool->load(std::memory_order_acquire);
}

void I_Http::ResetSettings()
{
    m_status.Clear();
    m_bodies.clear();
    m_bodyText.Clear();
    m_rawBody.clear();
    m_attachments.clear();
    m_boundary.Clear();
    m_downloadSize.store(0);
    m_headerLength = 0;
    m_host.Clear();
    m_tls = false;
    m_rangeFirst = 0;
    m_rangeLast = -1;
    m_resumeOffset = 0;
    m_auth = AUTHORIZE();
    m_connectedOnce = false;
    m_contentKind = kForm;
    m_contentText.Clear();
    m_acceptEncoding = 3;
    m_acceptLanguage = 1;
}

void I_Http::ResetResponse()
{
    m_status.Clear();
    m_downloadSize.store(0);
    m_headerLength = 0;
}

}  // namespace qarvo
