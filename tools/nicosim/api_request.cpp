#include "tools/nicosim/api_request.h"

#include <simdjson.h>

namespace nicosim {

bool parseApiRequestBody(std::string_view body, ApiRequestBody& out)
{
    out = ApiRequestBody();
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (parser.parse(body.data(), body.size(), true).get(root) != simdjson::SUCCESS)
        return false;
    simdjson::dom::array targets;
    if (root["params"]["targets"].get(targets) != simdjson::SUCCESS)
        return false;
    for (const simdjson::dom::element target : targets) {
        std::string_view id, fork;
        if (target["id"].get(id) != simdjson::SUCCESS || target["fork"].get(fork) != simdjson::SUCCESS)
            return false;
        out.targets.push_back(ApiTarget{std::string(id), std::string(fork)});
    }
    std::string_view key;
    if (root["threadKey"].get(key) != simdjson::SUCCESS)
        return false;
    out.threadKey = std::string(key);
    int64_t when = 0;
    if (root["additionals"]["when"].get(when) == simdjson::SUCCESS) {
        out.hasWhen = true;
        out.when = when;
    }
    return !out.targets.empty();
}

} // namespace nicosim
