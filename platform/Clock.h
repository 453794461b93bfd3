// Wall-clock time as the C runtime gives it.
#pragma once

#include <cstdint>
#include <string>

namespace pelmor {

class IClock {
public:
    virtual ~IClock() = default;
    // Seconds since the epoch, as time() returns them, cut to 32 bits.
    virtual std::int32_t Now() const = 0;
    // Minute of the hour (0..59) of the local wall-clock time.
    virtual int LocalMinute() const = 0;
    // ctime() of the given time: "Www Mmm dd hh:mm:ss yyyy\n" in local time.
    virtual std::string CTime(std::int32_t t) const = 0;
    // The local time's offset from UTC at t, in seconds east (Tokyo: 32400).
    virtual std::int32_t UtcOffset(std::int32_t t) const = 0;
};

}  // namespace pelmor
