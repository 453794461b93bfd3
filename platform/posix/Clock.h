// The C runtime's clock, in local time.
#pragma once

#include "platform/Clock.h"

namespace pelmor::posix {

class Clock : public IClock {
public:
    std::int32_t Now() const override;
    int LocalMinute() const override;
    std::string CTime(std::int32_t t) const override;
    std::int32_t UtcOffset(std::int32_t t) const override;
};

}  // namespace pelmor::posix
