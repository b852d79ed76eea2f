#include "qarvo/escape/charset_text.h"

#include "qarvo/charcode/system_charcode.h"
#include "qarvo/text/unicode.h"

namespace qarvo::common::System {
namespace {

// Raw UTF-16LE bytes (what C_WString::ToByteString gives) as code units. A stray last byte
// cannot be a character; it becomes U+FFFD rather than vanishing.
std::u16string unitsFromBytes(const std::string& bytes)
{
    std::u16string units;
    units.reserve(bytes.size() / 2 + 1);
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    if (i < bytes.size())
        units.push_back(u'\uFFFD');
    return units;
}

std::string bytesFromUnits(const std::u16string& units)
{
    std::string bytes;
    unicode::AppendUtf16Le(bytes, units.data(), units.size());
    return bytes;
}

}  // namespace

TextWalk walkFor(CharCode::CHAR_TYPE type)
{
    switch (type) {
    case CharCode::SJIS:
    case CharCode::CP932:
        return TextWalk::ShiftJis;
    case CharCode::UTF8:
        return TextWalk::Utf8;
    case CharCode::JIS:
    case CharCode::ISO2022JP:
        return TextWalk::Jis;
    default:
        return TextWalk::Bytes;
    }
}

size_t characterLengthAt(std::string_view text, size_t at, TextWalk walk, bool* jisDoubleByte)
{
    const size_t left = text.size() - at;
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[at + k]); };
    switch (walk) {
    case TextWalk::ShiftJis:
        return left >= 2 && CharCode::is_sjis_kanji(byte(0)) && CharCode::is_sjis_kanji2(byte(1)) ? 2 : 1;
    case TextWalk::Jis:
        if (byte(0) == 0x1B && left >= 3) {
            if (byte(1) == '$' && (byte(2) == 'B' || byte(2) == '@')) {
                *jisDoubleByte = true;
                return 3;
            }
            if (byte(1) == '(' && (byte(2) == 'B' || byte(2) == 'J')) {
                *jisDoubleByte = false;
                return 3;
            }
        }
        return *jisDoubleByte && left >= 2 && CharCode::is_jis_kanji(byte(0)) && CharCode::is_jis_kanji(byte(1)) ? 2 : 1;
    case TextWalk::Utf8:
    case TextWalk::Bytes:
        break;
    }
    return 1;
}

C_String applyInCharset(const C_String& text, const char* charset, const WorkingOperation& operation)
{
    if (text.IsEmpty())
        return C_String();
    const CharCode::CHAR_TYPE type = CharCode::getCharType(C_String(charset ? charset : "Shift_JIS"));
    switch (type) {
    case CharCode::SJIS:
    case CharCode::CP932:
        return C_String(operation(text.view(), TextWalk::ShiftJis));
    case CharCode::UTF8:
        return C_String(operation(text.view(), TextWalk::Utf8));
    case CharCode::EUC: {
        const C_String working = CharCode::euc_to_sjis(text);
        return CharCode::sjis_to_euc(C_String(operation(working.view(), TextWalk::ShiftJis)));
    }
    case CharCode::JIS: {
        const C_String working = CharCode::jis_to_sjis(text);
        return CharCode::sjis_to_jis(C_String(operation(working.view(), TextWalk::ShiftJis)), 0);
    }
    case CharCode::UTF16: {
        const std::u16string units = unitsFromBytes(text.std());
        const C_String working = _utf16_to_utf8(units.c_str(), static_cast<int>(units.size()));
        const C_String result(operation(working.view(), TextWalk::Utf8));
        return C_String(bytesFromUnits(utf8_to_utf16(result).std()));
    }
    default:
        return C_String();
    }
}

}  // namespace qarvo::common::System
