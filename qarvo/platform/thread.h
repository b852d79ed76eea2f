#pragma once
// Thread identity. Threads themselves are std::thread; only the numeric id the locks record
// comes from the system.

namespace qarvo::platform {

// A number that tells the calling thread apart from every other live thread; never 0 and
// never ~0ul (the library uses ~0ul for "no thread").
unsigned long currentThreadId();

}  // namespace qarvo::platform
