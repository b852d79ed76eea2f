#pragma once
// What a test checks for a clean end: the process's open descriptors and threads, and its
// peak memory so far.

#include <sys/resource.h>

#include <cstddef>
#include <filesystem>

namespace qarvo::test {

inline size_t entriesIn(const char* folder)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

inline size_t openDescriptors() { return entriesIn("/proc/self/fd"); }
inline size_t runningThreads() { return entriesIn("/proc/self/task"); }

inline long peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace qarvo::test
