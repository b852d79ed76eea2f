// Character conversions of any bytes, and their round trips where they must hold: valid
// UTF-16 -> UTF-8 -> UTF-16 is the identity; text that came out of CP932 without a
// replacement goes back to CP932 and out again unchanged; JIS and EUC forms of Shift_JIS text
// never break the converters.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_input.h"
#include "qarvo/charcode/char_code.h"
#include "qarvo/charcode/system_charcode.h"

namespace System = qarvo::common::System;
using qarvo::C_String;
using qarvo::C_WString;

namespace {

bool validUtf16(const std::u16string& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const C_String text(bytes);

    // UTF-8 -> UTF-16 -> UTF-8 -> UTF-16: the first conversion makes the text valid, after
    // which the round trip is exact.
    const C_WString wide = System::utf8_to_utf16(text);
    pelmora::fuzz::require(validUtf16(wide.std()));
    pelmora::fuzz::require(System::utf8_to_utf16(System::utf16_to_utf8(wide)) == wide);

    // The bytes read as UTF-16 units: when valid, UTF-8 and back is the identity.
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    const C_WString asUnits(units);
    const C_String utf8 = System::utf16_to_utf8(asUnits);
    if (validUtf16(units))
        pelmora::fuzz::require(System::utf8_to_utf16(utf8) == asUnits);

    // CP932: what decodes without a replacement character is on the mappable set.
    const C_WString fromSjis = System::sjis_to_utf16(text);
    if (fromSjis.std().find(u'\uFFFD') == std::u16string::npos && bytes.find('\0') == std::string::npos) {
        const C_String back = System::utf16_to_sjis(fromSjis);
        pelmora::fuzz::require(System::sjis_to_utf16(back) == fromSjis);
    }
    System::utf16_to_sjis(asUnits);
    int usedDefault = 0;
    System::utf8_to_sjis(text, &usedDefault);

    qarvo::CharCode::jis_to_sjis(text);
    qarvo::CharCode::euc_to_sjis(text);
    qarvo::CharCode::sjis_to_euc(text);
    qarvo::CharCode::sjis_to_jis(text, 1);
    return 0;
}
