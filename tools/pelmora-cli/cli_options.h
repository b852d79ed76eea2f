#pragma once
// The command line of pelmora-cli.

#include <string>
#include <vector>

namespace pelmora::cli {

enum class Command { None, Decode, Fetch, Help };
enum class OutputFormat { Text, Jsonl };

struct CliOptions {
    Command command = Command::None;
    std::string target;      // the file (decode) or the address (fetch)
    std::string library;     // empty: the usual places
    OutputFormat format = OutputFormat::Text;
    int count = 1000;        // the viewer's count of most recent comments
    std::string xmlPath;     // empty: no raw XML file
    int followSeconds = 0;
    // The request's mode word; "ori2" as the viewer sends it. "dumy_debug" makes the engine
    // invent comments without any network (for trying the tool out).
    std::string mode = "ori2";
    // Every comment of the video (the mode word gains "all"); the count is then not used.
    bool all = false;
};

// Exit statuses of the tool's own failures (the engine's result codes are 0 to 9).
inline constexpr int kExitLibraryMissing = 64;
inline constexpr int kExitUsage = 65;
inline constexpr int kExitOutputFile = 66;
inline constexpr int kExitNotStarted = 67;

// Fills `out` from argv[1..]. False with a message in `error` when the line is not understood.
bool parseCommandLine(const std::vector<std::string>& args, CliOptions& out, std::string& error);

const char* usageText();

}  // namespace pelmora::cli
