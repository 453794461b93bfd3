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

private:
    std::string root_;
};

}  // namespace pelmor::lnx
