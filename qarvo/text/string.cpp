#include "qarvo/text/string.h"

#include "qarvo/platform/codepage.h"

#include <ostream>

namespace qarvo {

C_WString C_String::ToByteWString() const
{
    std::u16string out;
    out.reserve(m_text.size());
    for (unsigned char c : m_text)
        out.push_back(c);
    return C_WString(std::move(out));
}

C_WString C_String::ToWString() const
{
    return C_WString(platform::codepageToUtf16(m_text.data(), m_text.size()));
}

C_WString::C_WString(const C_String& text) : StringBase(platform::codepageToUtf16(text.c_str(), text.std().size()))
{
}

C_WString::C_WString(const char* text)
    : StringBase(text ? platform::codepageToUtf16(text, std::strlen(text)) : std::u16string())
{
}

C_String C_WString::ToString() const
{
    return C_String(platform::utf16ToCodepage(m_text.data(), m_text.size()));
}

C_String C_WString::ToByteString() const
{
    std::string out;
    out.reserve(m_text.size() * 2);
    for (char16_t c : m_text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return C_String(std::move(out));
}

void PrintTo(const C_String& text, std::ostream* out)
{
    *out << '"' << text.std() << '"';
}

void PrintTo(const C_WString& text, std::ostream* out)
{
    // A small UTF-16 -> UTF-8 writer so that this layer needs no conversion library.
    std::string utf8;
    const auto& s = text.std();
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            utf8.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (c >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    *out << "u\"" << utf8 << '"';
}

}  // namespace qarvo
