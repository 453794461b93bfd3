// The C runtime's clock, and the system's local time for the minute.
#include <windows.h>

#include <cstdio>
#include <ctime>

#include "platform/win32/Clock.h"

namespace pelmor::win32 {

std::int32_t Clock::Now() const { return static_cast<std::int32_t>(std::time(nullptr)); }

// The system's local wall-clock time, as the runtime's gettime() reads it.
int Clock::LocalMinute() const {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return st.wMinute;
}

// The layout of ctime() as the C standard gives it: "Www Mmm dd hh:mm:ss
// yyyy\n", the day right-aligned in two characters. Microsoft's runtime pads
// the day with a zero instead, so the text is built here from localtime().
// A time localtime() cannot convert (before 1970, for one) gives an empty
// text, as with the portable clock.
std::string Clock::CTime(std::int32_t t) const {
    static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t tt = t;
    const std::tm* tm = std::localtime(&tt);
    if (!tm || tm->tm_wday < 0 || tm->tm_wday > 6 || tm->tm_mon < 0 || tm->tm_mon > 11)
        return {};
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                          kDays[tm->tm_wday], kMonths[tm->tm_mon], tm->tm_mday, tm->tm_hour,
                          tm->tm_min, tm->tm_sec, tm->tm_year + 1900);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

// The runtime's local time of t read back as if it were UTC, less t. The
// runtime knows the zone and its summer time as the system (or TZ) gives
// them; a time it cannot convert counts as UTC.
std::int32_t Clock::UtcOffset(std::int32_t t) const {
    std::time_t tt = t;
    const std::tm* tm = std::localtime(&tt);
    if (!tm) return 0;
    // Days since 1970-01-01 of the local date (proleptic Gregorian).
    const long long y = tm->tm_year + 1900 - (tm->tm_mon < 2);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const int m = tm->tm_mon + 1;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + tm->tm_mday - 1;
    const long long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    const long long local = days * 86400 + tm->tm_hour * 3600 + tm->tm_min * 60 + tm->tm_sec;
    return static_cast<std::int32_t>(local - tt);
}

}  // namespace pelmor::win32
