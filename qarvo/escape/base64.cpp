#include "qarvo/escape/base64.h"

#include <array>
#include <string>

namespace qarvo::common::System {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> makeDecodeTable()
{
    std::array<signed char, 256> table{};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    return table;
}

constexpr std::array<signed char, 256> kDecode = makeDecodeTable();

}  // namespace

C_String base64_encode(const void* data, int length)
{
    if (!data || length <= 0)
        return C_String();
    const auto* in = static_cast<const unsigned char*>(data);
    const size_t n = static_cast<size_t>(length);
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    size_t i = 0;
    for (; n - i >= 3; i += 3) {
        const unsigned v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(kAlphabet[(v >> 6) & 63]);
        out.push_back(kAlphabet[v & 63]);
    }
    if (n - i == 1) {
        const unsigned v = in[i] << 16;
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out += "==";
    } else if (n - i == 2) {
        const unsigned v = (in[i] << 16) | (in[i + 1] << 8);
        out.push_back(kAlphabet[(v >> 18) & 63]);
        out.push_back(kAlphabet[(v >> 12) & 63]);
        out.push_back(kAlphabet[(v >> 6) & 63]);
        out.push_back('=');
    }
    return C_String(std::move(out));
}

C_String base64_encode(const C_String& bytes)
{
    return base64_encode(bytes.c_str(), bytes.Length());
}

C_String base64_decode(const C_String& text)
{
    std::string out;
    out.reserve(text.std().size() / 4 * 3 + 3);
    unsigned bits = 0;
    int bitCount = 0;
    for (char ch : text.std()) {
        if (ch == '=')
            break;
        const int v = kDecode[static_cast<unsigned char>(ch)];
        if (v < 0)
            continue;
        bits = ((bits << 6) | static_cast<unsigned>(v)) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out.push_back(static_cast<char>((bits >> bitCount) & 0xFF));
        }
    }
    return C_String(std::move(out));
}

}  // namespace qarvo::common::System
