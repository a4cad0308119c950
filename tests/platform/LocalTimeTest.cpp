#include "platform/LocalTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

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

// Every hour of a year, and clock times on either side of each change of
// offset, come out as mktime gives them; in the hour that repeats when the
// clocks go back either moment is right, as long as it reads back the same.
TEST(LocalTimeTest, ManyTimesAreConvertedAsMktimeConvertsThem) {
    for (const char* zone : {"UTC", "EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3",
                             "AEST-10AEDT,M10.1.0,M4.1.0/3", "<+0530>-5:30"}) {
        test::ScopedEnv tz("TZ", zone);
        const CLocalTimes times;
        int differences = 0;
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                for (int hour = 0; hour < 24; ++hour) {
                    for (const int minute : {0, 30, 59}) {
                        int64_t expected = 0, seconds = 0;
                        const bool real = LocalDateTime(2021, month, day, hour, minute, 59, expected);
                        ASSERT_EQ(times.DateTime(2021, month, day, hour, minute, 59, seconds), real)
                            << zone << " " << month << "-" << day << " " << hour;
                        if (!real || seconds == expected) continue;
                        ++differences;
                        char clock[32];
                        std::snprintf(clock, sizeof clock, "2021-%02d-%02d %02d:%02d:59", month, day, hour,
                                      minute);
                        EXPECT_EQ(FormatLocalTime(seconds, "%Y-%m-%d %H:%M:%S"), clock) << zone;
                        EXPECT_EQ(std::llabs(seconds - expected), 3600) << zone << " " << clock;
                    }
                }
            }
        }
        EXPECT_LE(differences, 3) << zone;  // only within the repeated hour
    }
}

TEST(LocalTimeTest, ConvertersReadTheZoneWhenTheyAreMade) {
    int64_t utc = 0, eastern = 0;
    {
        test::ScopedEnv tz("TZ", "UTC");
        ASSERT_TRUE(CLocalTimes().DateTime(2007, 1, 15, 12, 0, 0, utc));
    }
    {
        test::ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
        const CLocalTimes times;
        ASSERT_TRUE(times.DateTime(2007, 1, 15, 12, 0, 0, eastern));
        int64_t seconds = 0;
        EXPECT_FALSE(times.DateTime(2007, 2, 29, 0, 0, 0, seconds));
        EXPECT_FALSE(times.DateTime(2007, 1, 15, 24, 0, 0, seconds));
        EXPECT_FALSE(times.DateTime(1969, 12, 31, 23, 0, 0, seconds));
        // The clocks went from 02:00 to 03:00 on 2007-03-11: mktime's reading.
        int64_t expected = 0;
        ASSERT_TRUE(LocalDateTime(2007, 3, 11, 2, 30, 0, expected));
        ASSERT_TRUE(times.DateTime(2007, 3, 11, 2, 30, 0, seconds));
        EXPECT_EQ(seconds, expected);
    }
    EXPECT_EQ(utc, 1168862400);
    EXPECT_EQ(eastern, utc + 5 * 3600);
    test::ScopedEnv tz("TZ", "UTC");
    int64_t seconds = 0;
    EXPECT_FALSE(CLocalTimes().DateTime(1970, 1, 1, 0, 0, 0, seconds));  // 0 is "no time"
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
