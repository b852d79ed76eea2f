// What the client puts on the wire: the header block in its fixed order and the bodies.
#include <ctime>

#include "qarvo/escape/base64.h"
#include "qarvo/escape/url.h"
#include "qarvo/http/http_interface.h"
#include "qarvo/http/request_files.h"

namespace qarvo {
namespace {

const char* methodWord(int method)
{
    switch (method) {
    case I_HttpType::kPost:
        return "POST";
    case I_HttpType::kHead:
        return "HEAD";
    default:
        return "GET";
    }
}

const char* languageWord(int language)
{
    switch (language) {
    case 1:
        return "ja";
    case 2:
        return "en";
    case 3:
        return "en-us";
    default:
        return nullptr;
    }
}

// The fixed texts of one multipart part, as counted by GetBodySize.
constexpr int kAttachOverhead = 78;
constexpr int kFieldOverhead = 49;
constexpr int kClosingOverhead = 6;

}  // namespace

int I_Http::SetDefaultHeader(C_String* out) const
{
    C_String language;
    if (const char* word = languageWord(m_acceptLanguage))
        language = C_String::Stringf("Accept-Language: %s\r\n", word);
    C_String encodings;
    if (m_acceptEncoding & 2)
        encodings += "gzip";
    if (m_acceptEncoding & 1)
        encodings += encodings.IsEmpty() ? "deflate" : ",deflate";
    C_String connection;
    if (m_connection == 0)
        connection = "Connection: close\r\n";
    else if (m_connection == 1)
        connection = "Connection: keep-alive\r\n";
    // A plain request through a proxy names the whole address; inside a CONNECT tunnel the
    // origin server is spoken to directly and gets its path.
    const bool absolute = m_proxy.use && !m_tls;
    const C_String head = C_String::Stringf(
        "%s %s %s\r\nAccept: */*\r\n%sAccept-Encoding: %s\r\n%sHost: %s\r\nUser-Agent: %s\r\n", methodWord(m_method),
        absolute ? m_url.c_str() : m_uri.c_str(), GetHTTPVersion().c_str(), language.c_str(), encodings.c_str(),
        connection.c_str(), m_host.c_str(), m_userAgent.c_str());
    if (out)
        *out = head;
    return head.Length();
}

C_String I_Http::GetBody() const
{
    const bool encode = m_contentKind == kForm && m_urlEncodeBody;
    auto coded = [encode](const C_String& text) { return encode ? common::System::_url_encode_a(text, 0) : text; };
    C_String body;
    for (const BODY& field : m_bodies) {
        if (!body.IsEmpty())
            body += "&";
        body += coded(field.name);
        body += "=";
        body += coded(field.value);
    }
    if (!m_bodyText.IsEmpty()) {
        if (!m_bodies.empty())
            body += "&";
        body += coded(m_bodyText);
    }
    return body;
}

C_String I_Http::GetBoundary()
{
    if (!m_boundary.IsEmpty())
        return m_boundary;
    const uint64_t now = static_cast<uint64_t>(std::time(nullptr));
    unsigned n[8];
    for (int i = 0; i < 4; ++i)
        n[i] = static_cast<unsigned>((now >> (8 * i)) & 0xff);
    const uint32_t mixed = static_cast<uint32_t>(now * 2654435761u) ^ static_cast<uint32_t>(now >> 32);
    n[4] = mixed & 0xffff;
    n[5] = mixed >> 16;
    n[6] = (n[0] << 8 | n[1]) ^ n[5];
    n[7] = mixed;

    const C_String body = GetBody();
    for (;;) {
        const C_String candidate = C_String::Stringf("---------------------------%x%x%x%x%x%x%x%x", n[0], n[1],
                                                     n[2], n[3], n[4], n[5], n[6], n[7]);
        // The attachments are searched piece by piece, never held whole.
        bool clash = body.Contains(candidate);
        for (const ATTACH& a : m_attachments)
            clash = clash || http::fileContains(a.path, candidate.std());
        if (!clash) {
            m_boundary = candidate;
            return m_boundary;
        }
        ++n[7];
    }
}

int64_t I_Http::GetBodySize(const C_String& boundary) const
{
    if (m_contentKind != kMultipart)
        return GetBody().Length();
    const int64_t b = boundary.Length();
    int64_t total = 0;
    for (const ATTACH& a : m_attachments) {
        const int64_t size = http::fileSize(a.path);
        if (size >= 0)
            total += size + a.name.Length() + a.path.Length() + a.type.Length() + b + kAttachOverhead;
    }
    for (const BODY& field : m_bodies)
        total += b + field.name.Length() + field.value.Length() + kFieldOverhead;
    return total + b + kClosingOverhead;
}

std::string I_Http::BuildRequest()
{
    C_String head;
    SetDefaultHeader(&head);
    std::string out = head.std();
    if (!m_referer.IsEmpty())
        out += C_String::Stringf("Referer: %s\r\n", m_referer.c_str()).std();
    for (const auto& [name, value] : m_properties)
        out += C_String::Stringf("%s: %s\r\n", name.c_str(), value.c_str()).std();
    if (m_rangeFirst > 0) {
        if (m_rangeLast < 0)
            out += C_String::Stringf("Range: bytes=%lld-\r\n", static_cast<long long>(m_rangeFirst)).std();
        else
            out += C_String::Stringf("Range: bytes=%lld-%lld\r\n", static_cast<long long>(m_rangeFirst),
                                     static_cast<long long>(m_rangeLast))
                       .std();
    }
    if (m_auth.send)
        out += C_String::Stringf("Authorization: Basic %s\r\n",
                                 common::System::base64_encode(m_auth.credentials).c_str())
                   .std();
    if (m_method != kPost) {
        out += "\r\n";
        return out;
    }

    if (m_contentKind == kMultipart && (!m_attachments.empty() || !m_bodies.empty())) {
        const C_String boundary = GetBoundary();
        // Each file is read once, straight into the request after the head; the content lines
        // go in front of the parts afterwards, so that Content-Length is the exact count sent
        // even if a file changed size since it was attached.
        const size_t headEnd = out.size();
        const int64_t expected = GetBodySize(boundary);
        out.reserve(headEnd + static_cast<size_t>(expected > 0 ? expected : 0) + 256);
        std::string& parts = out;
        for (const ATTACH& a : m_attachments) {
            const size_t partStart = parts.size();
            parts += C_String::Stringf("--%s\r\n", boundary.c_str()).std();
            parts += C_String::Stringf("Content-Disposition: form-data; name=\"%s\"; filename=\"%s\"\r\n",
                                       a.name.c_str(), a.path.c_str())
                         .std();
            parts += C_String::Stringf("Content-Type: %s\r\n\r\n", a.type.c_str()).std();
            if (!http::appendWholeFile(a.path, &parts)) {
                parts.resize(partStart);
                continue;
            }
            parts += "\r\n";
        }
        for (const BODY& field : m_bodies) {
            parts += C_String::Stringf("--%s\r\n", boundary.c_str()).std();
            parts += C_String::Stringf("Content-Disposition: form-data; name=\"%s\"\r\n\r\n", field.name.c_str()).std();
            parts += field.value.std();
            parts += "\r\n";
        }
        parts += C_String::Stringf("--%s--\r\n", boundary.c_str()).std();
        parts += m_rawBody;
        std::string lines;
        if (m_contentText.IsEmpty())
            lines += C_String::Stringf("Content-Type: multipart/form-data; boundary=%s\r\n", boundary.c_str()).std();
        else
            lines += C_String::Stringf("Content-Type: multipart/form-data; boundary=%s; charset=%s\r\n",
                                       boundary.c_str(), m_contentText.c_str())
                         .std();
        lines += C_String::Stringf("Content-Length: %zu\r\n\r\n", out.size() - headEnd).std();
        out.insert(headEnd, lines);
        return out;
    }

    const C_String text = m_contentKind == kMultipart ? C_String() : GetBody();
    if (m_contentKind == kForm) {
        if (m_contentText.IsEmpty())
            out += "Content-Type: application/x-www-form-urlencoded\r\n";
        else
            out += C_String::Stringf("Content-Type: application/x-www-form-urlencoded; charset=%s\r\n",
                                     m_contentText.c_str())
                       .std();
    } else if (m_contentKind == kTyped && !m_contentText.IsEmpty()) {
        out += C_String::Stringf("Content-Type: %s\r\n", m_contentText.c_str()).std();
    }
    // A multipart request without parts sends its raw bytes as a plain body.
    out += C_String::Stringf("Content-Length: %zu\r\n\r\n", static_cast<size_t>(text.Length()) + m_rawBody.size())
               .std();
    out += text.std();
    out += m_rawBody;
    return out;
}

}  // namespace qarvo
