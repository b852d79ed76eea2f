// Shift_JIS <-> 7-bit JIS (ISO-2022-JP) and EUC-JP, for the charset-aware escaping functions.
//
// The whole input is converted, embedded NULs included. A byte that cannot start a complete
// double-byte character here (a lead byte at the very end, or one followed by a byte that
// cannot pair with it) is copied alone rather than merged with its neighbour: merging would
// swallow a following markup or path character into a made-up kanji.

#include <string>

#include "qarvo/charcode/char_code.h"

namespace qarvo {
namespace {

constexpr char kEsc = 0x1B;

bool isSjisPairAt(const std::string& s, size_t i)
{
    return i + 1 < s.size() && CharCode::is_sjis_kanji(static_cast<unsigned char>(s[i])) &&
           CharCode::is_sjis_kanji2(static_cast<unsigned char>(s[i + 1]));
}

void appendPacked(std::string& out, int packed, int highBits)
{
    out.push_back(static_cast<char>(((packed >> 8) & 0xFF) | highBits));
    out.push_back(static_cast<char>((packed & 0xFF) | highBits));
}

// A byte that may be half of a double-byte character in JIS's double-byte mode.
bool isJisPairByte(unsigned char c) { return c > 32 && c != 127; }

}  // namespace

C_String CharCode::sjis_to_jis(const C_String& text, int keepCR)
{
    const std::string& s = text.std();
    std::string out;
    out.reserve(s.size() + s.size() / 2 + 8);
    size_t i = 0;
    while (i < s.size()) {
        if (isSjisPairAt(s, i)) {
            // One shift-in for the whole run of double-byte characters, one shift-out after it.
            out += kEsc;
            out += "$B";
            while (isSjisPairAt(s, i)) {
                appendPacked(out, sjis_to_jis_char(static_cast<unsigned char>(s[i]), static_cast<unsigned char>(s[i + 1])), 0);
                i += 2;
            }
            out += kEsc;
            out += "(J";
            continue;
        }
        const char c = s[i++];
        if (c == '\r' && !keepCR)
            continue;
        out.push_back(c);
    }
    return C_String(std::move(out));
}

C_String CharCode::jis_to_sjis(const C_String& text)
{
    const std::string& s = text.std();
    std::string out;
    out.reserve(s.size() + s.size() / 8 + 2);
    bool doubleByte = false;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == 0x1B && s.size() - i >= 3) {
            const char a = s[i + 1], b = s[i + 2];
            if (a == '$' && (b == 'B' || b == '@')) {
                doubleByte = true;
                i += 3;
                continue;
            }
            if (a == '(' && (b == 'B' || b == 'J')) {
                doubleByte = false;
                i += 3;
                continue;
            }
        }
        if (c == '\n' && (i == 0 || s[i - 1] != '\r')) {
            out += "\r\n";
            ++i;
            continue;
        }
        if (doubleByte && isJisPairByte(c) && i + 1 < s.size() && isJisPairByte(static_cast<unsigned char>(s[i + 1]))) {
            appendPacked(out, jis_to_sjis_char(c, static_cast<unsigned char>(s[i + 1])), 0);
            i += 2;
            continue;
        }
        out.push_back(static_cast<char>(c));
        ++i;
    }
    return C_String(std::move(out));
}

C_String CharCode::euc_to_sjis(const C_String& text)
{
    const std::string& s = text.std();
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        if (is_euc_kana(c) && is_sjis_kana(next)) {
            // Half-width katakana: the second byte is already its Shift_JIS code.
            out.push_back(static_cast<char>(next));
            i += 2;
        } else if (is_euc_kanji(c) && is_euc_kanji(next)) {
            appendPacked(out, jis_to_sjis_char(c & 0x7F, next & 0x7F), 0);
            i += 2;
        } else {
            out.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return C_String(std::move(out));
}

C_String CharCode::sjis_to_euc(const C_String& text)
{
    const std::string& s = text.std();
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (isSjisPairAt(s, i)) {
            appendPacked(out, sjis_to_jis_char(c, static_cast<unsigned char>(s[i + 1])), 0x80);
            i += 2;
            continue;
        }
        // Half-width katakana needs its single-shift prefix in EUC; without it the byte would
        // be read back as the first half of a kanji and the text would change on a round trip.
        if (is_sjis_kana(c))
            out.push_back(static_cast<char>(0x8E));
        out.push_back(static_cast<char>(c));
        ++i;
    }
    return C_String(std::move(out));
}

}  // namespace qarvo
