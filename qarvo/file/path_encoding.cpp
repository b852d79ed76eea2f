#include "qarvo/file/path_encoding.h"

#include "qarvo/text/unicode.h"

namespace qarvo {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

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
        if (unicode::IsHighSurrogate(c) && i + 1 < w.size() && unicode::IsLowSurrogate(w[i + 1])) {
            unicode::AppendUtf8(*out, unicode::CombineSurrogates(c, w[i + 1]));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out->push_back(static_cast<char>(c - kEscapeBase));
        } else if (unicode::IsSurrogate(c)) {
            unicode::AppendUtf8(*out, unicode::kReplacement);
        } else {
            unicode::AppendUtf8(*out, c);
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
        const int n = unicode::ReadUtf8(reinterpret_cast<const unsigned char*>(bytes.data()) + i, bytes.size() - i, &value);
        if (n < 0) {
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
        i += static_cast<size_t>(n);
    }
    return C_WString(std::move(out));
}

}  // namespace qarvo
