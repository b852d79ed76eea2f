#include "bench/engine/peak_memory.h"

#include <fstream>
#include <string>

namespace {

int64_t statusField(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stoll(line.substr(prefix.size())) * 1024;  // the kernel writes kB
    return 0;
}

}  // namespace

int64_t residentBytes()
{
    return statusField("VmRSS");
}

int64_t peakResidentBytes()
{
    return statusField("VmHWM");
}

bool resetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear);
}
