#include "qarvo/thread/thread_ex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "tests/qarvo/support/poll.h"

using qarvo::C_FunctionObject;
using qarvo::C_FunctionTypeMember;
using qarvo::C_ThreadEx;
using qarvo::I_Function;
using qarvo::common::MakePointer;
using qarvo::common::Pointer;

namespace {

// An owner in the style of the application object: its loop is a member function that does
// one pass per call.
class Looper {
public:
    void Pass()
    {
        ++passes;
        qarvo_sleep_millis(1);
    }
    std::atomic<int> passes{0};
};

Pointer<I_Function> memberOf(Looper& looper)
{
    return Pointer<I_Function>(MakePointer<C_FunctionTypeMember<Looper>>(&looper, &Looper::Pass));
}

}  // namespace

TEST(ThreadEx, RepeatsPassesUntilStopped)
{
    Looper looper;
    C_ThreadEx thread;
    thread.SetFunction(memberOf(looper));
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return looper.passes.load() >= 3; }));
    EXPECT_EQ(thread.Stop(0), 0);
    EXPECT_FALSE(thread.IsRunning());
    const int after = looper.passes.load();
    qarvo_sleep_millis(10);
    EXPECT_EQ(looper.passes.load(), after);
    // No thread any more.
    EXPECT_EQ(thread.Stop(0), 1);
}

TEST(ThreadEx, WithoutRepeatTheFunctionRunsOnce)
{
    Looper looper;
    C_ThreadEx thread;
    thread.SetRepeat(false);
    thread.SetFunction(memberOf(looper));
    ASSERT_EQ(thread.Start(), 1);
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return !thread.IsRunning(); }));
    EXPECT_EQ(looper.passes.load(), 1);
    // Ended but not yet collected: Stop still joins it and reports the end.
    EXPECT_EQ(thread.Stop(100), 0);
    // It can be started again.
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Stop(0), 0);
    EXPECT_EQ(looper.passes.load(), 2);
}

TEST(ThreadEx, StopWithNoThreadAndStartWithoutFunction)
{
    C_ThreadEx thread;
    EXPECT_EQ(thread.Stop(0), 1);
    EXPECT_EQ(thread.Stop(10), 1);
    EXPECT_EQ(thread.Start(), 0);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadEx, SecondStartWhileRunningIsRefused)
{
    Looper looper;
    C_ThreadEx thread;
    thread.SetFunction(memberOf(looper));
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Start(), 0);
    EXPECT_EQ(thread.Stop(0), 0);
}

TEST(ThreadEx, BoundedStopReportsStillRunningThenEnded)
{
    std::atomic<bool> release{false};
    C_ThreadEx thread;
    // One long pass that ignores the stop request until released.
    thread.SetFunction(Pointer<I_Function>(MakePointer<C_FunctionObject>([&] {
        while (!release)
            qarvo_sleep_millis(1);
    })));
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Stop(20), 3);
    EXPECT_TRUE(thread.IsStopRequested());
    EXPECT_TRUE(thread.IsRunning());
    release = true;
    // The shutdown pattern of the application: repeat short stops while it still runs.
    int result = 3;
    const uint32_t start = qarvo_time_millis();
    while (result == 3 && qarvo_time_millis() - start < 10000)
        result = thread.Stop(100);
    EXPECT_EQ(result, 0);
}

TEST(ThreadEx, StopFromTheThreadItselfAsksForTheEnd)
{
    C_ThreadEx thread;
    std::atomic<int> fromInside{-1};
    std::atomic<int> passes{0};
    thread.SetFunction(Pointer<I_Function>(MakePointer<C_FunctionObject>([&] {
        ++passes;
        fromInside = thread.Stop(0);
    })));
    ASSERT_EQ(thread.Start(), 1);
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return !thread.IsRunning(); }));
    EXPECT_EQ(fromInside.load(), 2);
    EXPECT_EQ(passes.load(), 1);
    EXPECT_EQ(thread.Stop(0), 0);
}

TEST(ThreadEx, PassPollsTheStopRequest)
{
    C_ThreadEx thread;
    std::atomic<bool> sawStop{false};
    thread.SetFunction(Pointer<I_Function>(MakePointer<C_FunctionObject>([&] {
        while (!thread.IsStopRequested())
            qarvo_sleep_millis(1);
        sawStop = true;
    })));
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Stop(0), 0);
    EXPECT_TRUE(sawStop.load());
}

TEST(ThreadEx, EndThreadInsideAPassReleasesStop)
{
    C_ThreadEx thread;
    thread.SetFunction(Pointer<I_Function>(MakePointer<C_FunctionObject>([] { qarvo_end_thread(5); })));
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Stop(0), 0);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadEx, DestructorStopsAndJoins)
{
    Looper looper;
    {
        C_ThreadEx thread;
        thread.SetFunction(memberOf(looper));
        ASSERT_EQ(thread.Start(), 1);
        ASSERT_TRUE(qarvo_test::PollUntil([&] { return looper.passes.load() > 0; }));
    }
    // Looper outlives the thread: after the destructor no pass may run.
    const int after = looper.passes.load();
    qarvo_sleep_millis(10);
    EXPECT_EQ(looper.passes.load(), after);
}

TEST(ThreadEx, ThreadIdIsTheRunningThreads)
{
    C_ThreadEx thread;
    std::atomic<unsigned long> seen{0};
    thread.SetRepeat(false);
    thread.SetFunction(Pointer<I_Function>(MakePointer<C_FunctionObject>([&] { seen = thread.GetThreadId(); })));
    EXPECT_EQ(thread.GetThreadId(), ~0ul);
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Stop(0), 0);
    EXPECT_NE(seen.load(), 0ul);
    EXPECT_NE(seen.load(), qarvo_current_thread_id());
    EXPECT_EQ(thread.GetThreadId(), ~0ul);
}
