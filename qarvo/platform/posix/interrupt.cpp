#include "qarvo/platform/interrupt.h"

#include <atomic>
#include <csignal>

namespace qarvo::platform {
namespace {

// Lock-free, so that the signal handler may set it.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

}  // namespace

bool watchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Blocking calls go on after the handler; the program polls the flag.
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

bool interruptRequested()
{
    return g_interrupted.load();
}

}  // namespace qarvo::platform
