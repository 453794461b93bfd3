#include "platform/win32/Power.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace pelmor::win32 {

bool Power::Read(PowerReading& reading) {
    std::uint8_t ac = 255, percent = 255;
    if (!api_.GetSystemPowerStatus(ac, percent)) return false;
    reading.source = ac == 0   ? PowerReading::Source::Battery
                     : ac == 1 ? PowerReading::Source::Mains
                               : PowerReading::Source::Unknown;
    reading.level.reset();
    if (percent != 255) reading.level = percent;
    return true;
}

namespace {

constexpr std::uint32_t kSystemBattery = 0x80000000u;    // BATTERY_SYSTEM_BATTERY
constexpr std::uint32_t kRelative = 0x40000000u;         // BATTERY_CAPACITY_RELATIVE
constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;          // BATTERY_UNKNOWN_CAPACITY, _VOLTAGE
constexpr std::int32_t kUnknownRate = INT32_MIN;         // BATTERY_UNKNOWN_RATE

// A sum over the batteries that stays empty once one of them does not know.
struct Sum {
    std::optional<std::int64_t> value = 0;
    void Add(std::optional<std::int64_t> v) { value = value && v ? std::optional(*value + *v) : std::nullopt; }
};

std::optional<std::int64_t> Known(std::uint32_t v, bool relative) {
    if (relative || v == kUnknown) return std::nullopt;
    return v;
}

}  // namespace

void Power::ReadEnergy(PowerReading& reading) {
    BatteryEnergy& e = reading.energy;
    e = {};
    std::vector<BatteryData> all;
    if (!api_.QueryBatteries(all)) return;
    Sum energy, full, design, power, volts;
    std::optional<std::int64_t> cycles = 0;
    int count = 0;
    for (const BatteryData& b : all) {
        if (!(b.capabilities & kSystemBattery)) continue;
        ++count;
        const bool relative = (b.capabilities & kRelative) != 0;
        energy.Add(Known(b.capacity, relative));
        full.Add(Known(b.fullChargedCapacity, relative));
        design.Add(Known(b.designedCapacity, relative));
        volts.Add(Known(b.voltage, false));
        // The rate is negative while discharging; charging draws nothing from it.
        power.Add(relative || b.rate == kUnknownRate ? std::nullopt
                                                     : std::optional<std::int64_t>(b.rate < 0 ? -std::int64_t{b.rate} : 0));
        cycles = cycles && b.cycleCount ? std::optional<std::int64_t>(std::max<std::int64_t>(*cycles, b.cycleCount))
                                        : std::nullopt;
    }
    if (count == 0) return;
    e.energyMwh = energy.value;
    e.fullMwh = full.value;
    e.designMwh = design.value;
    e.powerMw = power.value;
    if (volts.value) e.voltageMv = *volts.value / count;
    e.cycles = cycles;
}

}  // namespace pelmor::win32
