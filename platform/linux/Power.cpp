#include "platform/linux/Power.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace pelmor::lnx {

namespace {

enum Attr {
    kOnline, kPresent, kStatus, kCapacity, kEnergyNow, kEnergyFull, kEnergyDesign, kPowerNow,
    kChargeNow, kChargeFull, kChargeDesign, kCurrentNow, kVoltageNow, kVoltageMin, kCycles, kAttrs
};
const char* const kAttrNames[kAttrs] = {
    "online", "present", "status", "capacity", "energy_now", "energy_full", "energy_full_design",
    "power_now", "charge_now", "charge_full", "charge_full_design", "current_now", "voltage_now",
    "voltage_min_design", "cycle_count"};

// The attribute's first line, without trailing blanks, read afresh from the
// start of the open file; empty when the attribute is absent (no file), none
// when reading fails.
std::optional<std::string> Text(int fd) {
    if (fd < 0) return std::string();
    char buf[128];
    const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
    if (n < 0) return std::nullopt;
    std::string line(buf, static_cast<std::size_t>(n));
    line.erase(std::min(line.size(), line.find('\n')));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

// A non-negative decimal; -1 when empty or not a number. Some drivers sign
// the current and the power by its direction: magnitude takes it unsigned.
long long Parse(const std::string& text, bool magnitude = false) {
    if (text.empty()) return -1;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (magnitude && v < 0) v = -v;
    if (*end != '\0' || v < 0) return -1;
    return v;
}

long long Number(const Power::Supply& s, Attr a, bool magnitude = false) {
    return Parse(Text(s.files[a]).value_or(std::string()), magnitude);
}

// The voltage (µV) charge is counted as energy at: the pack's nominal
// voltage where it tells it, the voltage its rating is given at and about
// its mean over a discharge, so that full and design energy keep the ratio
// of their charges and the remaining energy does not swing with the load;
// else the present voltage; 0 when neither is known.
long long Nominal(const Power::Supply& s) {
    const long long v = Number(s, kVoltageMin);
    return v > 0 ? v : std::max(Number(s, kVoltageNow), 0LL);
}

// v times a unit or a voltage; -1 when v is unknown or the voltage unknown
// or 0 (as some drivers report an unknown voltage).
long long Scaled(long long v, long long by) { return v < 0 || by <= 0 ? -1 : v * by; }

// One battery's energy in pWh (µWh × 10^6, or µAh × µV) and power in pW;
// -1 where unknown.
struct Energy {
    long long now = -1, full = -1, design = -1, power = -1;
    long long voltage = -1, cycles = -1;  // µV, count
};

Energy EnergyOf(const Power::Supply& s) {
    Energy e;
    e.voltage = Number(s, kVoltageNow);
    e.cycles = Number(s, kCycles);
    e.now = Scaled(Number(s, kEnergyNow), 1000000);
    e.full = Scaled(Number(s, kEnergyFull), 1000000);
    e.design = Scaled(Number(s, kEnergyDesign), 1000000);
    e.power = Scaled(Number(s, kPowerNow, true), 1000000);
    if (e.now < 0 || e.full < 0 || e.design < 0) {
        const long long nominal = Nominal(s);
        if (e.now < 0) e.now = Scaled(Number(s, kChargeNow), nominal);
        if (e.full < 0) e.full = Scaled(Number(s, kChargeFull), nominal);
        if (e.design < 0) e.design = Scaled(Number(s, kChargeDesign), nominal);
    }
    if (e.power < 0) e.power = Scaled(Number(s, kCurrentNow, true), e.voltage);
    return e;
}

// The batteries' energy into reading: sums, in mWh and mW rounded down; the
// voltage of the first battery that tells it; the most cycles of any.
void Combine(const std::vector<Energy>& batteries, PowerReading& reading) {
    if (batteries.empty()) return;
    auto sum = [&](long long Energy::*field, std::optional<std::int64_t>& out) {
        long long total = 0;
        for (const Energy& e : batteries) {
            if (e.*field < 0) return;
            total += e.*field;
        }
        out = total / 1000000000;
    };
    sum(&Energy::now, reading.energy.energyMwh);
    sum(&Energy::full, reading.energy.fullMwh);
    sum(&Energy::design, reading.energy.designMwh);
    sum(&Energy::power, reading.energy.powerMw);
    for (const Energy& e : batteries) {
        if (e.voltage > 0 && !reading.energy.voltageMv) reading.energy.voltageMv = e.voltage / 1000;
        if (e.cycles >= 0) reading.energy.cycles = std::max<std::int64_t>(reading.energy.cycles.value_or(0), e.cycles);
    }
}

// The first line of a file read once; empty when it cannot be read.
std::string Once(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text = Text(fd).value_or(std::string());
    if (fd >= 0) ::close(fd);
    return text;
}

// A present battery's amounts for the level: energy, or charge when its
// energy is incomplete.
struct Level {
    const Power::Supply* supply;
    long long now = -1, full = -1;
    bool charge = false;
    long long capacity = -1;
};

}  // namespace

Power::Power(std::string root, int rescanEvery) : root_(std::move(root)), rescanEvery_(rescanEvery) {}

Power::~Power() { Close(); }

void Power::Close() {
    for (const Supply& s : supplies_) {
        for (int fd : s.files) {
            if (fd >= 0) ::close(fd);
        }
    }
    supplies_.clear();
    names_.clear();
}

bool Power::Scan() {
    DIR* d = ::opendir(root_.c_str());
    if (!d) return false;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    sinceScan_ = 0;
    if (reopen_ || names != names_) {
        Close();
        reopen_ = false;
        names_ = std::move(names);
        for (const std::string& name : names_) {
            const std::string dir = root_ + "/" + name + "/";
            // Batteries of mice, keyboards and the like do not power the system.
            if (Once(dir + "scope") == "Device") continue;
            const std::string type = Once(dir + "type");
            Supply s;
            s.battery = type == "Battery";
            if (!s.battery && type != "Mains" && type.rfind("USB", 0) != 0) continue;
            s.files.assign(kAttrs, -1);
            for (int a = s.battery ? kPresent : kOnline; a < (s.battery ? kAttrs : kOnline + 1); ++a)
                s.files[a] = ::open((dir + kAttrNames[a]).c_str(), O_RDONLY | O_CLOEXEC);
            supplies_.push_back(std::move(s));
        }
    }
    // What changes seldom is read with the listing: whether a battery is
    // present (a battery pulled out fails its reads until then), its unit
    // and its full amount.
    for (Supply& s : supplies_) {
        if (!s.battery) continue;
        const std::optional<std::string> present = Text(s.files[kPresent]);
        if (!present) {
            reopen_ = true;
            return false;
        }
        s.present = *present != "0";
        const long long full = Number(s, kEnergyFull);
        s.charge = full <= 0 || Number(s, kEnergyNow) < 0;
        s.full = s.charge ? Number(s, kChargeFull) : full;
    }
    return true;
}

bool Power::Read(PowerReading& result) { return Take(result, false); }

void Power::ReadEnergy(PowerReading& result) {
    PowerReading all;
    if (!Take(all, true)) all = {};
    result.energy = all.energy;
}

bool Power::Take(PowerReading& result, bool energy) {
    if (reopen_ || sinceScan_ >= rescanEvery_) {
        if (!Scan()) return false;
    }
    ++sinceScan_;

    bool failed = false, lineSeen = false, lineOnline = false;
    std::vector<Level> batteries;
    for (const Supply& s : supplies_) {
        if (!s.battery) {
            const std::optional<std::string> online = Text(s.files[kOnline]);
            if (!online) failed = true;
            else if (const long long v = Parse(*online); v >= 0) {
                lineSeen = true;
                if (v > 0) lineOnline = true;
            }
            continue;
        }
        if (!s.present) continue;
        Level b{&s, Number(s, s.charge ? kChargeNow : kEnergyNow), s.full, s.charge};
        batteries.push_back(b);
    }

    // Energy and charge are added in one unit: charge at its voltage where
    // the batteries mix them.
    bool amounts = true, charge = false, energyUnit = false;
    for (Level& b : batteries) {
        if (b.now < 0 || b.full <= 0) amounts = false;
        else (b.charge ? charge : energyUnit) = true;
    }
    if (amounts && charge && energyUnit) {
        for (Level& b : batteries) {
            const long long by = b.charge ? Nominal(*b.supply) : 1000000;
            if (by <= 0) {
                amounts = false;
                continue;
            }
            b.now *= by;
            b.full *= by;
        }
    }
    // A present battery that tells no level is a failed read, not a full
    // or an unknown battery.
    if (!amounts) {
        for (Level& b : batteries) {
            b.capacity = Number(*b.supply, kCapacity);
            if (b.capacity < 0 && (b.now < 0 || b.full <= 0)) failed = true;
        }
    }
    if (failed) {
        reopen_ = true;
        return false;
    }

    using Source = PowerReading::Source;
    PowerReading status;  // unknown source, unknown level
    if (lineSeen) {
        status.source = lineOnline ? Source::Mains : Source::Battery;
    } else if (batteries.empty()) {
        status.source = Source::Mains;  // nothing else can power it: a desktop
    } else {
        bool discharging = false, charging = false, allFull = true;
        for (const Level& b : batteries) {
            const std::string state = Text(b.supply->files[kStatus]).value_or(std::string());
            if (state == "Discharging") discharging = true;
            if (state == "Charging") charging = true;
            if (state != "Full") allFull = false;
        }
        if (discharging) status.source = Source::Battery;
        else if (charging || allFull) status.source = Source::Mains;
    }

    if (!batteries.empty()) {
        double percent = -1;
        if (amounts) {
            double now = 0, full = 0;
            for (const Level& b : batteries) now += static_cast<double>(b.now), full += static_cast<double>(b.full);
            percent = 100.0 * now / full;
        } else {
            long long sum = 0;
            int n = 0;
            for (const Level& b : batteries) {
                if (b.capacity >= 0) sum += b.capacity, ++n;
            }
            if (n > 0) percent = static_cast<double>(sum) / n;
        }
        if (percent >= 0) {
            status.level = static_cast<int>(std::clamp(std::lround(percent), 0L, 100L));
        }
    }
    if (energy) {
        std::vector<Energy> energies;
        for (const Level& b : batteries) energies.push_back(EnergyOf(*b.supply));
        Combine(energies, status);
    }
    result = status;
    return true;
}

}  // namespace pelmor::lnx
