// The power status through GetSystemPowerStatus, reached through IApi.
#pragma once

#include "platform/Power.h"
#include "platform/win32/Api.h"

namespace pelmor::win32 {

// ACLineStatus 0 is the battery, 1 the mains, 255 (and anything else)
// unknown; a BatteryLifePercent of 255 is unknown.
class Power : public IPowerSource {
public:
    explicit Power(IApi& api) : api_(api) {}
    bool Read(PowerReading& reading) override;

private:
    IApi& api_;
};

}  // namespace pelmor::win32
