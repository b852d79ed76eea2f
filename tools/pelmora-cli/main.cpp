// pelmora-cli: the comment fetch engine from the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/pelmora-cli/cli_options.h"
#include "tools/pelmora-cli/engine_binding.h"
#include "tools/pelmora-cli/fetch_session.h"

int main(int argc, char** argv)
{
    using namespace pelmora::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    std::string error;
    if (!parseCommandLine(args, options, error)) {
        std::fprintf(stderr, "pelmora-cli: %s\n%s", error.c_str(), usageText());
        return kExitUsage;
    }
    if (options.command == Command::Help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    // The engine's cookie lookup reads the choice from the environment, before any job runs.
    if (!applyCookieChoice(options)) {
        std::fprintf(stderr, "pelmora-cli: the login choice cannot be put into the environment\n");
        return kExitUsage;
    }
    EngineBinding engine;
    if (!engine.Load(options.library, error)) {
        std::fprintf(stderr, "pelmora-cli: %s\n", error.c_str());
        return kExitLibraryMissing;
    }
    FetchSession session(engine.functions(), options, stdout, stderr);
    return session.Run();
}
