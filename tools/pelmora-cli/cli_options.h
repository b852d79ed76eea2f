#pragma once
// The command line of pelmora-cli.

#include <string>
#include <vector>

namespace pelmora::cli {

enum class Command { None, Decode, Fetch, Help };
enum class OutputFormat { Text, Jsonl, Ass };

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
    // The login's source, handed to the engine's cookie lookup through the environment
    // (PELMORA_COOKIES_FROM_BROWSER, PELMORA_COOKIES); empty: the engine's own choice.
    std::string cookiesFromBrowser;  // BROWSER[:PROFILE]
    std::string cookiesFile;         // a Netscape cookies.txt
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

// Puts the login choice of `options` into the environment, where the engine's cookie lookup
// reads it. Call before the engine is loaded. False when the environment refuses.
bool applyCookieChoice(const CliOptions& options);

}  // namespace pelmora::cli
