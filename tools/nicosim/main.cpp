// nicosim: runs the simulated service until interrupted.

#include "tools/nicosim/command_line.h"
#include "tools/nicosim/nicosim.h"
#include "tools/nicosim/signals.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const nicosim::CommandLine command = nicosim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (command.help) {
        std::fputs(nicosim::usageText(), stdout);
        return 0;
    }
    if (!command.error.empty()) {
        std::fprintf(stderr, "nicosim: %s\n%s", command.error.c_str(), nicosim::usageText());
        return 2;
    }
    if (!nicosim::blockTerminationSignals()) {
        std::fputs("nicosim: cannot set up signal handling\n", stderr);
        return 1;
    }

    nicosim::Server server(command.options);
    if (!server.start()) {
        std::fprintf(stderr, "nicosim: %s\n", server.lastError().c_str());
        return 1;
    }
    std::printf("http 127.0.0.1:%d\n", server.httpPort());
    std::printf("https 127.0.0.1:%d\n", server.httpsPort());
    std::printf("live 127.0.0.1:%d\n", server.livePort());
    std::printf("PELMORA_CONNECT_TO=%s\n", server.connectTo().c_str());
    std::printf("SSL_CERT_FILE=%s\n", server.caFile().c_str());
    const std::string& data = command.options.dataDir;
    if (!data.empty()) {
        std::printf("PELMORA_COOKIE_DIR=%s/Cookies\n", data.c_str());
        std::printf("firefox profiles %s/firefox\n", data.c_str());
        std::printf("chromium profiles %s/chromium\n", data.c_str());
        std::printf("cookies.txt %s/cookies.txt\n", data.c_str());
    }
    std::printf("login cookie %s\n", nicosim::Server::loginCookie().c_str());
    std::fflush(stdout);

    nicosim::waitForTermination();
    server.stop();
    std::puts("nicosim stopped");
    return 0;
}
