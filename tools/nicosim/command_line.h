#pragma once
// The command line of the nicosim executable:
//   nicosim [--port N] [--https-port N] [--live-port N] [--seed S] [--data DIR] [--push-ms N]
//           [--live-by-name] [--modern] [--ping-ms N] [--segment-ms N] [--view-ms N]

#include "tools/nicosim/nicosim.h"

#include <string>
#include <vector>

namespace nicosim {

struct CommandLine {
    Options options;
    bool help = false;
    std::string error; // set when the arguments are not understood
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);
const char* usageText();

} // namespace nicosim
