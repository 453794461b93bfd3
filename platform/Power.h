// The system power status: the two byte fields of SYSTEM_POWER_STATUS that
// Pelmor uses.
#pragma once

#include <cstdint>

namespace pelmor {

struct PowerStatus {
    std::uint8_t ACLineStatus = 255;        // 0 offline, 1 online, 255 unknown
    std::uint8_t BatteryLifePercent = 255;  // 0..100, 255 unknown
};

class IPowerSource {
public:
    virtual ~IPowerSource() = default;
    virtual bool Read(PowerStatus& status) = 0;  // false: the read failed
};

}  // namespace pelmor
