// The power status of a Linux system, read from the power-supply class of
// sysfs.
#pragma once

#include <string>

#include "platform/Power.h"

namespace pelmor::lnx {

class Power : public IPowerSource {
public:
    // root: the directory with one subdirectory per power supply.
    explicit Power(std::string root = "/sys/class/power_supply");

    // False only when the directory cannot be read. A system without a
    // battery has no level and, without any external supply either, no
    // known source.
    //
    // Source: the mains when a mains/USB supply is online, the battery when
    // there are such supplies and all are offline; without any, it follows
    // the batteries: the battery when one discharges, the mains when one
    // charges or all are full, unknown otherwise.
    // Level: the batteries' remaining energy over their full energy (charge
    // when energy is not reported), or else the mean of their capacity
    // values, rounded and held to 0..100.
    bool Read(PowerReading& status) override;
    // Read, and the batteries' energy: all of them combined, each figure
    // only where every battery tells it. Energy from energy_* (µWh) and
    // power_now (µW), or from charge_* (µAh) at the nominal voltage
    // (voltage_min_design, else voltage_now) and current_now (µA) at
    // voltage_now; summed, then in mWh and mW rounded down. The voltage is
    // the first battery's (by name) that tells it, in mV; the cycles the
    // highest count of any battery, the most worn one's.
    bool ReadEnergy(PowerReading& status) override;

private:
    bool Take(PowerReading& status, bool energy);

    std::string root_;
};

}  // namespace pelmor::lnx
