#pragma once
// Waiting for the end of the nicosim executable (SIGINT or SIGTERM on POSIX systems); the
// implementation is signals_posix.cpp.

namespace nicosim {

// Blocks the termination signals in the calling thread, before any other thread starts, so
// that every thread inherits the mask and only waitForTermination receives them.
bool blockTerminationSignals();
// Returns when a termination signal arrives.
void waitForTermination();

} // namespace nicosim
