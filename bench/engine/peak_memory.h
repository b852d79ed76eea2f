#pragma once
// The process's resident memory, read from /proc: enough to tell the peak of one operation
// run in a fresh process.

#include <cstdint>

// Current resident set and its high-water mark, in bytes (0 when unknown).
int64_t residentBytes();
int64_t peakResidentBytes();
// Starts the high-water mark again from the current resident set.
bool resetPeakResident();
