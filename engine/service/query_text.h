#pragma once
// Small readers of the service's answers and addresses: "key=value&..." texts and the last
// segment of an address.

#include <map>

#include "qarvo/text/string.h"

namespace pelmora::engine {

// An ordered map from key to value; a missing key reads as an empty text.
class QueryMap {
public:
    void Set(const qarvo::C_String& key, const qarvo::C_String& value) { m_pairs[key.std()] = value; }
    qarvo::C_String Get(const char* key) const
    {
        const auto it = m_pairs.find(key);
        return it == m_pairs.end() ? qarvo::C_String() : it->second;
    }
    int Count() const { return static_cast<int>(m_pairs.size()); }

private:
    std::map<std::string, qarvo::C_String> m_pairs;
};

// Splits `text` at "&"; each piece is key "=" value (split at the first "="), or a key with an
// empty value when it has no "=". A later key overwrites an earlier one.
void parseQueryPairs(QueryMap& map, const qarvo::C_String& text);

// The text after the last "/" (the whole text when there is none); with `cutQuery` also cut
// before the first "?" after it.
qarvo::C_String lastPathSegment(const qarvo::C_String& address, bool cutQuery);

// Scheme and host of an absolute address: the text before the first "/" at or after index 8
// ("http://h/x" -> "http://h"); the whole address when there is none.
qarvo::C_String schemeHostOf(const qarvo::C_String& address);

// The host of an absolute address, without scheme, port and path, in lower case.
qarvo::C_String hostOf(const qarvo::C_String& address);

}  // namespace pelmora::engine
