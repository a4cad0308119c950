#include "platform/LocalTime.h"

#include <ctime>

namespace corvatine::platform {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsRealDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysSince1970(int year, int month, int day) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
}

}  // namespace

bool LocalMidnight(int year, int month, int day, int64_t& seconds) {
    return LocalDateTime(year, month, day, 0, 0, 0, seconds);
}

bool LocalDateTime(int year, int month, int day, int hour, int minute, int second, int64_t& seconds) {
    if (!IsRealDateTime(year, month, day, hour, minute, second)) return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) || t <= 0) return false;
    seconds = static_cast<int64_t>(t);
    return true;
}

CLocalTimes::CLocalTimes() { tzset(); }

bool CLocalTimes::DateTime(int year, int month, int day, int hour, int minute, int second,
                           int64_t& seconds) const {
    if (!IsRealDateTime(year, month, day, hour, minute, second)) return false;
    // The clock time read as UTC, less the zone's offset from UTC at that
    // moment; tried again with the offset found, in case the first one was
    // on the other side of a change of offset. localtime_r keeps the zone
    // read by the constructor. A clock time that does not come out the same
    // (skipped when the clocks went forward) is left to mktime.
    const int64_t utc = DaysSince1970(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    int64_t guess = utc;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::tm tm{};
        auto t = static_cast<std::time_t>(guess);
        if (localtime_r(&t, &tm) == nullptr) break;
        const int64_t candidate = utc - tm.tm_gmtoff;
        t = static_cast<std::time_t>(candidate);
        if (localtime_r(&t, &tm) == nullptr) break;
        if (tm.tm_year == year - 1900 && tm.tm_mon == month - 1 && tm.tm_mday == day && tm.tm_hour == hour &&
            tm.tm_min == minute && tm.tm_sec == second) {
            if (candidate <= 0) return false;
            seconds = candidate;
            return true;
        }
        guess = candidate;
    }
    return LocalDateTime(year, month, day, hour, minute, second, seconds);
}

bool LocalDate(int64_t seconds, int& year, int& month, int& day) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) return false;
    year = tm.tm_year + 1900;
    month = tm.tm_mon + 1;
    day = tm.tm_mday;
    return true;
}

bool SplitDecimalParts(std::string_view text, char separator, int* parts, int count) {
    for (int i = 0; i < count; ++i) {
        const bool last = i + 1 == count;
        const size_t end = last ? text.size() : text.find(separator);
        if (end == std::string_view::npos) return false;
        const std::string_view piece = text.substr(0, end);
        if (piece.empty() || piece.size() > 9) return false;
        int n = 0;
        for (const char c : piece) {
            if (c < '0' || c > '9') return false;
            n = n * 10 + (c - '0');
        }
        parts[i] = n;
        text.remove_prefix(last ? end : end + 1);
    }
    return true;
}

std::string FormatLocalTime(int64_t seconds, const char* format) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) return std::string();
    char buffer[256];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
    return std::string(buffer, n);
}

}  // namespace corvatine::platform
