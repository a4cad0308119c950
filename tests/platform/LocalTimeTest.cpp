#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

TEST(LocalTimeTest, MidnightFollowsTheLocalZone) {
    int64_t t = 0;
    {
        test::ScopedEnv tz("TZ", "UTC");
        ASSERT_TRUE(LocalMidnight(2007, 1, 15, t));
        EXPECT_EQ(t, 1168819200);
    }
    {
        test::ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
        ASSERT_TRUE(LocalMidnight(2007, 1, 15, t));
        EXPECT_EQ(t, 1168819200 + 5 * 3600);  // winter: UTC-5
        ASSERT_TRUE(LocalMidnight(2007, 7, 15, t));
        EXPECT_EQ(t, 1184457600 + 4 * 3600);  // summer: UTC-4, chosen by the system
        EXPECT_EQ(FormatLocalTime(t, "%Y-%m-%d %H:%M:%S"), "2007-07-15 00:00:00");
    }
}

TEST(LocalTimeTest, RejectsDaysThatDoNotExist) {
    int64_t t = 0;
    EXPECT_FALSE(LocalMidnight(2007, 0, 15, t));
    EXPECT_FALSE(LocalMidnight(2007, 13, 1, t));
    EXPECT_FALSE(LocalMidnight(2007, 2, 29, t));
    EXPECT_TRUE(LocalMidnight(2008, 2, 29, t));
    EXPECT_FALSE(LocalMidnight(2007, 4, 31, t));
    EXPECT_FALSE(LocalMidnight(1969, 12, 31, t));
    EXPECT_FALSE(LocalMidnight(10000, 1, 1, t));
    // Midnight of the first day of 1970 is 0 in UTC, which means "no time".
    EXPECT_FALSE(LocalMidnight(1970, 1, 1, t));
}

TEST(LocalTimeTest, DateOfATime) {
    int year = 0, month = 0, day = 0;
    ASSERT_TRUE(LocalDate(1168819200 + 86399, year, month, day));
    EXPECT_EQ(year, 2007);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(day, 15);
}

TEST(LocalTimeTest, DecimalPartsOfDatesAndTimes) {
    int parts[3] = {};
    ASSERT_TRUE(SplitDecimalParts("2007-01-15", '-', parts, 3));
    EXPECT_EQ(parts[0], 2007);
    EXPECT_EQ(parts[1], 1);
    EXPECT_EQ(parts[2], 15);
    ASSERT_TRUE(SplitDecimalParts("23:05:009", ':', parts, 3));
    EXPECT_EQ(parts[2], 9);
    for (const char* bad : {"2007-01", "2007-01-15-1", "2007--15", "-01-15", "2007-01-", "2007-+1-15",
                            "2007-01-15 ", "1234567890-1-1", ""})
        EXPECT_FALSE(SplitDecimalParts(bad, '-', parts, 3)) << bad;
}

}  // namespace
}  // namespace corvatine::platform
