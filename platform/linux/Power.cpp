#include "platform/linux/Power.h"

#include <dirent.h>

#include <algorithm>
#include <cmath>
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

// A non-negative decimal attribute; -1 when absent or not a number.
long long Number(const std::string& dir, const char* name) {
    std::string text = Attr(dir, name);
    if (text.empty()) return -1;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || v < 0) return -1;
    return v;
}

struct Battery {
    long long now = -1, full = -1;  // energy, or charge when energy is missing
    long long capacity = -1;        // percent
    std::string status;
};

}  // namespace

Power::Power(std::string root) : root_(std::move(root)) {}

bool Power::Read(PowerReading& result) {
    DIR* d = ::opendir(root_.c_str());
    if (!d) return false;
    std::vector<std::string> supplies;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") supplies.push_back(root_ + "/" + name);
    }
    ::closedir(d);

    bool lineSeen = false, lineOnline = false;
    std::vector<Battery> batteries;
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
    result = status;
    return true;
}

}  // namespace pelmor::lnx
