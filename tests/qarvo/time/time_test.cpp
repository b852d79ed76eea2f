#include "qarvo/time/time.h"

#include <gtest/gtest.h>

#include <ctime>

TEST(Time, BrokenDownUtc)
{
    // 2009-02-13 23:31:30 UTC is 1234567890 (date -u -d @1234567890).
    qarvo::C_Time t(1234567890);
    std::tm tm{};
    ASSERT_TRUE(t.GetGMTime(&tm));
    EXPECT_EQ(tm.tm_year + 1900, 2009);
    EXPECT_EQ(tm.tm_mon + 1, 2);
    EXPECT_EQ(tm.tm_mday, 13);
    EXPECT_EQ(tm.tm_hour, 23);
    EXPECT_EQ(tm.tm_min, 31);
    EXPECT_EQ(tm.tm_sec, 30);
    EXPECT_TRUE(t.GetLocalTime(&tm));
    EXPECT_FALSE(t.GetGMTime(nullptr));
    qarvo::C_Time now;
    const int64_t before = static_cast<int64_t>(::time(nullptr));
    EXPECT_GE(now.CreateTime(), before);
}
