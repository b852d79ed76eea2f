#pragma once
// The user's request to end a command-line program (Ctrl+C, or a termination request from the
// system), seen as a flag the program polls, so that it can end its work in order instead of
// being killed in the middle of writing.

namespace qarvo::platform {

// From now on an interrupt or termination request sets the flag instead of ending the
// process. False when the handlers cannot be installed.
bool watchInterrupts();
// True once such a request came.
bool interruptRequested();

}  // namespace qarvo::platform
