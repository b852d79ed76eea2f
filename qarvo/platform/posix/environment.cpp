#include "qarvo/platform/environment.h"

#include <cstdlib>

namespace qarvo::platform {

std::optional<std::string> environmentValue(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    if (!value)
        return std::nullopt;
    return std::string(value);
}

}  // namespace qarvo::platform
