// The power status: where the power comes from and how full the batteries
// are, as far as the system can tell.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace pelmor {

// The batteries' energy, all batteries combined, where the system tells it:
// remaining, at full charge and by design (mWh), the discharge power (mW),
// the voltage (mV) and the charge cycles counted.
struct BatteryEnergy {
    std::optional<std::int64_t> energyMwh{}, fullMwh{}, designMwh{}, powerMw{}, voltageMv{}, cycles{};

    // The six in that order, as the trace's columns have them.
    std::array<std::optional<std::int64_t>*, 6> Fields() {
        return {&energyMwh, &fullMwh, &designMwh, &powerMw, &voltageMv, &cycles};
    }
    std::array<const std::optional<std::int64_t>*, 6> Fields() const {
        return {&energyMwh, &fullMwh, &designMwh, &powerMw, &voltageMv, &cycles};
    }
};

struct PowerReading {
    enum class Source { Battery, Mains, Unknown };
    Source source = Source::Unknown;
    std::optional<int> level;  // percent; none when the system cannot tell
    BatteryEnergy energy;
};

class IPowerSource {
public:
    virtual ~IPowerSource() = default;
    virtual bool Read(PowerReading& reading) = 0;  // false: the read failed
    // Fills the energy fields where the system keeps them apart from the
    // status, behind a slower query: asked for at a trace line, not every
    // second. Where the status read fills them already, nothing is left to do.
    virtual void ReadEnergy(PowerReading& reading) { (void)reading; }
};

}  // namespace pelmor
