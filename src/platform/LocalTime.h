// Calendar times in the local time zone (TZ), in whole seconds since 1970.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvatine::platform {

// Midnight local time at the start of the given day; daylight saving is
// decided by the system. False when the date is not a real calendar day
// (month 1..12, day within its month, year 1970..9999) or does not fall after
// the start of 1970 (0 means "no time" to the callers).
[[nodiscard]] bool LocalMidnight(int year, int month, int day, int64_t& seconds);

// The local time of that day and clock time (hour 0..23, minute and second
// 0..59), under the same rules as LocalMidnight.
[[nodiscard]] bool LocalDateTime(int year, int month, int day, int hour, int minute, int second,
                                 int64_t& seconds);

// Local dates and times converted as LocalDateTime does, many at a time: the
// time zone is read once, when the object is made, where each mktime reads it
// again (a stat of /etc/localtime when TZ is unset). For lists of stored times.
// In the hour that repeats when the clocks go back, either moment may come
// out, as with mktime; both read back as the same clock time.
class CLocalTimes {
public:
    CLocalTimes();

    [[nodiscard]] bool DateTime(int year, int month, int day, int hour, int minute, int second,
                                int64_t& seconds) const;
};

// The local calendar day of a time. False when the time cannot be converted.
[[nodiscard]] bool LocalDate(int64_t seconds, int& year, int& month, int& day);

// Splits text at every separator into exactly count whole decimal numbers of
// 1 to 9 digits ("2007-01-15" at '-' into three). False on anything else.
[[nodiscard]] bool SplitDecimalParts(std::string_view text, char separator, int* parts, int count);

// strftime of the local time; empty when the time cannot be converted.
std::string FormatLocalTime(int64_t seconds, const char* format);

}  // namespace corvatine::platform
