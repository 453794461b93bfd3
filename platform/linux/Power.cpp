#include "platform/linux/Power.h"

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace pelmor::lnx {

namespace {

// First line of a sysfs attribute, without the line feed; empty when the
// attribute is absent or unreadable.
std::string Attr(const std::string& dir, const char* name) {
    std::ifstream in(dir + "/" + name);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// A non-negative decimal attribute; -1 when absent or not a number. Some
// drivers sign the current and the power by its direction: signed takes the
// magnitude.
long long Number(const std::string& dir, const char* name, bool signed_ = false) {
    std::string text = Attr(dir, name);
    if (text.empty()) return -1;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (signed_ && v < 0) v = -v;
    if (*end != '\0' || v < 0) return -1;
    return v;
}

struct Battery {
    long long now = -1, full = -1;  // energy, or charge when energy is missing
    long long capacity = -1;        // percent
    std::string status;
};

// One battery's energy in pWh (µWh × 10^6, or µAh × µV); -1 when unknown.
struct Energy {
    long long now = -1, full = -1, design = -1, power = -1;  // power in pW
    long long voltage = -1, cycles = -1;                     // µV, count
};

Energy EnergyOf(const std::string& dir) {
    Energy e;
    auto scaled = [](long long v, long long by) { return v < 0 || by < 0 ? -1 : v * by; };
    e.voltage = Number(dir, "voltage_now");
    e.cycles = Number(dir, "cycle_count");
    e.now = scaled(Number(dir, "energy_now"), 1000000);
    e.full = scaled(Number(dir, "energy_full"), 1000000);
    e.design = scaled(Number(dir, "energy_full_design"), 1000000);
    e.power = scaled(Number(dir, "power_now", true), 1000000);
    // Charge counted at the pack's nominal voltage where it tells it: the
    // voltage its rating is given at and about its mean over a discharge, so
    // the full and the design energy keep the ratio of their charges and the
    // remaining energy does not swing with the load.
    long long nominal = Number(dir, "voltage_min_design");
    if (nominal <= 0) nominal = e.voltage;
    if (e.now < 0) e.now = scaled(Number(dir, "charge_now"), nominal);
    if (e.full < 0) e.full = scaled(Number(dir, "charge_full"), nominal);
    if (e.design < 0) e.design = scaled(Number(dir, "charge_full_design"), nominal);
    if (e.power < 0) e.power = scaled(Number(dir, "current_now", true), e.voltage);
    return e;
}

// The batteries' energy into reading: sums, in mWh and mW rounded down; the
// voltage of the first battery that tells it; the most cycles of any.
void Combine(const std::vector<Energy>& batteries, PowerReading& reading) {
    auto sum = [&](long long Energy::*field, std::optional<std::int64_t>& out) {
        long long total = 0;
        for (const Energy& e : batteries) {
            if (e.*field < 0) return;
            total += e.*field;
        }
        out = total / 1000000000;
    };
    if (batteries.empty()) return;
    sum(&Energy::now, reading.energyMwh);
    sum(&Energy::full, reading.fullMwh);
    sum(&Energy::design, reading.designMwh);
    sum(&Energy::power, reading.powerMw);
    for (const Energy& e : batteries) {
        if (e.voltage >= 0 && !reading.voltageMv) reading.voltageMv = e.voltage / 1000;
        if (e.cycles >= 0) reading.cycles = std::max<std::int64_t>(reading.cycles.value_or(0), e.cycles);
    }
}

}  // namespace

Power::Power(std::string root) : root_(std::move(root)) {}

bool Power::Read(PowerReading& result) { return Take(result, false); }

bool Power::ReadEnergy(PowerReading& result) { return Take(result, true); }

bool Power::Take(PowerReading& result, bool energy) {
    DIR* d = ::opendir(root_.c_str());
    if (!d) return false;
    std::vector<std::string> supplies;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") supplies.push_back(root_ + "/" + name);
    }
    ::closedir(d);
    std::sort(supplies.begin(), supplies.end());

    bool lineSeen = false, lineOnline = false;
    std::vector<Battery> batteries;
    std::vector<Energy> energies;
    for (const std::string& dir : supplies) {
        // Batteries of mice, keyboards and the like do not power the system.
        if (Attr(dir, "scope") == "Device") continue;
        std::string type = Attr(dir, "type");
        if (type == "Battery") {
            if (Attr(dir, "present") == "0") continue;
            Battery b;
            b.now = Number(dir, "energy_now");
            b.full = Number(dir, "energy_full");
            if (b.now < 0 || b.full <= 0) {
                b.now = Number(dir, "charge_now");
                b.full = Number(dir, "charge_full");
            }
            b.capacity = Number(dir, "capacity");
            b.status = Attr(dir, "status");
            batteries.push_back(b);
            if (energy) energies.push_back(EnergyOf(dir));
        } else if (type == "Mains" || type.rfind("USB", 0) == 0) {
            long long online = Number(dir, "online");
            if (online < 0) continue;
            lineSeen = true;
            if (online > 0) lineOnline = true;
        }
    }

    using Source = PowerReading::Source;
    PowerReading status;  // unknown source, unknown level
    if (lineSeen) {
        status.source = lineOnline ? Source::Mains : Source::Battery;
    } else if (!batteries.empty()) {
        bool discharging = false, charging = false, allFull = true;
        for (const Battery& b : batteries) {
            if (b.status == "Discharging") discharging = true;
            if (b.status == "Charging") charging = true;
            if (b.status != "Full") allFull = false;
        }
        if (discharging) status.source = Source::Battery;
        else if (charging || allFull) status.source = Source::Mains;
    }

    if (!batteries.empty()) {
        bool amounts = true;
        long long now = 0, full = 0;
        for (const Battery& b : batteries) {
            if (b.now < 0 || b.full <= 0) amounts = false;
            else now += b.now, full += b.full;
        }
        double percent = -1;
        if (amounts) {
            percent = 100.0 * static_cast<double>(now) / static_cast<double>(full);
        } else {
            long long sum = 0;
            int n = 0;
            for (const Battery& b : batteries) {
                if (b.capacity >= 0) sum += b.capacity, ++n;
            }
            if (n > 0) percent = static_cast<double>(sum) / n;
        }
        if (percent >= 0) {
            status.level = static_cast<int>(std::clamp(std::lround(percent), 0L, 100L));
        }
    }
    Combine(energies, status);
    result = status;
    return true;
}

}  // namespace pelmor::lnx
