// The C runtime's clock, and the system's local time for the minute.
#pragma once

#include "platform/Clock.h"

namespace pelmor::win32 {

class Clock : public IClock {
public:
    std::int32_t Now() const override;
    int LocalMinute() const override;
    std::string CTime(std::int32_t t) const override;
    std::int32_t UtcOffset(std::int32_t t) const override;
};

}  // namespace pelmor::win32
