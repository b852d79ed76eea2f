#include "qarvo/net/connect_to.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace qarvo::net {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// A port field: empty (-1: any / keep), or 1..65535. False when malformed.
bool parsePort(std::string_view text, int* out)
{
    if (text.empty()) {
        *out = -1;
        return true;
    }
    if (text.size() > 5)
        return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > 65535)
        return false;
    *out = v;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

bool applyConnectTo(const char* rules, C_String* host, int* port)
{
    if (!rules || !host || !port)
        return false;
    std::string_view all(rules);
    while (!all.empty()) {
        const size_t comma = all.find(',');
        const std::string_view rule = trim(all.substr(0, comma));
        all = comma == std::string_view::npos ? std::string_view() : all.substr(comma + 1);

        std::vector<std::string_view> fields;
        size_t start = 0;
        for (size_t i = 0; i <= rule.size(); ++i) {
            if (i == rule.size() || rule[i] == ':') {
                fields.push_back(rule.substr(start, i - start));
                start = i + 1;
            }
        }
        if (fields.size() != 4)
            continue;
        int port1 = 0, port2 = 0;
        if (!parsePort(fields[1], &port1) || !parsePort(fields[3], &port2))
            continue;
        if (!fields[0].empty() && !equalsNoCase(fields[0], host->view()))
            continue;
        if (port1 >= 0 && port1 != *port)
            continue;
        if (!fields[2].empty())
            *host = C_String(fields[2]);
        if (port2 >= 0)
            *port = port2;
        return true;
    }
    return false;
}

bool applyConnectToFromEnvironment(C_String* host, int* port)
{
    return applyConnectTo(std::getenv(kConnectToVariable), host, port);
}

}  // namespace qarvo::net
