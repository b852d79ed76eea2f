// The system code page (CP932) to and from UTF-16 and UTF-8. The byte work is the platform
// layer's; this file only shapes results and owns the arrays it hands out.

#include <algorithm>
#include <cstring>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/platform/codepage.h"

namespace qarvo::common::System {

C_WString sjis_to_utf16(const C_String& text)
{
    return C_WString(platform::codepageToUtf16(text.c_str(), text.std().size()));
}

int sjis_to_utf16(const unsigned char* text, unsigned length, C_WString* out)
{
    if (!text || length == 0 || !out)
        return 0;
    std::u16string wide = platform::codepageToUtf16(reinterpret_cast<const char*>(text), length);
    if (wide.empty())
        return 0;
    const int count = static_cast<int>(wide.size());
    *out = C_WString(std::move(wide));
    return count;
}

std::unique_ptr<char16_t[]> sjis_to_utf16(const char* text, const int& length, int* count)
{
    if (!text || length <= 0)
        return nullptr;
    const std::u16string wide = platform::codepageToUtf16(text, static_cast<size_t>(length));
    if (wide.empty())
        return nullptr;
    auto out = std::make_unique<char16_t[]>(wide.size() + 1);
    std::copy(wide.begin(), wide.end(), out.get());
    out[wide.size()] = 0;
    if (count)
        *count = static_cast<int>(wide.size());
    return out;
}

std::unique_ptr<char[]> utf16_to_sjis(const char16_t* text, const int& length, int* count)
{
    if (!text || length <= 0)
        return nullptr;
    const std::string bytes = platform::utf16ToCodepage(text, static_cast<size_t>(length));
    if (bytes.empty())
        return nullptr;
    auto out = std::make_unique<char[]>(bytes.size() + 1);
    std::memcpy(out.get(), bytes.data(), bytes.size());
    out[bytes.size()] = 0;
    if (count)
        *count = static_cast<int>(bytes.size());
    return out;
}

C_String utf16_to_sjis(const C_WString& text)
{
    return C_String(platform::utf16ToCodepage(text.c_str(), text.std().size()));
}

C_String sjis_to_utf8(const C_String& text)
{
    const std::u16string wide = platform::codepageToUtf16(text.c_str(), text.std().size());
    return _utf16_to_utf8(wide.c_str(), static_cast<int>(wide.size()));
}

C_String utf8_to_sjis(const C_String& text, int* usedDefault)
{
    const C_WString wide = utf8_to_utf16(text);
    bool replaced = false;
    C_String out(platform::utf16ToCodepage(wide.c_str(), wide.std().size(), &replaced));
    if (usedDefault)
        *usedDefault = replaced ? 1 : 0;
    return out;
}

}  // namespace qarvo::common::System
