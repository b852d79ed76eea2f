#pragma once
// The `--count` form of a benchmark: one run of the measured work, for `bench/run
// --instructions`, which starts the program under callgrind with instrumentation off
// (--instr-atstart=no). Only the work itself is instrumented, on every thread, so that the count
// leaves out the set-up (making a document, starting a server). Outside callgrind the work just
// runs once.

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define PELMORA_COUNT_START() CALLGRIND_START_INSTRUMENTATION
#define PELMORA_COUNT_STOP() CALLGRIND_STOP_INSTRUMENTATION
#else
#define PELMORA_COUNT_START() ((void)0)
#define PELMORA_COUNT_STOP() ((void)0)
#endif

#include <cstring>
#include <string>

namespace pelmora::bench {

template <class Work>
void countedRun(Work&& work)
{
    PELMORA_COUNT_START();
    work();
    PELMORA_COUNT_STOP();
}

// The name after "--count", or empty when the program was not started that way.
inline std::string countMode(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--count") == 0)
            return argv[i + 1];
    return std::string();
}

}  // namespace pelmora::bench
