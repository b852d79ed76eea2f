#include "qarvo/escape/json.h"

namespace qarvo::common::System {

std::string json_quote(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + 2);
    json_quote_append(out, utf8);
    return out;
}

void json_quote_append(std::string& out, std::string_view utf8)
{
    out += '"';
    // Runs that need no escape are copied whole: comment texts are mostly such runs.
    size_t plain = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char u = static_cast<unsigned char>(utf8[i]);
        if (u >= 0x20 && u != '"' && u != '\\')
            continue;
        out.append(utf8.substr(plain, i - plain));
        plain = i + 1;
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            static const char kHex[] = "0123456789abcdef";
            const char escaped[6] = {'\\', 'u', '0', '0', kHex[u >> 4], kHex[u & 15]};
            out.append(escaped, sizeof escaped);
        }
        }
    }
    out.append(utf8.substr(plain));
    out += '"';
}

}  // namespace qarvo::common::System
