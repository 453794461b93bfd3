// The power status through GetSystemPowerStatus, and the batteries' energy
// through the battery devices, reached through IApi.
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
    // Only the system's batteries count (not a UPS), every one combined:
    // energies and the discharge power summed, the voltage their mean, the
    // cycles the largest count. A field is empty when a battery does not
    // tell it (the unknown values, capacities relative rather than in mWh, a
    // cycle count of 0) or when there is no battery device at all.
    void ReadEnergy(PowerReading& reading) override;

private:
    IApi& api_;
};

}  // namespace pelmor::win32
