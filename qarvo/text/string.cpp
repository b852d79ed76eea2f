#include "qarvo/text/string.h"

#include "qarvo/platform/codepage.h"
#include "qarvo/text/unicode.h"

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
    unicode::AppendUtf16Le(out, m_text.data(), m_text.size());
    return C_String(std::move(out));
}

void PrintTo(const C_String& text, std::ostream* out)
{
    *out << '"' << text.std() << '"';
}

void PrintTo(const C_WString& text, std::ostream* out)
{
    std::string utf8;
    const auto& s = text.std();
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (unicode::IsHighSurrogate(c) && i + 1 < s.size() && unicode::IsLowSurrogate(s[i + 1])) {
            c = unicode::CombineSurrogates(s[i], s[i + 1]);
            ++i;
        } else if (unicode::IsSurrogate(c)) {
            c = unicode::kReplacement;
        }
        unicode::AppendUtf8(utf8, c);
    }
    *out << "u\"" << utf8 << '"';
}

}  // namespace qarvo
