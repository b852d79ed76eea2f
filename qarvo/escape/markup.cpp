#include "qarvo/escape/markup.h"

#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>

#include "qarvo/escape/charset_text.h"

namespace qarvo::common::System {
namespace {

template <class CharT>
struct Entity {
    std::basic_string_view<CharT> text;
    CharT character;
    // 0: always encoded; 1: the double quote; 2: the single quote (see the quote style).
    int quoteFlag;
};

// The order is the order in which decoding tries the entries.
constexpr Entity<char> kHtml[] = {
    {"&amp;", '&', 0}, {"&quot;", '"', 1}, {"&#039;", '\'', 2}, {"&lt;", '<', 0}, {"&gt;", '>', 0},
};
constexpr Entity<char16_t> kHtmlWide[] = {
    {u"&amp;", u'&', 0}, {u"&quot;", u'"', 1}, {u"&#039;", u'\'', 2}, {u"&lt;", u'<', 0}, {u"&gt;", u'>', 0},
};
constexpr Entity<char> kXml[] = {
    {"&amp;", '&', 0}, {"&quot;", '"', 0}, {"&apos;", '\'', 0}, {"&lt;", '<', 0}, {"&gt;", '>', 0},
};

bool entityAllowed(int quoteFlag, int quoteStyle)
{
    switch (quoteFlag) {
    case 1:
        return (quoteStyle & 1) == 0;
    case 2:
        return (quoteStyle & 2) != 0;
    default:
        return true;
    }
}

// The byte-to-entity lookup done once per call rather than a table scan per byte.
template <class CharT, size_t N>
struct EncodeMap {
    const Entity<CharT>* byAscii[128] = {};

