// Encoding names, byte counts and the arithmetic between Shift_JIS and JIS X 0208 codes.

#include "qarvo/charcode/char_code.h"

namespace qarvo {
namespace {

struct NameEntry {
    const char* name;
    CharCode::CHAR_TYPE type;
};

// The order matters: getCharTypeString gives the first name of a value, so the hyphenated
// names come before the short aliases.
constexpr NameEntry kNames[] = {
    {"SJIS", CharCode::SJIS},         {"SHIFT-JIS", CharCode::SJIS},      {"SHIFT_JIS", CharCode::SJIS},
    {"CP932", CharCode::CP932},       {"EUC", CharCode::EUC},             {"JIS", CharCode::JIS},
    {"UTF-7", CharCode::UTF7},        {"UTF-8", CharCode::UTF8},          {"UTF-16", CharCode::UTF16},
    {"UTF-16BE", CharCode::UTF16BE},  {"UTF-16LE", CharCode::UTF16LE},    {"UTF-32", CharCode::UTF32},
    {"UTF-32BE", CharCode::UTF32BE},  {"UTF-32LE", CharCode::UTF32LE},    {"UTF7", CharCode::UTF7},
    {"UTF8", CharCode::UTF8},         {"UTF16", CharCode::UTF16},         {"UTF16BE", CharCode::UTF16BE},
    {"UTF16LE", CharCode::UTF16LE},   {"UTF32", CharCode::UTF32},         {"UTF32BE", CharCode::UTF32BE},
    {"UTF32LE", CharCode::UTF32LE},   {"ISO-2022-JP", CharCode::ISO2022JP}, {nullptr, CharCode::UNKNOWN},
};

}  // namespace

CharCode::CHAR_TYPE CharCode::getCharType(const C_String& name)
{
    C_String upper(name);
    upper.ToUpper();
    for (const NameEntry* e = kNames; e->name; ++e)
        if (upper == e->name)
            return e->type;
    return UNKNOWN;
}

const char* CharCode::getCharTypeString(const CHAR_TYPE& type)
{
    for (const NameEntry* e = kNames; e->name; ++e)
        if (e->type == type)
            return e->name;
    return nullptr;
}

int CharCode::sjis_char_bytes_count(int byte)
{
    return is_sjis_kanji(static_cast<unsigned char>(byte)) ? 2 : 1;
}

int CharCode::utf8_char_bytes_count(int byte)
{
    unsigned c = static_cast<unsigned char>(byte);
    if (c < 0x80 || (c & 0xC0) == 0x80)
        return 1;
    int count = 0;
    while (c & 0x80) {
        ++count;
        c = (c << 1) & 0xFF;
    }
    return count;
}

// Each pair of JIS rows shares one Shift_JIS lead byte; odd rows take the trail bytes
// 0x40..0x9E (skipping 0x7F), even rows 0x9F..0xFC.
int CharCode::sjis_to_jis_char(int lead, int trail)
{
    const int s1 = lead & 0xFF;
    const int s2 = trail & 0xFF;
    const int rowPair = s1 < 0xA0 ? s1 - 0x81 : s1 - 0xC1;
    int first, second;
    if (s2 < 0x9F) {
        first = 2 * rowPair + 33;
        second = s2 < 0x7F ? s2 - 31 : s2 - 32;
    } else {
        first = 2 * rowPair + 34;
        second = s2 - 126;
    }
    return ((first & 0xFF) << 8) | (second & 0xFF);
}

int CharCode::jis_to_sjis_char(int first, int second)
{
    const int j1 = first & 0xFF;
    const int j2 = second & 0xFF;
    int s2 = j2 + ((j1 & 1) ? 31 : 125);
    if (s2 > 126)
        ++s2;
    const int rowPair = (j1 - 33) >> 1;
    const int s1 = rowPair + (rowPair > 30 ? 193 : 129);
    return ((s1 & 0xFF) << 8) | (s2 & 0xFF);
}

}  // namespace qarvo
