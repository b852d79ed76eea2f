#include "engine/cookie/netscape_cookies.h"

#include "engine/cookie/cookie_rules.h"

#include <algorithm>
#include <array>

namespace pelmora::cookie {
namespace {

constexpr std::string_view kHttpOnlyPrefix = "#HttpOnly_";
constexpr size_t kFields = 7;
// Seconds since 1970 fit in 11 digits until the year 5138; more is an attacker's number.
constexpr size_t kMaxExpiryDigits = 18;

std::string_view withoutLineEnd(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Calls `visit` for each line; stops early when it returns false.
template <class Visit>
void eachLine(std::string_view text, Visit visit)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (!visit(withoutLineEnd(text.substr(start, end - start))))
            return;
        start = end + 1;
    }
}

bool isCommentLine(std::string_view line)
{
    return line.starts_with("#") && !line.starts_with(kHttpOnlyPrefix);
}

bool isBlank(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool parseFlag(std::string_view text, bool& out)
{
    if (text == "TRUE" || text == "true") {
        out = true;
        return true;
    }
    if (text == "FALSE" || text == "false") {
        out = false;
        return true;
    }
    return false;
}

bool parseExpiry(std::string_view text, int64_t& out)
{
    if (text.empty() || text.size() > kMaxExpiryDigits)
        return false;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

// Splits at tabs into at most kFields pieces; the value (the last field) keeps any tab it holds.
size_t splitFields(std::string_view line, std::array<std::string_view, kFields>& fields)
{
    size_t count = 0;
    while (count + 1 < kFields) {
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            break;
        fields[count++] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    fields[count++] = line;
    return count;
}

bool parseCookieLine(std::string_view line, StoredCookie& cookie)
{
    if (line.starts_with(kHttpOnlyPrefix)) {
        cookie.httpOnly = true;
        line.remove_prefix(kHttpOnlyPrefix.size());
    }
    std::array<std::string_view, kFields> f;
    const size_t count = splitFields(line, f);
    // Some exporters leave out the tab before an empty value.
    if (count == kFields - 1)
        f[kFields - 1] = std::string_view();
    else if (count != kFields)
        return false;
    bool subdomains = false;
    if (!parseFlag(f[1], subdomains) || !parseFlag(f[3], cookie.secure) || !parseExpiry(f[4], cookie.expires))
        return false;
    setStoredHost(cookie, f[0]);
    if (cookie.domain.empty() || f[5].empty())
        return false;
    // The flag decides, whether or not the domain was written with its dot.
    cookie.hostOnly = !subdomains;
    cookie.path = f[2].empty() ? std::string("/") : std::string(f[2]);
    cookie.name.assign(f[5]);
    cookie.value.assign(f[6]);
    return true;
}

}  // namespace

bool looksLikeNetscapeCookies(std::string_view text)
{
    if (text.starts_with("# Netscape HTTP Cookie File") || text.starts_with("# HTTP Cookie File"))
        return true;
    bool decided = false;
    bool result = false;
    eachLine(text, [&](std::string_view line) {
        if (line.starts_with(kHttpOnlyPrefix)) {
            decided = result = true;
            return false;
        }
        if (isBlank(line) || isCommentLine(line))
            return true;
        decided = true;
        result = std::count(line.begin(), line.end(), '\t') >= static_cast<long>(kFields - 1);
        return false;
    });
    return decided && result;
}

NetscapeParse parseNetscapeCookies(std::string_view text)
{
    NetscapeParse parse;
    if (text.size() > kMaxNetscapeFileBytes) {
        parse.tooLarge = true;
        text = text.substr(0, kMaxNetscapeFileBytes);
    }
    int64_t order = 0;
    eachLine(text, [&](std::string_view line) {
        if (line.size() > kMaxNetscapeLineBytes) {
            ++parse.badLines;
            return true;
        }
        if (isBlank(line) || isCommentLine(line))
            return true;
        StoredCookie cookie;
        if (!parseCookieLine(line, cookie)) {
            ++parse.badLines;
            return true;
        }
        if (parse.cookies.size() >= kMaxNetscapeCookies) {
            parse.tooLarge = true;
            return false;
        }
        // The file has no creation times; its order stands in for them.
        cookie.creation = order++;
        parse.cookies.push_back(std::move(cookie));
        return true;
    });
    return parse;
}

}  // namespace pelmora::cookie
