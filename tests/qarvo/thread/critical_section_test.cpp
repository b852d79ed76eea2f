#include "qarvo/thread/critical_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/qarvo/support/poll.h"

using qarvo::C_CriticalLock;
using qarvo::C_CriticalSection;

TEST(CriticalSection, RecursiveEnterCountsAndOwner)
{
    C_CriticalSection cs;
    cs.Leave();  // not held: ignored, the count must not go negative
    EXPECT_FALSE(cs.IsLockedByCurrentThread());
    EXPECT_EQ(cs.GetEnterCount(), 0);
    EXPECT_EQ(cs.GetOwnerThreadId(), C_CriticalSection::kNoOwner);

    cs.Enter();
    cs.Enter();
    EXPECT_TRUE(cs.IsLockedByCurrentThread());
    EXPECT_EQ(cs.GetEnterCount(), 2);
    cs.Leave();
    EXPECT_TRUE(cs.IsLockedByCurrentThread());
    EXPECT_EQ(cs.GetEnterCount(), 1);
    cs.Leave();
    EXPECT_FALSE(cs.IsLockedByCurrentThread());
    EXPECT_EQ(cs.GetEnterCount(), 0);
    EXPECT_EQ(cs.GetOwnerThreadId(), C_CriticalSection::kNoOwner);
}

TEST(CriticalSection, OtherThreadWaitsUntilAllEntriesAreLeft)
{
    C_CriticalSection cs;
    std::atomic<bool> otherHolds{false};
    std::atomic<bool> otherSawOwnership{false};
    cs.Enter();
    cs.Enter();
    std::thread other([&] {
        EXPECT_FALSE(cs.IsLockedByCurrentThread());
        C_CriticalLock lock(cs);
        otherHolds = true;
        otherSawOwnership = cs.IsLockedByCurrentThread();
    });
    cs.Leave();
    // Still entered once: the other thread must not get in.
    qarvo_sleep_millis(30);
    EXPECT_FALSE(otherHolds.load());
    EXPECT_TRUE(cs.TryEnter());  // recursive: the owner may enter again
    cs.Leave();
    cs.Leave();
    EXPECT_TRUE(qarvo_test::PollUntil([&] { return otherHolds.load(); }));
    other.join();
    EXPECT_TRUE(otherSawOwnership.load());
    EXPECT_EQ(cs.GetEnterCount(), 0);
}

TEST(CriticalSection, TryEnterFailsWhileAnotherThreadHolds)
{
    C_CriticalSection cs;
    std::atomic<bool> held{false}, release{false};
    std::thread other([&] {
        cs.Enter();
        held = true;
        while (!release)
            qarvo_sleep_millis(1);
        cs.Leave();
    });
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return held.load(); }));
    EXPECT_FALSE(cs.TryEnter());
    release = true;
    other.join();
    EXPECT_TRUE(cs.TryEnter());
    cs.Leave();
}

TEST(CriticalLock, UnlockAndLockInsideTheScope)
{
    C_CriticalSection cs;
    {
        C_CriticalLock lock(cs);
        EXPECT_TRUE(cs.IsLockedByCurrentThread());
        lock.Unlock();
        EXPECT_FALSE(cs.IsLockedByCurrentThread());
        lock.Unlock();  // a second unlock must not leave someone else's entry
        lock.Lock();
        lock.Lock();  // nor count twice
        EXPECT_EQ(cs.GetEnterCount(), 1);
    }
    EXPECT_EQ(cs.GetEnterCount(), 0);
}
