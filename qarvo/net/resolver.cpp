#include "qarvo/net/resolver.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "qarvo/platform/socket.h"

namespace qarvo::net {
namespace {

// Shared by the caller and the helper; whichever ends last frees it.
struct Lookup {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool found = false;
    uint32_t address = 0;
};

}  // namespace

ResolveResult resolveHost(const char* name, const Deadline& deadline, const std::function<bool()>& isAbort,
                          uint32_t* address, const HostLookup& lookup)
{
    if (!name || !*name)
        return ResolveResult::NotFound;
    if (platform::parseDottedAddress(name, address))
        return ResolveResult::Found;
    if (deadline.Passed())
        return ResolveResult::TimedOut;
    if (isAbort && isAbort())
        return ResolveResult::Aborted;
    const HostLookup resolve = lookup ? lookup : HostLookup(platform::resolveHostIpv4);
    auto state = std::make_shared<Lookup>();
    try {
        std::thread([state, resolve, copy = std::string(name)] {
            uint32_t found = 0;
            const bool ok = resolve(copy.c_str(), &found);
            std::lock_guard<std::mutex> guard(state->lock);
            state->found = ok;
            state->address = found;
            state->finished = true;
            state->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: resolve here, unbounded, rather than not at all.
        return resolve(name, address) ? ResolveResult::Found : ResolveResult::NotFound;
    }
    std::unique_lock<std::mutex> guard(state->lock);
    for (;;) {
        if (state->done.wait_for(guard, std::chrono::milliseconds(deadline.Slice(kResolvePollMs)),
                                 [&] { return state->finished; })) {
            if (state->found && address)
                *address = state->address;
            return state->found ? ResolveResult::Found : ResolveResult::NotFound;
        }
        if (deadline.Passed())
            return ResolveResult::TimedOut;
        if (isAbort && isAbort())
            return ResolveResult::Aborted;
    }
}

}  // namespace qarvo::net
