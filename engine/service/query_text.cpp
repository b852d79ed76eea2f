#include "engine/service/query_text.h"

#include <cctype>

namespace pelmora::engine {

void parseQueryPairs(QueryMap& map, const qarvo::C_String& text)
{
    const std::string& s = text.std();
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find('&', start);
        if (end == std::string::npos)
            end = s.size();
        const std::string piece = s.substr(start, end - start);
        const size_t eq = piece.find('=');
        if (eq == std::string::npos)
            map.Set(qarvo::C_String(piece), qarvo::C_String());
        else
            map.Set(qarvo::C_String(piece.substr(0, eq)), qarvo::C_String(piece.substr(eq + 1)));
        start = end + 1;
    }
}

qarvo::C_String lastPathSegment(const qarvo::C_String& address, bool cutQuery)
{
    const std::string& s = address.std();
    const size_t slash = s.rfind('/');
    if (slash == std::string::npos)
        return address;
    std::string tail = s.substr(slash + 1);
    if (cutQuery) {
        const size_t q = tail.find('?');
        if (q != std::string::npos)
            tail.resize(q);
    }
    return qarvo::C_String(tail);
}

qarvo::C_String schemeHostOf(const qarvo::C_String& address)
{
    const int slash = address.IndexOf('/', 8);
    return slash < 0 ? address : address.Left(slash);
}

qarvo::C_String hostOf(const qarvo::C_String& address)
{
    std::string s = address.std();
    const size_t scheme = s.find("://");
    if (scheme != std::string::npos)
        s.erase(0, scheme + 3);
    const size_t end = s.find_first_of("/?#");
    if (end != std::string::npos)
        s.resize(end);
    const size_t at = s.rfind('@');
    if (at != std::string::npos)
        s.erase(0, at + 1);
    const size_t colon = s.find(':');
    if (colon != std::string::npos)
        s.resize(colon);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return qarvo::C_String(s);
}

}  // namespace pelmora::engine
