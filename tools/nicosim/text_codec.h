#pragma once
// Small text helpers: percent coding, XML escaping and splitting. nicosim stands in for the
// outside world, so it carries its own rather than the class library's.

#include <string>
#include <string_view>
#include <vector>

namespace nicosim {

// Percent-encodes every byte outside the unreserved set (A-Z a-z 0-9 - _ . ~).
std::string percentEncode(std::string_view text);
// The value of one hexadecimal digit, -1 for any other character.
int hexValue(char c);

// Decodes %XX escapes; with plusIsSpace, "+" becomes a space (form bodies). A "%" that does
// not start a valid escape is kept as it is.
std::string percentDecode(std::string_view text, bool plusIsSpace = false);

// Escapes & < > and " for XML and HTML text and attribute values.
std::string xmlEscape(std::string_view text);
void appendXmlEscaped(std::string& out, std::string_view text);

std::vector<std::string> splitText(std::string_view text, char separator);
std::string_view trimSpaces(std::string_view text);
std::string lowerAscii(std::string_view text);
bool startsWith(std::string_view text, std::string_view prefix);

// Parses a non-negative decimal number made only of digits; false for anything else and for
// numbers above limit.
bool parseDecimal(std::string_view text, long long limit, long long& value);

// The value of attribute `name` in the text of one XML element ("<thread thread=\"1\" .../>"),
// matched as a whole name after a space; false when it is absent or its quote is not closed.
bool findXmlAttribute(std::string_view element, std::string_view name, std::string& value);

} // namespace nicosim
