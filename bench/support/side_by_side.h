#pragma once
// Ratios measured side by side in one run: each benchmark notes the time of every iteration of
// each workload, and the program prints, after its table, one `ratio |` line per comparison
// with the medians of both sides. `bench/run` gathers these lines from every program into one
// table. On a shared machine only ratios taken in the same run mean anything.

#include <ctime>
#include <string>

namespace pelmora::bench {

// Wall and CPU time of the calling thread since construction.
class Stopwatch {
public:
    Stopwatch();
    double WallSeconds() const;
    double CpuSeconds() const;  // this thread's

private:
    timespec m_wall{};
    timespec m_cpu{};
};

// Records one iteration of `workload`.
void noteTime(const std::string& workload, double wallSeconds, double cpuSeconds = -1);
// The median of the recorded times; -1 when none were recorded.
double medianWall(const std::string& workload);
double medianCpu(const std::string& workload);

enum class Better { Lower, Higher };

// One line of the table:
//   ratio | what | value (measured) | reference (value) | ratio | target | met
// `target` is the ratio the issue asks for (value / reference); <= 0 means no target.
void printRatio(const std::string& what, const std::string& name, double value, const std::string& referenceName,
                double reference, const std::string& unit, double target, Better better);
// A line for a measure against a fixed target (no reference program).
void printTarget(const std::string& what, double value, const std::string& unit, double target, Better better);

}  // namespace pelmora::bench
