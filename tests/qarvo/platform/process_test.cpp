// Programs started for the user and how they ended.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "qarvo/platform/process.h"

namespace {

using namespace qarvo::platform;

std::optional<int> waitForExit(long pid)
{
    for (int i = 0; i < 500; ++i) {
        if (const std::optional<int> status = programExitStatus(pid))
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

TEST(Process, StartedProgramsReportHowTheyEnded)
{
    const std::string sh = findProgram("sh");
    ASSERT_FALSE(sh.empty());
    EXPECT_EQ(sh[0], '/');
    EXPECT_EQ(findProgram("no-such-program-pelmora"), "");
    EXPECT_EQ(findProgram("../sh"), "");

    std::string error;
    const long pid = startProgram({sh, "-c", "read line; exit 3"}, &error);
    ASSERT_GT(pid, 0) << error;
    // Its input is /dev/null, so it does not wait for ours.
    EXPECT_EQ(waitForExit(pid), 3);

    const long killed = startProgram({sh, "-c", "kill -TERM $$"}, &error);
    ASSERT_GT(killed, 0) << error;
    EXPECT_EQ(waitForExit(killed), 128 + 15);

    const long sleeper = startProgram({sh, "-c", "sleep 1"}, &error);
    ASSERT_GT(sleeper, 0) << error;
    EXPECT_EQ(programExitStatus(sleeper), std::nullopt);  // still running
    EXPECT_EQ(waitForExit(sleeper), 0);

    EXPECT_EQ(startProgram({"/no/such/program"}, &error), -1);
    EXPECT_NE(error.find("/no/such/program"), std::string::npos);
    EXPECT_EQ(startProgram({"sh"}, &error), -1);  // not a full path
}

}  // namespace