    EncodeMap(const Entity<CharT> (&table)[N], int quoteStyle)
    {
        for (const Entity<CharT>& e : table)
            if (entityAllowed(e.quoteFlag, quoteStyle) && !byAscii[static_cast<size_t>(e.character)])
                byAscii[static_cast<size_t>(e.character)] = &e;
    }
    const Entity<CharT>* find(CharT c) const
    {
        const auto u = static_cast<std::make_unsigned_t<CharT>>(c);
        return u < 128 ? byAscii[u] : nullptr;
    }
};

template <size_t N>
void encodeBytes(std::string& out, std::string_view in, const Entity<char> (&table)[N], int quoteStyle, TextWalk walk)
{
    const EncodeMap<char, N> map(table, quoteStyle);
    out.reserve(out.size() + in.size() + in.size() / 8);
    bool jisDoubleByte = false;
    size_t i = 0;
    while (i < in.size()) {
        const size_t length = characterLengthAt(in, i, walk, &jisDoubleByte);
        const Entity<char>* e = length == 1 ? map.find(in[i]) : nullptr;
        if (e)
            out.append(e->text);
        else
            out.append(in.substr(i, length));
        i += length;
    }
}

template <size_t N>
std::string encodeBytes(std::string_view in, const Entity<char> (&table)[N], int quoteStyle, TextWalk walk)
{
    std::string out;
    encodeBytes(out, in, table, quoteStyle, walk);
    return out;
}

void encodeWide(std::u16string& out, std::u16string_view in, int quoteStyle)
{
    const EncodeMap<char16_t, std::size(kHtmlWide)> map(kHtmlWide, quoteStyle);
    out.reserve(out.size() + in.size() + in.size() / 8);
    for (char16_t c : in) {
        if (const Entity<char16_t>* e = map.find(c))
            out.append(e->text);
        else
            out.push_back(c);
    }
}

// Quote flags do not matter here: every entity of the table is read back.
template <class CharT, size_t N>
void decode(std::basic_string<CharT>& out, std::basic_string_view<CharT> in, const Entity<CharT> (&table)[N])
{
    out.reserve(out.size() + in.size());
    size_t i = 0;
    while (i < in.size()) {
        const size_t amp = in.find(CharT('&'), i);
        if (amp == std::basic_string_view<CharT>::npos) {
            out.append(in.substr(i));
            break;
        }
        out.append(in.substr(i, amp - i));
        i = amp;
        const Entity<CharT>* hit = nullptr;
        for (const Entity<CharT>& e : table) {
            if (in.compare(i, e.text.size(), e.text) == 0) {
                hit = &e;
                break;
            }
        }
        if (hit) {
            out.push_back(hit->character);
            i += hit->text.size();
        } else {
            out.push_back(CharT('&'));
            ++i;
        }
    }
}

template <class CharT, size_t N>
std::basic_string<CharT> decode(std::basic_string_view<CharT> in, const Entity<CharT> (&table)[N])
{
    std::basic_string<CharT> out;
    decode(out, in, table);
    return out;
}

std::string_view viewOf(const char* text) { return text ? std::string_view(text) : std::string_view(); }
std::u16string_view viewOf(const char16_t* text) { return text ? std::u16string_view(text) : std::u16string_view(); }

}  // namespace

C_String htmlspecialchars(const C_String& text, int quoteStyle, const char* charset)
{
    return applyInCharset(text, charset,
                          [quoteStyle](std::string_view in, TextWalk walk) { return encodeBytes(in, kHtml, quoteStyle, walk); });
}

C_String htmlspecialchars_decode(const C_String& text, const char* charset)
{
    return applyInCharset(text, charset, [](std::string_view in, TextWalk) { return decode(in, kHtml); });
}

C_String xmlspecialchars(const C_String& text, const char* charset)
{
    return applyInCharset(text, charset, [](std::string_view in, TextWalk walk) { return encodeBytes(in, kXml, 0, walk); });
}

C_String xmlspecialchars_decode(const C_String& text, const char* charset)
{
    return applyInCharset(text, charset, [](std::string_view in, TextWalk) { return decode(in, kXml); });
}

C_String _htmlspecialchars_a(const C_String& text, int quoteStyle) { return htmlspecialchars(text, quoteStyle, "SJIS"); }

C_String _htmlspecialchars_decode_a(const C_String& text) { return htmlspecialchars_decode(text, "SJIS"); }

C_WString _htmlspecialchars_w(const C_WString& text, int quoteStyle)
{
    std::u16string out;
    encodeWide(out, text.view(), quoteStyle);
    return C_WString(std::move(out));
}

C_WString _htmlspecialchars_decode_w(const C_WString& text) { return C_WString(decode(text.view(), kHtmlWide)); }

C_WString _htmlspecialchars(const C_WString& text, int quoteStyle) { return _htmlspecialchars_w(text, quoteStyle); }

C_WString _htmlspecialchars_decode(const C_WString& text) { return _htmlspecialchars_decode_w(text); }

// The fast forms write straight into the caller's buffer.
int htmlspecialchars_fast(C_StringMemory* out, const char* text, int quoteStyle, const CharCode::CHAR_TYPE& type)
{
    if (!out)
        return 0;
    encodeBytes(out->std(), viewOf(text), kHtml, quoteStyle, walkFor(type));
    return out->Length();
}

int htmlspecialchars_decode_fast(C_StringMemory* out, const char* text)
{
    if (!out)
        return 0;
    decode(out->std(), viewOf(text), kHtml);
    return out->Length();
}

int xmlspecialchars_fast(C_StringMemory* out, const char* text, const CharCode::CHAR_TYPE& type)
{
    if (!out)
        return 0;
    encodeBytes(out->std(), viewOf(text), kXml, 0, walkFor(type));
    return out->Length();
}

int xmlspecialchars_decode_fast(C_StringMemory* out, const char* text)
{
    if (!out)
        return 0;
    decode(out->std(), viewOf(text), kXml);
    return out->Length();
}

int _htmlspecialchars_fast_a(C_StringMemory* out, const char* text, int quoteStyle)
{
    return htmlspecialchars_fast(out, text, quoteStyle, CharCode::SJIS);
}

int _htmlspecialchars_fast_w(C_WStringMemory* out, const char16_t* text, int quoteStyle)
{
    if (!out)
        return 0;
    encodeWide(out->std(), viewOf(text), quoteStyle);
    return out->Length();
}

int _htmlspecialchars_decode_fast_w(C_WStringMemory* out, const char16_t* text)
{
    if (!out)
        return 0;
    decode(out->std(), viewOf(text), kHtmlWide);
    return out->Length();
}

}  // namespace qarvo::common::System
