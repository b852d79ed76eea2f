#pragma once
// JSON string literals for the texts the programs write as JSON lines and dumps.

#include <string>
#include <string_view>

namespace qarvo::common::System {

// `utf8` as a JSON string literal, quotes included: the two characters JSON requires escaped,
// the short escapes, and \u00XX for the other control characters. Other bytes pass unchanged.
std::string json_quote(std::string_view utf8);
// The same literal appended to `out`.
void json_quote_append(std::string& out, std::string_view utf8);

}  // namespace qarvo::common::System
