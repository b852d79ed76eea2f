#include "qarvo/thread/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/qarvo/support/poll.h"
#include "qarvo/thread/event.h"

namespace {

struct Gate {
    qarvo::C_Event go;
    std::atomic<bool> started{false};
};

unsigned waitForGate(void* arg)
{
    auto* gate = static_cast<Gate*>(arg);
    gate->started = true;
    gate->go.Wait(-1);
    return 7;
}

// Records that the destructor of a local ran, proving the stack was unwound.
struct UnwindProbe {
    std::atomic<bool>* flag;
    ~UnwindProbe() { *flag = true; }
};

struct EndArgs {
    std::atomic<bool> unwound{false};
    std::atomic<bool> ranPastEnd{false};
};

void deepEnd(EndArgs* args)
{
    UnwindProbe probe{&args->unwound};
    qarvo_end_thread(42);
    args->ranPastEnd = true;
}

unsigned endsEarly(void* arg)
{
    deepEnd(static_cast<EndArgs*>(arg));
    return 1;
}

// Static: the detached thread may outlive the test's stack frame.
std::atomic<qarvo_thread_t> g_selfHandle{nullptr};
std::atomic<bool> g_selfClosed{false};

unsigned closesItself(void*)
{
    while (!g_selfHandle.load())
        qarvo_sleep_millis(1);
    qarvo_close_thread(g_selfHandle.load());
    g_selfClosed = true;
    return 0;
}

}  // namespace

TEST(Thread, RunningUntilTheFunctionReturnsThenJoinGivesItsResult)
{
    Gate gate;
    qarvo_thread_t h = qarvo_create_thread(waitForGate, &gate);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return gate.started.load(); }));
    EXPECT_TRUE(qarvo_is_thread_running(h));
    gate.go.SetEvent();
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return !qarvo_is_thread_running(h); }));
    int code = -1;
    EXPECT_EQ(qarvo_join_thread(h, &code), 0);
    EXPECT_EQ(code, 7);
    // A second join of an ended thread still reports its code.
    code = -1;
    EXPECT_EQ(qarvo_join_thread(h, &code), 0);
    EXPECT_EQ(code, 7);
    qarvo_close_thread(h);
}

TEST(Thread, EndThreadUnwindsAndSetsTheExitCode)
{
    EndArgs args;
    qarvo_thread_t h = qarvo_create_thread(endsEarly, &args);
    ASSERT_NE(h, nullptr);
    int code = 0;
    EXPECT_EQ(qarvo_join_thread(h, &code), 0);
    qarvo_close_thread(h);
    EXPECT_EQ(code, 42);
    EXPECT_TRUE(args.unwound.load());
    EXPECT_FALSE(args.ranPastEnd.load());
}

TEST(Thread, NullHandlesAndNullFunctionAreRefused)
{
    EXPECT_EQ(qarvo_create_thread(nullptr, nullptr), nullptr);
    EXPECT_EQ(qarvo_join_thread(nullptr, nullptr), -1);
    EXPECT_FALSE(qarvo_is_thread_running(nullptr));
    qarvo_close_thread(nullptr);
    qarvo_end_thread(3);  // a thread the library did not start: must simply return
}

TEST(Thread, CloseWaitsForAThreadNotJoinedYet)
{
    Gate gate;
    qarvo_thread_t h = qarvo_create_thread(waitForGate, &gate);
    ASSERT_NE(h, nullptr);
    gate.go.SetEvent();
    qarvo_close_thread(h);  // gate must stay alive until the thread is done: close joins
    SUCCEED();
}

TEST(Thread, ClosingItsOwnHandleIsSafe)
{
    qarvo_thread_t h = qarvo_create_thread(closesItself, nullptr);
    ASSERT_NE(h, nullptr);
    g_selfHandle = h;
    // The thread detaches itself; nothing to join.
    EXPECT_TRUE(qarvo_test::PollUntil([] { return g_selfClosed.load(); }));
}
