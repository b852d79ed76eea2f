// printf-style formatting for 8-bit and UTF-16 text.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>

#include "qarvo/text/string.h"

namespace qarvo {
namespace {

// Appends one number conversion by handing a narrow copy of the directive to vsnprintf-free
// snprintf; `directive` is the whole directive ("%-08lld").
template <class T>
void appendNumber(std::u16string& out, const char* directive, T value)
{
    char buf[512];
    int n = std::snprintf(buf, sizeof(buf), directive, value);
    if (n < 0)
        return;
    if (static_cast<size_t>(n) < sizeof(buf)) {
        out.append(buf, buf + n);
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), directive, value);
    out.append(big.begin(), big.begin() + n);
}

void appendPadded(std::u16string& out, std::u16string_view text, int width, bool left)
{
    const int pad = width > static_cast<int>(text.size()) ? width - static_cast<int>(text.size()) : 0;
    if (!left)
        out.append(static_cast<size_t>(pad), u' ');
    out.append(text);
    if (left)
        out.append(static_cast<size_t>(pad), u' ');
}

// The UTF-16 formatter. Consumes `args` like vsnprintf would.
bool formatWide(std::u16string& out, const char16_t* format, va_list args)
{
    for (const char16_t* p = format; *p; ++p) {
        if (*p != u'%') {
            out.push_back(*p);
            continue;
        }
        const char16_t* start = p++;
        if (*p == u'%') {
            out.push_back(u'%');
            continue;
        }
        std::string directive = "%";
        bool left = false;
        while (*p && std::strchr("-+ #0", static_cast<char>(*p)) && *p < 0x80) {
            left = left || *p == u'-';
            directive.push_back(static_cast<char>(*p++));
        }
        int width = -1, precision = -1;
        if (*p == u'*') {
            width = va_arg(args, int);
            if (width < 0) {
                left = true;
                width = -width;
                directive.push_back('-');
            }
            directive += std::to_string(width);
            ++p;
        } else {
            while (*p >= u'0' && *p <= u'9') {
                width = (width < 0 ? 0 : width * 10) + (*p - u'0');
                directive.push_back(static_cast<char>(*p++));
            }
        }
        if (*p == u'.') {
            directive.push_back('.');
            ++p;
            precision = 0;
            if (*p == u'*') {
                precision = va_arg(args, int);
                directive += std::to_string(precision < 0 ? 0 : precision);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9') {
                    precision = precision * 10 + (*p - u'0');
                    directive.push_back(static_cast<char>(*p++));
                }
            }
        }
        std::string length;
        while (*p == u'h' || *p == u'l' || *p == u'z' || *p == u'j' || *p == u't' || *p == u'L')
            length.push_back(static_cast<char>(*p++));
        const char16_t conv = *p;
        if (!conv)
            return false;
        switch (conv) {
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            directive += length;
            directive.push_back(static_cast<char>(conv));
            if (length == "ll" || length == "j")
                appendNumber(out, directive.c_str(), va_arg(args, long long));
            else if (length == "l" || length == "z" || length == "t")
                appendNumber(out, directive.c_str(), va_arg(args, long));
            else
                appendNumber(out, directive.c_str(), va_arg(args, int));
            break;
        }
        case u'e':
        case u'E':
        case u'f':
        case u'F':
        case u'g':
        case u'G':
            if (length == "L") {
                directive.push_back('L');
                directive.push_back(static_cast<char>(conv));
                appendNumber(out, directive.c_str(), va_arg(args, long double));
            } else {
                directive.push_back(static_cast<char>(conv));
                appendNumber(out, directive.c_str(), va_arg(args, double));
            }
            break;
        case u'p':
            appendNumber(out, "%p", va_arg(args, void*));
            break;
        case u'c': {
            const char16_t ch = static_cast<char16_t>(va_arg(args, int));
            appendPadded(out, std::u16string_view(&ch, 1), width, left);
            break;
        }
        case u's':
        case u'S': {
            std::u16string text;
            if (conv == u'S' || length == "h") {
                const char* s = va_arg(args, const char*);
                for (const char* q = s ? s : "(null)"; *q; ++q)
                    text.push_back(static_cast<unsigned char>(*q));
            } else {
                const char16_t* s = va_arg(args, const char16_t*);
                text = s ? s : u"(null)";
            }
            std::u16string_view view(text);
            if (precision >= 0 && static_cast<size_t>(precision) < view.size())
                view = view.substr(0, static_cast<size_t>(precision));
            appendPadded(out, view, width, left);
            break;
        }
        case u'n':
            (void)va_arg(args, int*);
            break;
        default:
            // Unknown directive: written as it stands.
            out.append(start, p + 1);
            break;
        }
    }
    return true;
}

}  // namespace

int qarvo_safe_vsnprintf_a(char* buffer, size_t size, char** allocated, const char* format, va_list args)
{
    if (allocated)
        *allocated = nullptr;
    if (!format)
        return -1;
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(buffer, buffer ? size : 0, format, args);
    if (n < 0 || (buffer && static_cast<size_t>(n) < size) || !allocated) {
        va_end(copy);
        return n;
    }
    char* big = new char[static_cast<size_t>(n) + 1];
    std::vsnprintf(big, static_cast<size_t>(n) + 1, format, copy);
    va_end(copy);
    *allocated = big;
    return n;
}

int qarvo_safe_vsnprintf_w(char16_t* buffer, size_t size, char16_t** allocated, const char16_t* format,
                           va_list args)
{
    if (allocated)
        *allocated = nullptr;
    if (!format)
        return -1;
    std::u16string out;
    if (!formatWide(out, format, args))
        return -1;
    const size_t n = out.size();
    if (buffer && n < size) {
        std::memcpy(buffer, out.data(), n * sizeof(char16_t));
        buffer[n] = 0;
        return static_cast<int>(n);
    }
    if (allocated) {
        char16_t* big = new char16_t[n + 1];
        std::memcpy(big, out.data(), n * sizeof(char16_t));
        big[n] = 0;
        *allocated = big;
    }
    return static_cast<int>(n);
}

C_String C_String::StringfV(const char* format, va_list args)
{
    if (!format)
        return C_String();
    char local[1024];
    char* big = nullptr;
    const int n = qarvo_safe_vsnprintf_a(local, sizeof(local), &big, format, args);
    if (n < 0)
        return C_String();
    std::unique_ptr<char[]> owner(big);
    return C_String(big ? big : local, n);
}

C_String C_String::Stringf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    C_String s = StringfV(format, args);
    va_end(args);
    return s;
}

C_WString C_WString::StringfV(const char16_t* format, va_list args)
{
    if (!format)
        return C_WString();
    std::u16string out;
    if (!formatWide(out, format, args))
        return C_WString();
    return C_WString(std::move(out));
}

C_WString C_WString::Stringf(const char16_t* format, ...)
{
    va_list args;
    va_start(args, format);
    C_WString s = StringfV(format, args);
    va_end(args);
    return s;
}

}  // namespace qarvo
