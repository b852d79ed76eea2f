#include "qarvo/escape/url.h"

#include <array>
#include <string>
#include <string_view>

#include "qarvo/text/integer.h"

namespace qarvo::common::System {
namespace {

using ByteSet = std::array<bool, 256>;

constexpr ByteSet makeSet(std::string_view extra)
{
    ByteSet set{};
    for (int c = '0'; c <= '9'; ++c)
        set[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        set[c] = true;
    for (int c = 'a'; c <= 'z'; ++c)
        set[c] = true;
    for (char c : extra)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}

constexpr ByteSet kFormKeep = makeSet("@~-._");
constexpr ByteSet kRfc2396Keep = makeSet("-_.!~*'()");
constexpr ByteSet kUriKeep = makeSet("!#$&'()*+,-./:;=?@_~");

enum class Space { Plus, Percent };

std::string percentEncode(const std::string& in, const ByteSet& keep, Space space)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(in.size() + in.size() / 2);
    for (char ch : in) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep[c]) {
            out.push_back(ch);
        } else if (c == ' ' && space == Space::Plus) {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

int hexValue(char c)
{
    return qarvo_hexdigit(static_cast<unsigned char>(c));
}

C_WString throughCodePage(const C_WString& text, C_String (*convert)(const C_String&))
{
    return C_WString(convert(text.ToString()));
}

C_String formEncode(const C_String& text) { return _url_encode_a(text, 0); }
C_String rawEncode(const C_String& text) { return _url_encode_a(text, 1); }

}  // namespace

C_String _url_encode_a(const C_String& text, const int& raw)
{
    return C_String(percentEncode(text.std(), kFormKeep, raw ? Space::Percent : Space::Plus));
}

C_String _url_encode_rfc2396_a(const C_String& text)
{
    return C_String(percentEncode(text.std(), kRfc2396Keep, Space::Percent));
}

C_String _encodeURI(const C_String& text) { return C_String(percentEncode(text.std(), kUriKeep, Space::Percent)); }

C_String _encodeURIComponent(const C_String& text) { return _url_encode_rfc2396_a(text); }

C_String _url_decode_a(const C_String& text)
{
    const std::string& in = text.std();
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '+') {
            out.push_back(' ');
            continue;
        }
        // Anything but two hexadecimal digits is not an escape: reading it as one would turn
        // "100%off" into a made-up byte.
        if (c == '%' && in.size() - i >= 3) {
            const int hi = hexValue(in[i + 1]);
            const int lo = hexValue(in[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>((hi << 4) | lo));
                i += 2;
                continue;
            }
        }
        out.push_back(c);
    }
    return C_String(std::move(out));
}

C_WString _url_encode_w(const C_WString& text, const int& raw)
{
    return throughCodePage(text, raw ? rawEncode : formEncode);
}

C_WString _url_decode_w(const C_WString& text) { return throughCodePage(text, _url_decode_a); }

C_WString _url_encode_rfc2396_w(const C_WString& text) { return throughCodePage(text, _url_encode_rfc2396_a); }

C_WString url_encode(const C_WString& text) { return _url_encode_w(text, 0); }

C_WString url_rawencode(const C_WString& text) { return _url_encode_w(text, 1); }

C_WString url_encode_rfc2396(const C_WString& text) { return _url_encode_rfc2396_w(text); }

C_WString url_decode(const C_WString& text) { return _url_decode_w(text); }

}  // namespace qarvo::common::System
