#pragma once
// The process environment. Reading it races with a thread that changes it (setenv), so the
// library reads each variable it needs once, under its own lock, and keeps the value.

#include <optional>
#include <string>

namespace qarvo::platform {

// The variable's value, or nothing when it is not set.
std::optional<std::string> environmentValue(const char* name);

}  // namespace qarvo::platform
