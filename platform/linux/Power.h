// The power status of a Linux system, read from the power-supply class of
// sysfs.
#pragma once

#include <string>
#include <vector>

#include "platform/Power.h"

namespace pelmor::lnx {

class Power : public IPowerSource {
public:
    // root: the directory with one subdirectory per power supply. The
    // supplies' attribute files stay open and are reread in place; the
    // directory is listed again every rescanEvery reads (a minute at the
    // one-second tick) to notice supplies added or removed, and the files
    // are reopened after a failed read.
    explicit Power(std::string root = "/sys/class/power_supply", int rescanEvery = 60);
    ~Power() override;
    Power(const Power&) = delete;
    Power& operator=(const Power&) = delete;

    // False when the directory cannot be read, and when a battery that is
    // present tells no level or a supply's online state cannot be read (a
    // driver's hiccup, not a full or an unknown battery).
    //
    // Source: the mains when a mains/USB supply is online, the battery when
    // there are such supplies and all are offline; without any, the mains
    // when no battery is present either (a desktop), else it follows the
    // batteries: the battery when one discharges, the mains when one charges
    // or all are full, unknown otherwise.
    // Level: the batteries' remaining energy over their full energy (charge
    // when all tell charge only; charge counted as energy at the voltage
    // below when they mix), or else the mean of their capacity values,
    // rounded and held to 0..100.
    // Reads only what these rules need: each tick the online states and
    // the batteries' remaining amounts, their capacity and status only when
    // needed; their presence and full amounts with each listing.
    bool Read(PowerReading& status) override;
    // The batteries' energy (nothing where the read fails): all of them combined, each figure
    // only where every battery tells it. Energy from energy_* (µWh) and
    // power_now (µW), or from charge_* (µAh) at the nominal voltage
    // (voltage_min_design, else voltage_now) and current_now (µA) at
    // voltage_now; summed, then in mWh and mW rounded down. The voltage is
    // the first battery's (by name) that tells it, in mV; the cycles the
    // highest count of any battery, the most worn one's.
    void ReadEnergy(PowerReading& status) override;

    struct Supply {
        bool battery = false;
        std::vector<int> files;  // one per attribute; -1 where it is absent
        // A battery's, read with the listing: present, telling charge only
        // (no energy), its full energy or charge (-1: unknown).
        bool present = true, charge = false;
        long long full = -1;
    };

private:
    bool Take(PowerReading& status, bool energy);
    bool Scan();  // false: the directory or a battery's presence cannot be read
    void Close();

    std::string root_;
    int rescanEvery_;
    int sinceScan_ = 0;
    bool reopen_ = true;
    std::vector<std::string> names_;  // sorted
    std::vector<Supply> supplies_;    // the system's, in the order of names
};

}  // namespace pelmor::lnx
