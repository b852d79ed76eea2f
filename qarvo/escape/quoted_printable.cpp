#include "qarvo/escape/quoted_printable.h"

#include <string>

#include "qarvo/text/integer.h"

namespace qarvo::common::System {
namespace {

int hexValue(char c)
{
    return qarvo_hexdigit(static_cast<unsigned char>(c));
}

}  // namespace

C_String quoted_printable_decode(const C_String& text)
{
    const std::string& in = text.std();
    std::string out;
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        const char c = in[i];
        if (c != '=') {
            out.push_back(c);
            ++i;
            continue;
        }
        const size_t left = in.size() - i;
        if (left >= 2 && in[i + 1] == '\n') {
            i += 2;
        } else if (left >= 3 && in[i + 1] == '\r' && in[i + 2] == '\n') {
            i += 3;
        } else if (left >= 3 && hexValue(in[i + 1]) >= 0 && hexValue(in[i + 2]) >= 0) {
            out.push_back(static_cast<char>((hexValue(in[i + 1]) << 4) | hexValue(in[i + 2])));
            i += 3;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return C_String(std::move(out));
}

}  // namespace qarvo::common::System
