#include "tools/nicosim/text_codec.h"

namespace nicosim {
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~';
}

} // namespace

std::string percentEncode(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (isUnreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string percentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && text.size() - i >= 3) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += (plusIsSpace && c == '+') ? ' ' : c;
    }
    return out;
}

void appendXmlEscaped(std::string& out, std::string_view text)
{
    // Runs without a character to escape go in whole: a comment answer is mostly such runs.
    const auto plain = [](char c) { return c != '&' && c != '<' && c != '>' && c != '"'; };
    for (size_t at = 0; at < text.size();) {
        size_t special = at;
        while (special < text.size() && plain(text[special]))
            ++special;
        out.append(text.substr(at, special - at));
        if (special == text.size())
            break;
        switch (text[special]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += "&quot;"; break;
        }
        at = special + 1;
    }
}

std::string xmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    appendXmlEscaped(out, text);
    return out;
}

std::vector<std::string> splitText(std::string_view text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::string_view trimSpaces(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool parseDecimal(std::string_view text, long long limit, long long& value)
{
    if (text.empty())
        return false;
    long long result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const int digit = c - '0';
        // Checked before multiplying so that the test itself cannot overflow.
        if (digit > limit || result > (limit - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool findXmlAttribute(std::string_view element, std::string_view name, std::string& value)
{
    size_t from = 0;
    while (true) {
        const size_t at = element.find(name, from);
        if (at == std::string_view::npos)
            return false;
        from = at + 1;
        const bool spaceBefore = at > 0 && (element[at - 1] == ' ' || element[at - 1] == '\t' ||
                                             element[at - 1] == '\n' || element[at - 1] == '\r');
        size_t pos = at + name.size();
        while (pos < element.size() && element[pos] == ' ')
            ++pos;
        if (!spaceBefore || pos >= element.size() || element[pos] != '=')
            continue;
        ++pos;
        while (pos < element.size() && element[pos] == ' ')
            ++pos;
        if (pos >= element.size() || (element[pos] != '"' && element[pos] != '\''))
            continue;
        const char quote = element[pos];
        const size_t end = element.find(quote, pos + 1);
        if (end == std::string_view::npos)
            return false;
        value = std::string(element.substr(pos + 1, end - pos - 1));
        return true;
    }
}

} // namespace nicosim
