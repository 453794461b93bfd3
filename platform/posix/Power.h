// The power status of a Linux system, read from the power-supply class of
// sysfs and reported the way GetSystemPowerStatus reports it.
#pragma once

#include <string>

#include "platform/Power.h"

namespace pelmor {

class SysfsPowerSource : public IPowerSource {
public:
    // root: the directory with one subdirectory per power supply.
    explicit SysfsPowerSource(std::string root = "/sys/class/power_supply");

    // False only when the directory cannot be read. A system without a
    // battery reads as BatteryLifePercent 255 and, without any external
    // supply either, ACLineStatus 255.
    //
    // ACLineStatus: 1 when a mains/USB supply is online, 0 when there are
    // such supplies and all are offline; without any, it follows the
    // batteries: 0 when one discharges, 1 when one charges or all are full,
    // 255 otherwise.
    // BatteryLifePercent: the batteries' remaining energy over their full
    // energy (charge when energy is not reported), or else the mean of their
    // capacity values, rounded and held to 0..100.
    bool Read(PowerStatus& status) override;

private:
    std::string root_;
};

}  // namespace pelmor
