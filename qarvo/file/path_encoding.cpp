#include "qarvo/file/path_encoding.h"

namespace qarvo {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when it is not one.
size_t sequenceLength(const std::string& s, size_t i, char32_t* value)
{
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    const size_t left = s.size() - i;
    if (b0 >= 0xC2 && b0 <= 0xDF && left >= 2 && isContinuation(static_cast<unsigned char>(s[i + 1]))) {
        *value = (char32_t(b0 & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF && left >= 3) {
        const unsigned char b1 = static_cast<unsigned char>(s[i + 1]);
        const unsigned char b2 = static_cast<unsigned char>(s[i + 2]);
        // No overlong forms, no encoded surrogates.
        const bool ok = isContinuation(b1) && isContinuation(b2) && !(b0 == 0xE0 && b1 < 0xA0) &&
                        !(b0 == 0xED && b1 >= 0xA0);
        if (ok) {
            *value = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | (b2 & 0x3F);
            return 3;
        }
    }
    if (b0 >= 0xF0 && b0 <= 0xF4 && left >= 4) {
        const unsigned char b1 = static_cast<unsigned char>(s[i + 1]);
        const unsigned char b2 = static_cast<unsigned char>(s[i + 2]);
        const unsigned char b3 = static_cast<unsigned char>(s[i + 3]);
        const bool ok = isContinuation(b1) && isContinuation(b2) && isContinuation(b3) &&
                        !(b0 == 0xF0 && b1 < 0x90) && !(b0 == 0xF4 && b1 >= 0x90);
        if (ok) {
            *value = (char32_t(b0 & 0x07) << 18) | (char32_t(b1 & 0x3F) << 12) | (char32_t(b2 & 0x3F) << 6) |
                     (b3 & 0x3F);
            return 4;
        }
    }
    return 0;
}

}  // namespace

bool PathToUtf8(const C_WString& path, std::string* out)
{
    out->clear();
    const std::u16string& w = path.std();
    out->reserve(w.size());
    for (size_t i = 0; i < w.size(); ++i) {
        const char16_t c = w[i];
        if (c == 0) {
            out->clear();
            return false;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            appendUtf8(*out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(w[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out->push_back(static_cast<char>(c - kEscapeBase));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            appendUtf8(*out, 0xFFFD);
        } else {
            appendUtf8(*out, c);
        }
    }
    return true;
}

C_WString PathFromUtf8(const std::string& bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        char32_t value = 0;
        const size_t n = sequenceLength(bytes, i, &value);
        if (n == 0) {
            out.push_back(static_cast<char16_t>(kEscapeBase + b));
            ++i;
            continue;
        }
        if (value >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(value));
        }
        i += n;
    }
    return C_WString(std::move(out));
}

}  // namespace qarvo
