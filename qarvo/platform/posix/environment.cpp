#include "qarvo/platform/environment.h"

#include <cstdlib>
#include <cstring>

namespace qarvo::platform {
namespace {

bool validName(const char* name)
{
    return name && *name && !std::strchr(name, '=');
}

}  // namespace

std::optional<std::string> environmentValue(const char* name)
{
    const char* value = name ? std::getenv(name) : nullptr;
    if (!value)
        return std::nullopt;
    return std::string(value);
}

std::string environmentText(const char* name)
{
    return environmentValue(name).value_or(std::string());
}

bool setEnvironment(const char* name, const char* value)
{
    return validName(name) && value && ::setenv(name, value, 1) == 0;
}

bool unsetEnvironment(const char* name)
{
    return validName(name) && ::unsetenv(name) == 0;
}

}  // namespace qarvo::platform
