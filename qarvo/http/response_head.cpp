#include "qarvo/http/response_head.h"

#include <cstring>

#include "qarvo/text/ascii.h"

namespace qarvo::http {

int64_t parseContentLength(const char* value)
{
    while (*value == ' ' || *value == '\t')
        ++value;
    if (*value < '0' || *value > '9')
        return -1;
    int64_t v = 0;
    for (; *value >= '0' && *value <= '9'; ++value) {
        // A length beyond any buffer is as good as none; it must not wrap.
        if (v > (INT64_MAX - 9) / 10)
            return -1;
        v = v * 10 + (*value - '0');
    }
    return v;
}

const char* headerValueOf(const C_String& line, const char* nameWithColon)
{
    const size_t n = std::strlen(nameWithColon);
    if (!text::startsWithNoCaseAscii(line.view(), std::string_view(nameWithColon, n)))
        return nullptr;
    const char* value = line.c_str() + n;
    if (*value == ' ')
        ++value;
    return value;
}

int statusNumberOf(const char* data, size_t length)
{
    // Only the status line counts: a space in a later header line is no status.
    if (const void* lf = std::memchr(data, '\n', length))
        length = static_cast<size_t>(static_cast<const char*>(lf) - data);
    const void* sp = std::memchr(data, ' ', length);
    if (!sp)
        return 0;
    size_t i = static_cast<size_t>(static_cast<const char*>(sp) - data) + 1;
    int v = 0, digits = 0;
    for (; i < length && digits < 3 && data[i] >= '0' && data[i] <= '9'; ++i, ++digits)
        v = v * 10 + (data[i] - '0');
    return digits == 3 ? v : 0;
}

void parseResponseHead(const char* data, size_t length, I_HttpType::tag_HttpStatus* status)
{
    status->Clear();
    // The status code: between the first and the second space of the first line.
    const char* lineEnd = static_cast<const char*>(std::memchr(data, '\n', length));
    const size_t firstLine = lineEnd ? static_cast<size_t>(lineEnd - data) : length;
    const char* sp1 = static_cast<const char*>(std::memchr(data, ' ', firstLine));
    if (sp1) {
        const size_t from = static_cast<size_t>(sp1 - data) + 1;
        size_t to = from;
        while (to < firstLine && data[to] != ' ' && data[to] != '\r')
            ++to;
        if (to - from < 12)
            status->statusCode = C_String(data + from, static_cast<int>(to - from));
    }
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && data[i] != '\r' && data[i] != '\n')
            continue;
        if (i > start) {
            const C_String line(data + start, static_cast<int>(i - start));
            status->headers.AppEnd(line);
            if (const char* v = headerValueOf(line, "Date:"))
                status->date = v;
            else if (const char* v = headerValueOf(line, "Server:"))
                status->server = v;
            else if (const char* v = headerValueOf(line, "Content-Length:"))
                status->contentLength = parseContentLength(v);
            else if (const char* v = headerValueOf(line, "Content-Type:"))
                status->contentType = v;
            else if (const char* v = headerValueOf(line, "Content-Encoding:"))
                status->contentEncoding = v;
            else if (const char* v = headerValueOf(line, "Last-Modified:"))
                status->lastModified = v;
            else if (const char* v = headerValueOf(line, "ETag:"))
                status->etag = v;
        }
        start = i + 1;
    }
}

}  // namespace qarvo::http
