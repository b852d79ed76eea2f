#include "bench/support/side_by_side.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace pelmora::bench {
namespace {

struct Samples {
    std::vector<double> wall;
    std::vector<double> cpu;
};

std::map<std::string, Samples>& samples()
{
    static std::map<std::string, Samples> all;
    return all;
}

double seconds(const timespec& from, clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec - from.tv_sec) + static_cast<double>(now.tv_nsec - from.tv_nsec) / 1e9;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const char* verdict(double ratio, double target, Better better)
{
    if (target <= 0)
        return "-";
    return (better == Better::Lower ? ratio <= target : ratio >= target) ? "met" : "NOT met";
}

}  // namespace

Stopwatch::Stopwatch()
{
    clock_gettime(CLOCK_MONOTONIC, &m_wall);
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &m_cpu);
}

double Stopwatch::WallSeconds() const
{
    return seconds(m_wall, CLOCK_MONOTONIC);
}

double Stopwatch::CpuSeconds() const
{
    return seconds(m_cpu, CLOCK_THREAD_CPUTIME_ID);
}

void noteTime(const std::string& workload, double wallSeconds, double cpuSeconds)
{
    Samples& s = samples()[workload];
    s.wall.push_back(wallSeconds);
    if (cpuSeconds >= 0)
        s.cpu.push_back(cpuSeconds);
}

double medianWall(const std::string& workload)
{
    const auto it = samples().find(workload);
    return it == samples().end() ? -1 : median(it->second.wall);
}

double medianCpu(const std::string& workload)
{
    const auto it = samples().find(workload);
    return it == samples().end() ? -1 : median(it->second.cpu);
}

void printRatio(const std::string& what, const std::string& name, double value, const std::string& referenceName,
                double reference, const std::string& unit, double target, Better better)
{
    if (value < 0 || reference <= 0)
        return;
    const double ratio = value / reference;
    char targetText[32] = "-";
    if (target > 0)
        std::snprintf(targetText, sizeof targetText, "%s %.2fx", better == Better::Lower ? "<=" : ">=", target);
    std::printf("ratio | %s | %s %.4g %s | %s %.4g %s | %.2fx | %s | %s\n", what.c_str(), name.c_str(), value,
                unit.c_str(), referenceName.c_str(), reference, unit.c_str(), ratio, targetText,
                verdict(ratio, target, better));
    std::fflush(stdout);
}

void printTarget(const std::string& what, double value, const std::string& unit, double target, Better better)
{
    if (value < 0)
        return;
    char targetText[48] = "-";
    if (target > 0)
        std::snprintf(targetText, sizeof targetText, "%s %.3g %s", better == Better::Lower ? "<=" : ">=", target,
                      unit.c_str());
    const bool met = better == Better::Lower ? value <= target : value >= target;
    std::printf("ratio | %s | %.4g %s | - | - | %s | %s\n", what.c_str(), value, unit.c_str(), targetText,
                target > 0 ? (met ? "met" : "NOT met") : "-");
    std::fflush(stdout);
}

}  // namespace pelmora::bench
