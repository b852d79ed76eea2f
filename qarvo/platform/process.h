#pragma once
// Programs started for the user (the desktop's opener of addresses and folders). They run on
// their own: nothing here kills them, and a caller that stops asking how one ended leaves it
// running.

#include <optional>
#include <string>
#include <vector>

namespace qarvo::platform {

// The full path of `name` found in $PATH; empty when it is not there (or PATH is unset).
std::string findProgram(const std::string& name);

// Starts argv[0] (a full path) with the arguments, in a session of its own (a terminal's
// Ctrl+C to us does not reach it), the standard input from /dev/null, our environment. The
// process id, or -1 with the reason in *error.
long startProgram(const std::vector<std::string>& argv, std::string* error);

// How a started program ended: its exit code, or 128 + the signal that ended it; nothing while
// it still runs. Once it has answered, the process is gone and the id may not be asked again.
std::optional<int> programExitStatus(long pid);

}  // namespace qarvo::platform
