#pragma once
// The process environment: what a program hands to the libraries it loads later (the engine
// reads the user's login choice from it). Set it before other threads read it: the system's
// environment is not guarded against a writer and a reader at once.

namespace qarvo::platform {

// False when the name is empty, holds "=", or the system refuses.
bool setEnvironment(const char* name, const char* value);
bool unsetEnvironment(const char* name);

}  // namespace qarvo::platform
