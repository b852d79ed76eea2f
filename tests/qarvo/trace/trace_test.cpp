#include "qarvo/trace/trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <thread>
#include <vector>

#include "tests/qarvo/support/poll.h"
#include "tests/qarvo/support/temp_dir.h"

using qarvo::C_Trace;
using qarvo::C_WString;
using qarvo_test::TempDir;

namespace {

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.ok());
        ASSERT_EQ(trace.SetTraceName(dir.wfile("Trace.trc")), 1);
    }

    // The entries of the file: UTF-16LE split at LF, each with its time stamp checked and cut.
    std::vector<std::string> entries()
    {
        const std::string bytes = qarvo_test::ReadBytes(dir.file("Trace.trc"));
        EXPECT_EQ(bytes.size() % 2, 0u);
        std::string text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            EXPECT_EQ(bytes[i + 1], 0) << "non-ASCII unit in a test trace";
            text.push_back(bytes[i]);
        }
        EXPECT_EQ(text.find('\r'), std::string::npos);
        std::vector<std::string> out;
        static const std::regex stamp(R"(^\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\] )");
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t lf = text.find('\n', pos);
            EXPECT_NE(lf, std::string::npos) << "entry without its line feed";
            const std::string line = text.substr(pos, lf - pos);
            std::smatch m;
            EXPECT_TRUE(std::regex_search(line, m, stamp)) << line;
            out.push_back(line.substr(m.length()));
            pos = lf == std::string::npos ? text.size() : lf + 1;
        }
        return out;
    }

    TempDir dir;
    C_Trace trace;
};

}  // namespace

TEST_F(TraceTest, EntriesAreStampedUtf16LinesEndingInLineFeed)
{
    ASSERT_EQ(trace.TraceON(0), 1);
    EXPECT_EQ(trace.TraceON(0), 2);
    trace.Trace(u"hello");
    trace.Tracef(u"n=%d s=%s", 42, u"x");
    trace.TraceOFF();
    trace.Trace(u"ignored while off");
    EXPECT_EQ(entries(), (std::vector<std::string>{"hello", "n=42 s=x"}));
    // Turned on again, the file is appended to.
    ASSERT_EQ(trace.TraceON(0), 1);
    trace.Trace(u"again");
    trace.TraceOFF();
    EXPECT_EQ(entries().size(), 3u);
}

TEST_F(TraceTest, DumpOfTwentyBytesIsAFullRowAndAPartialOne)
{
    unsigned char data[20];
    for (int i = 0; i < 20; ++i)
        data[i] = static_cast<unsigned char>(0xEC + i);
    ASSERT_EQ(trace.TraceON(0), 1);
    trace.TraceDump(data, 20);
    trace.TraceOFF();
    EXPECT_EQ(entries(), (std::vector<std::string>{
                             "000000\tEC ED EE EF F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB",
                             "000010\tFC FD FE FF ",
                         }));
}

TEST_F(TraceTest, DumpRowsAreNumberedByTens)
{
    std::vector<unsigned char> data(35);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i);
    ASSERT_EQ(trace.TraceON(0), 1);
    trace.TraceDump(data.data(), 35);
    trace.TraceOFF();
    EXPECT_EQ(entries(), (std::vector<std::string>{
                             "000000\t00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
                             "000010\t10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
                             "000020\t20 21 22 ",
                         }));
}

TEST_F(TraceTest, DumpOfExactlySixteenBytesHasNoEmptySecondEntry)
{
    const unsigned char data[16] = {0xAB};
    ASSERT_EQ(trace.TraceON(0), 1);
    trace.TraceDump(data, 16);
    trace.TraceDump(data, 0);
    trace.TraceOFF();
    EXPECT_EQ(entries(), (std::vector<std::string>{"000000\tAB 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"}));
}

TEST_F(TraceTest, ClearEmptiesTheFileAndWritingGoesOn)
{
    ASSERT_EQ(trace.TraceON(0), 1);
    trace.Trace(u"one");
    trace.TraceClear();
    trace.Trace(u"two");
    trace.TraceOFF();
    EXPECT_EQ(entries(), (std::vector<std::string>{"two"}));
}

TEST_F(TraceTest, NamesChangeOnlyWhileOff)
{
    EXPECT_EQ(trace.GetLockName(), dir.wfile("_lock_Trace.trc"));
    ASSERT_EQ(trace.TraceON(0), 1);
    EXPECT_EQ(trace.SetTraceName(dir.wfile("other.trc")), 0);
    EXPECT_EQ(trace.SetLockName(dir.wfile("lk")), 0);
    EXPECT_EQ(trace.GetTraceName(), dir.wfile("Trace.trc"));
    trace.TraceOFF();
    EXPECT_EQ(trace.SetTraceName(dir.wfile("other.trc")), 1);
    EXPECT_EQ(trace.GetLockName(), dir.wfile("_lock_other.trc"));
    C_Trace fresh;
    EXPECT_EQ(fresh.GetTraceName(), u"Trace.trc");
    EXPECT_EQ(fresh.GetLockName(), u"_lock_Trace.trc");
}

TEST_F(TraceTest, LockDirectoryExistsExactlyWhileOn)
{
    trace.OnLock(1);
    EXPECT_TRUE(trace.IsLockMode());
    const auto lockDir = dir.path() / "_lock_Trace.trc";
    ASSERT_EQ(trace.TraceON(0), 1);
    EXPECT_TRUE(std::filesystem::is_directory(lockDir));
    // A second tracer of the same file does not get in while the first is on.
    C_Trace second;
    second.SetTraceName(dir.wfile("Trace.trc"));
    second.OnLock(1);
    EXPECT_EQ(second.TraceON(0), 0);
    EXPECT_FALSE(second.IsTraceOn());
    trace.TraceOFF();
    EXPECT_FALSE(std::filesystem::exists(lockDir));
    EXPECT_EQ(second.TraceON(0), 1);
    second.TraceOFF();
    EXPECT_FALSE(std::filesystem::exists(lockDir));
}

TEST_F(TraceTest, UnlimitedWaitLastsUntilTheHolderTurnsOff)
{
    trace.OnLock(1);
    ASSERT_EQ(trace.TraceON(0), 1);
    std::atomic<int> result{-1};
    std::thread waiter([&] {
        C_Trace second;
        second.SetTraceName(dir.wfile("Trace.trc"));
        second.OnLock(1);
        result = second.TraceON(-1);
        second.Trace(u"second");
    });
    qarvo_sleep_millis(100);
    EXPECT_EQ(result.load(), -1);
    trace.Trace(u"first");
    trace.TraceOFF();
    ASSERT_TRUE(qarvo_test::PollUntil([&] { return result.load() != -1; }));
    waiter.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(entries(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(TraceTest, LockThatCanNeverBeTakenGivesUpAtOnce)
{
    trace.OnLock(1);
    ASSERT_EQ(trace.SetLockName(dir.wfile("no/such/folder/_lock_")), 1);
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(trace.TraceON(-1), 0);
    EXPECT_LT(qarvo_time_millis() - start, 5000u);
    EXPECT_FALSE(trace.IsTraceOn());
}

TEST_F(TraceTest, OpenFailureReleasesTheLockAndReportsNotOn)
{
    // The trace name is a folder: it cannot be opened as a file.
    std::filesystem::create_directory(dir.path() / "folder.trc");
    ASSERT_EQ(trace.SetTraceName(dir.wfile("folder.trc")), 1);
    trace.OnLock(1);
    EXPECT_EQ(trace.TraceON(0), 0);
    EXPECT_FALSE(trace.IsTraceOn());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "_lock_folder.trc"));
}
