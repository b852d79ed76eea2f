#include "qarvo/net/resolver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace qarvo::net;

namespace {

// A resolver that takes its time, like one waiting for a name server that never answers.
struct SlowLookup {
    std::atomic<int> finished{0};
    HostLookup lookup()
    {
        return [this](const char*, uint32_t* address) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            *address = 0x0a000001;
            finished.fetch_add(1);
            return true;
        };
    }
    // The abandoned helpers end on their own; the test waits so that none outlives it.
    void waitForHelpers(int count)
    {
        for (int i = 0; i < 500 && finished.load() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
};

long long msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// Resolution used to run outside the exchange's deadline and could not be aborted: an Abort or
// Close waited for the resolver's whole time-out.
TEST(Resolver, AbortAndDeadlineEndTheWaitAtOnce)
{
    SlowLookup slow;
    uint32_t address = 0;
    std::atomic<bool> abort{false};
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        abort = true;
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(resolveHost("slow.invalid", Deadline::None(), [&] { return abort.load(); }, &address, slow.lookup()),
              ResolveResult::Aborted);
    aborter.join();
    // About 50 ms after the abort is the aim; the bound is generous for a loaded machine.
    EXPECT_LT(msSince(start), 1000);

    start = std::chrono::steady_clock::now();
    EXPECT_EQ(resolveHost("slow.invalid", Deadline::After(100), nullptr, &address, slow.lookup()),
              ResolveResult::TimedOut);
    EXPECT_LT(msSince(start), 1000);

    // A lookup that answers in time is waited for.
    EXPECT_EQ(resolveHost("slow.invalid", Deadline::After(10000), nullptr, &address, slow.lookup()),
              ResolveResult::Found);
    EXPECT_EQ(address, 0x0a000001u);
    slow.waitForHelpers(3);
    EXPECT_EQ(slow.finished.load(), 3);
}

TEST(Resolver, DottedAddressesAndUnknownNames)
{
    uint32_t address = 0;
    bool asked = false;
    const HostLookup never = [&](const char*, uint32_t*) { return asked = true; };
    EXPECT_EQ(resolveHost("127.0.0.2", Deadline::After(0), nullptr, &address, never), ResolveResult::Found);
    EXPECT_EQ(address, 0x7f000002u);
    EXPECT_FALSE(asked);
    EXPECT_EQ(resolveHost("", Deadline::None(), nullptr, &address), ResolveResult::NotFound);
    EXPECT_EQ(resolveHost("no-such-host.invalid", Deadline::After(10000), nullptr, &address),
              ResolveResult::NotFound);
}
