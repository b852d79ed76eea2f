#include "qarvo/escape/winname.h"

#include <string>
#include <string_view>

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/escape/charset_text.h"

namespace qarvo::common::System {
namespace {

struct Replacement {
    char character;
    char16_t wide;
    // The same look-alike in CP932.
    unsigned short sjis;
};

constexpr Replacement kReplacements[] = {
    {'"', 0x201C, 0x8167}, {'\\', 0xFFE5, 0x818F}, {'/', 0xFF0F, 0x815E}, {'*', 0xFF0A, 0x8196},
    {'<', 0xFF1C, 0x8183}, {'>', 0xFF1E, 0x8184},  {':', 0xFF1A, 0x8146}, {'?', 0xFF1F, 0x8148},
    {'|', 0xFF5C, 0x8162}, {'\t', 0x3000, 0x8140},
};

const Replacement* replacementFor(char16_t c)
{
    for (const Replacement& r : kReplacements)
        if (c == static_cast<unsigned char>(r.character))
            return &r;
    return nullptr;
}

std::string replaceInBytes(std::string_view in, TextWalk walk)
{
    std::string out;
    out.reserve(in.size() + in.size() / 4);
    bool jisDoubleByte = false;
    size_t i = 0;
    while (i < in.size()) {
        const size_t length = characterLengthAt(in, i, walk, &jisDoubleByte);
        const Replacement* r = length == 1 ? replacementFor(static_cast<unsigned char>(in[i])) : nullptr;
        if (!r) {
            out.append(in.substr(i, length));
        } else if (walk == TextWalk::Utf8) {
            out.append(_utf16_to_utf8(&r->wide, 1).std());
        } else {
            out.push_back(static_cast<char>(r->sjis >> 8));
            out.push_back(static_cast<char>(r->sjis & 0xFF));
        }
        i += length;
    }
    return out;
}

}  // namespace

C_WString _to_create_winname_w(const C_WString& text)
{
    std::u16string out;
    out.reserve(text.std().size());
    for (char16_t c : text.std()) {
        const Replacement* r = replacementFor(c);
        out.push_back(r ? r->wide : c);
    }
    return C_WString(std::move(out));
}

C_WString _to_create_winname(const C_WString& text) { return _to_create_winname_w(text); }

C_String to_create_winname(const C_String& text, const char* charset)
{
    return applyInCharset(text, charset, replaceInBytes);
}

C_String _to_create_winname_a(const C_String& text) { return to_create_winname(text, "SJIS"); }

}  // namespace qarvo::common::System
