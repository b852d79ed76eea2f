#pragma once
// The process environment. Reading it races with a thread that changes it (setenv), so the
// library reads each variable it needs once, under its own lock, and keeps the value; and a
// program sets what it hands to the libraries it loads later (the engine reads the user's
// login choice from it) before other threads read it.

#include <optional>
#include <string>

namespace qarvo::platform {

// The variable's value, or nothing when it is not set.
std::optional<std::string> environmentValue(const char* name);
// The value, or an empty text when it is not set.
std::string environmentText(const char* name);

// False when the name is empty, holds "=", or the system refuses.
bool setEnvironment(const char* name, const char* value);
bool unsetEnvironment(const char* name);

}  // namespace qarvo::platform
