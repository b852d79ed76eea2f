#pragma once
// The body of a thread request to the comment interface, as nicosim reads it:
//   {"params":{"targets":[{"id":"..","fork":".."}],"language":".."},"threadKey":"..",
//    "additionals":{"when":N}}
// The only place in nicosim that parses JSON (with simdjson, from Debian).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nicosim {

struct ApiTarget {
    std::string id;
    std::string fork;
};

struct ApiRequestBody {
    std::vector<ApiTarget> targets;
    std::string threadKey;
    bool hasWhen = false;
    int64_t when = 0;
};

// False when the body is no JSON object or lacks params.targets (with id and fork each) or
// threadKey; a "when" that is not an integer counts as absent.
bool parseApiRequestBody(std::string_view body, ApiRequestBody& out);

} // namespace nicosim
