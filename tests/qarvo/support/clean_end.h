#pragma once
// What a test checks for a clean end: the process's open descriptors and threads, and its
// peak memory so far.

#include <sys/resource.h>

#include <cstddef>
#include <filesystem>
#include <thread>

namespace qarvo::test {

inline size_t entriesIn(const char* folder)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

inline size_t openDescriptors() { return entriesIn("/proc/self/fd"); }
// A thread started and joined once, before any count: ThreadSanitizer's runtime starts a
// helper thread of its own with the process's second thread, which would count as one the
// test left behind.
inline void startRuntimeHelpers()
{
    static const bool started = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)started;
}

inline size_t runningThreads()
{
    startRuntimeHelpers();
    return entriesIn("/proc/self/task");
}

// Growth limits are judged on ordinary builds: ThreadSanitizer's allocator holds freed memory
// back and its shadow grows with every byte touched, so its peaks say nothing about ours.
#if defined(__SANITIZE_THREAD__)
constexpr bool kPeaksComparable = false;
#else
constexpr bool kPeaksComparable = true;
#endif

inline long peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

}  // namespace qarvo::test
