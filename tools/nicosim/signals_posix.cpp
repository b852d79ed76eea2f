#include "tools/nicosim/signals.h"

#include <cerrno>
#include <csignal>
#include <pthread.h>

namespace nicosim {
namespace {

sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

} // namespace

bool blockTerminationSignals()
{
    // A client that goes away mid-answer must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = terminationSignals();
    return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

void waitForTermination()
{
    const sigset_t set = terminationSignals();
    int received = 0;
    while (sigwait(&set, &received) != 0) {
    }
}

} // namespace nicosim
