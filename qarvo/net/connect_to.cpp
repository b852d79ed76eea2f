#include "qarvo/net/connect_to.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qarvo/platform/environment.h"
#include "qarvo/text/ascii.h"

namespace qarvo::net {
namespace {

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
        if (!fields[0].empty() && !text::equalsNoCaseAscii(fields[0], host->view()))
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

namespace {

// The rules as last read from the environment, with the lock that guards them.
struct EnvironmentRules {
    std::mutex lock;
    bool read = false;
    std::optional<std::string> rules;
};

EnvironmentRules& environmentRules()
{
    static EnvironmentRules rules;
    return rules;
}

}  // namespace

bool applyConnectToFromEnvironment(C_String* host, int* port)
{
    EnvironmentRules& env = environmentRules();
    std::optional<std::string> rules;
    {
        std::lock_guard<std::mutex> guard(env.lock);
        if (!env.read) {
            env.rules = platform::environmentValue(kConnectToVariable);
            env.read = true;
        }
        rules = env.rules;
    }
    return rules && applyConnectTo(rules->c_str(), host, port);
}

void reloadConnectTo()
{
    EnvironmentRules& env = environmentRules();
    std::lock_guard<std::mutex> guard(env.lock);
    env.rules = platform::environmentValue(kConnectToVariable);
    env.read = true;
}

}  // namespace qarvo::net
