#pragma once
// Encoding names, byte classes of the Japanese encodings, and the conversions between
// Shift_JIS and the 7-bit JIS (ISO-2022-JP) and EUC-JP forms used by the charset-aware
// escaping functions. All members are static and stateless.

#include "qarvo/text/string.h"

namespace qarvo {

class CharCode {
public:
    enum CHAR_TYPE {
        UNKNOWN = -1,
        SJIS = 0,
        CP932 = 1,
        EUC = 2,
        JIS = 3,
        UTF7 = 4,
        UTF8 = 5,
        UTF16 = 6,
        UTF16BE = 7,
        UTF16LE = 8,
        UTF32 = 9,
        UTF32BE = 10,
        UTF32LE = 11,
        ISO2022JP = 12,
    };

    // Case-insensitive lookup in the name table; UNKNOWN (-1) for a name not in it.
    static CHAR_TYPE getCharType(const C_String& name);
    // The first table name with that value ("SJIS" for SJIS, "UTF-8" for UTF8), or null.
    static const char* getCharTypeString(const CHAR_TYPE& type);

    // Byte classes: 1 or 0.
    static int is_sjis_kanji(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
    static int is_sjis_kanji2(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
    static int is_sjis_kana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }
    static int is_euc_kana(unsigned char c) { return c == 0x8E; }
    static int is_euc_kanji(unsigned char c) { return c >= 0xA1 && c <= 0xFE; }
    static int is_jis_kanji(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

    // Bytes in the character that starts with `byte` (only the low 8 bits are looked at, so a
    // sign-extended char works too): 2 for a Shift_JIS lead byte, else 1.
    static int sjis_char_bytes_count(int byte);
    // 1 below 0x80 and for a continuation byte; otherwise the number of leading 1-bits.
    static int utf8_char_bytes_count(int byte);

    // One double-byte character; the result is packed as (high byte << 8) | low byte.
    static int sjis_to_jis_char(int lead, int trail);
    static int jis_to_sjis_char(int first, int second);

    // Shift_JIS to 7-bit JIS; carriage returns are dropped unless keepCR is non-zero.
    static C_String sjis_to_jis(const C_String& text, int keepCR);
    // 7-bit JIS to Shift_JIS; a bare line feed becomes CR LF.
    static C_String jis_to_sjis(const C_String& text);
    static C_String euc_to_sjis(const C_String& text);
    static C_String sjis_to_euc(const C_String& text);
};

}  // namespace qarvo
