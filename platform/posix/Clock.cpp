#include "platform/posix/Clock.h"

#include <ctime>

namespace pelmor::posix {

std::int32_t Clock::Now() const { return static_cast<std::int32_t>(std::time(nullptr)); }

int Clock::LocalMinute() const {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return tm.tm_min;
}

std::string Clock::CTime(std::int32_t t) const {
    std::time_t tt = t;
    char buf[32];
    return ctime_r(&tt, buf) ? std::string(buf) : std::string();
}

std::int32_t Clock::UtcOffset(std::int32_t t) const {
    std::time_t tt = t;
    std::tm tm{};
    return localtime_r(&tt, &tm) ? static_cast<std::int32_t>(tm.tm_gmtoff) : 0;
}

}  // namespace pelmor::posix
