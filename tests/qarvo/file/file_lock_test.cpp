#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "qarvo/file/file_stream.h"
#include "qarvo/time/clock.h"
#include "tests/qarvo/support/temp_dir.h"

using qarvo::C_FileStream;
using qarvo_test::TempDir;

namespace {

constexpr int kCreateReadWrite = 0x8102;

class FileLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.ok());
        qarvo_test::WriteBytes(dir.file("f"), "0123456789");
        ASSERT_EQ(first.Open(dir.wfile("f"), kCreateReadWrite), 1);
        ASSERT_EQ(second.Open(dir.wfile("f"), kCreateReadWrite), 1);
    }
    TempDir dir;
    C_FileStream first;
    C_FileStream second;
};

}  // namespace

// Two streams of one process must exclude each other, as two processes would.
TEST_F(FileLockTest, SecondLockerIsRefusedWithoutWait)
{
    ASSERT_EQ(first.Lock(0ll, 10), 0);
    EXPECT_EQ(second.Lock(0ll, 10), 1);
    EXPECT_EQ(second.Lock(5ll, 2), 1);  // overlapping
    EXPECT_EQ(second.Lock(10ll, 5), 0);  // beyond the locked range
    EXPECT_EQ(first.Unlock(0ll, 10), 0);
    EXPECT_EQ(second.Lock(0ll, 10), 0);
}

TEST_F(FileLockTest, LockFromThePositionLeavesThePositionAlone)
{
    first.Seek(4, SEEK_SET);
    ASSERT_EQ(first.Lock(2), 0);
    EXPECT_EQ(first.GetPos(), 4);
    EXPECT_EQ(second.Lock(3ll, 1), 0);
    EXPECT_EQ(second.Lock(4ll, 1), 1);
    EXPECT_EQ(second.Lock(5ll, 1), 1);
    EXPECT_EQ(second.Lock(6ll, 1), 0);
}

TEST_F(FileLockTest, WaitRunsOutWithTwo)
{
    ASSERT_EQ(first.Lock(0ll, 10), 0);
    second.SetLockWait(true, 120);
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(second.Lock(0ll, 10), 2);
    EXPECT_GE(qarvo_time_millis() - start, 115u);
}

TEST_F(FileLockTest, WaitSucceedsWhenTheHolderLetsGo)
{
    ASSERT_EQ(first.Lock(0ll, 10), 0);
    second.SetLockWait(true, -1);
    std::thread releaser([&] {
        qarvo_sleep_millis(60);
        first.Unlock(0ll, 10);
    });
    EXPECT_EQ(second.Lock(0ll, 10), 0);
    releaser.join();
}

TEST_F(FileLockTest, ClosingOneStreamKeepsTheOthersLock)
{
    ASSERT_EQ(second.Lock(0ll, 10), 0);
    {
        C_FileStream third;
        ASSERT_EQ(third.Open(dir.wfile("f"), kCreateReadWrite), 1);
    }
    EXPECT_EQ(first.Lock(0ll, 10), 1);
    second.Close();  // closing releases
    EXPECT_EQ(first.Lock(0ll, 10), 0);
}

TEST_F(FileLockTest, BadArgumentsAndClosedStreamAreRefused)
{
    EXPECT_EQ(first.Lock(-1ll, 3), 1);
    EXPECT_EQ(first.Lock(0ll, -3), 1);
    C_FileStream closed;
    EXPECT_EQ(closed.Lock(4), 1);
    EXPECT_EQ(closed.Unlock(4), 1);
}
