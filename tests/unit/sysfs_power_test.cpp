// lnx::Power on power-supply directories laid out as sysfs does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/linux/Power.h"

using namespace pelmor;
namespace fs = std::filesystem;
using Source = PowerReading::Source;
using namespace std::string_literals;

namespace {

fs::path Root() { return fs::temp_directory_path() / ("pelmor-sysfs-" + std::to_string(getpid())); }

// Power-supply directories under root, each "DIR attr=value ...".
void Lay(const fs::path& root, const std::vector<std::string>& supplies) {
    fs::remove_all(root);
    fs::create_directories(root);
    for (const std::string& supply : supplies) {
        std::istringstream words(supply);
        std::string dir;
        words >> dir;
        fs::create_directories(root / dir);
        for (std::string a; words >> a;) {
            const std::size_t eq = a.find('=');
            std::ofstream(root / dir / a.substr(0, eq)) << a.substr(eq + 1) << '\n';
        }
    }
}

}  // namespace

TEST(SysfsPower, SourceAndLevelFromTheSupplies) {
    const char* bat = "BAT0 type=Battery capacity=50";
    const auto stays = std::pair(Source::Battery, std::optional<int>(7));  // what a failed read leaves
    struct Case {
        const char* name;
        std::vector<std::string> supplies;  // "DIR attr=value ..."
        Source source;
        std::optional<int> level;
        bool ok = true;    // Read's answer
        bool dir = true;   // the directory exists
    } cases[] = {
        {"mains online", {"AC type=Mains online=1", bat + " capacity=76"s}, Source::Mains, 76},
        {"mains offline, empty", {"AC type=Mains online=0", bat + " capacity=0"s}, Source::Battery, 0},
        {"USB online beats a discharging battery",
         {"ucsi type=USB_C online=1", "AC type=Mains online=0", bat + " status=Discharging"s}, Source::Mains, 50},
        {"mains without 'online' ignored; all full", {"AC type=Mains", bat + " status=Full"s}, Source::Mains, 50},
        {"energy of all batteries combined, not their percentages",
         {bat + " energy_now=40000 energy_full=50000 capacity=99"s,
          "BAT1 type=Battery energy_now=2000 energy_full=20000 capacity=99"}, Source::Unknown, 60},
        {"charge where energy is incomplete, rounded", {bat + " energy_full=5 charge_now=2000 charge_full=3000"s},
         Source::Unknown, 67},
        {"energy and charge in one unit: charge at the nominal voltage",
         {bat + " energy_now=10000000 energy_full=40000000"s,
          "BAT1 type=Battery charge_now=3000000 charge_full=4000000 voltage_now=12000000 voltage_min_design=10000000"},
         Source::Unknown, 50},
        {"capacity mean when one battery gives no amounts",
         {bat + " energy_now=10 energy_full=50 capacity=88"s, "BAT1 type=Battery charge_now=5 charge_full=0 capacity=35"},
         Source::Unknown, 62},
        {"more than full is 100", {bat + " energy_now=2 energy_full=1"s}, Source::Unknown, 100},
        {"no mains, one battery discharging",
         {bat + " status=Charging"s, "BAT1 type=Battery status=Discharging capacity=50"}, Source::Battery, 50},
        {"no mains, one charging", {bat + " status=Charging"s, "BAT1 type=Battery status=Unknown capacity=50"},
         Source::Mains, 50},
        {"no mains, status unknown", {bat + " status=Unknown"s}, Source::Unknown, 50},
        {"no supplies at all: a desktop on the mains", {}, Source::Mains, {}},
        {"device batteries and absent ones do not count",
         {"mouse type=Battery scope=Device status=Discharging capacity=5",
          bat + " present=0 status=Discharging capacity=9"s}, Source::Mains, {}},
        {"a battery telling no level is a failed read, not a full one",
         {"AC type=Mains online=0", "BAT0 type=Battery present=1 energy_full=50000000 energy_now="},
         stays.first, stays.second, false},
        {"garbage in every level attribute: failed",
         {bat + " energy_now=40x energy_full=50 capacity=-3"s}, stays.first, stays.second, false},
        {"one battery of two silent: failed", {bat, "BAT1 type=Battery status=Full"}, stays.first, stays.second,
         false},
        {"unreadable directory: the reading stays", {}, stays.first, stays.second, false, false},
    };
    const fs::path root = Root();
    auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto open = descriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lay(root, c.supplies);
        if (!c.dir) fs::remove_all(root);
        PowerReading r{Source::Battery, 7};
        EXPECT_EQ(lnx::Power(root.string()).Read(r), c.ok);
        EXPECT_EQ(std::pair(r.source, r.level), std::pair(c.source, c.level));
        EXPECT_EQ(descriptors(), open) << "every file is closed with the reader";
    }
    fs::remove_all(root);
}

// One reader over time: values reread in place, a hiccup, supplies coming
// and going (noticed within the rescan's three reads), and what a tick costs.
TEST(SysfsPower, FollowsTheSuppliesOverTime) {
    struct Step {
        std::vector<std::string> changes;  // "DIR/attr=value", or "-DIR" to remove it
        int reads;
        const char* want;  // "source level" after the reads, or "failed"
    } steps[] = {
        {{"AC/type=Mains", "AC/online=0", "BAT0/type=Battery", "BAT0/present=1", "BAT0/energy_full=60",
          "BAT0/energy_now=30", "BAT0/capacity=99", "BAT0/status=Discharging"}, 1, "battery 50"},
        {{"BAT0/energy_now=45"}, 1, "battery 75"},
        {{"BAT0/energy_now=", "BAT0/capacity="}, 1, "failed"},
        {{"BAT0/energy_now=15"}, 1, "battery 25"},
        {{"BAT1/type=Battery", "BAT1/energy_full=60", "BAT1/energy_now=45"}, 3, "battery 50"},
        {{"-BAT1"}, 3, "battery 25"},
        {{"AC/online=1"}, 1, "mains 25"},
        {{"-AC"}, 3, "battery 25"},
    };
    const fs::path root = Root();
    Lay(root, {});
    lnx::Power power(root.string(), 3);
    for (const Step& step : steps) {
        for (const std::string& c : step.changes) {
            if (c[0] == '-') {
                fs::remove_all(root / c.substr(1));
                continue;
            }
            const std::size_t slash = c.find('/'), eq = c.find('=');
            fs::create_directories(root / c.substr(0, slash));
            std::ofstream(root / c.substr(0, eq)) << c.substr(eq + 1) << (eq + 1 < c.size() ? "\n" : "");
        }
        std::string got;
        for (int i = 0; i < step.reads; ++i) {
            PowerReading r;
            got = !power.Read(r)                     ? "failed"
                  : r.source == Source::Battery ? "battery " + std::to_string(r.level.value_or(-1))
                                                : "mains " + std::to_string(r.level.value_or(-1));
        }
        EXPECT_EQ(got, step.want) << step.changes[0];
    }

    // A notebook on the mains: each tick rereads the online state, the
    // presence and the two energy amounts, and nothing else.
    Lay(root, {"AC type=Mains online=1", "BAT0 type=Battery present=1 status=Charging capacity=70 energy_now=35 "
               "energy_full=50 energy_full_design=60 power_now=9 voltage_now=12 voltage_min_design=11 cycle_count=3"});
    lnx::Power notebook(root.string());
    auto syscalls = [] {
        std::ifstream io("/proc/self/io");
        std::string key;
        long long n = -1;
        while (io >> key >> n && key != "syscr:") {}
        return n;
    };
    PowerReading r;
    ASSERT_TRUE(notebook.Read(r));
    const long long before = syscalls();
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(notebook.Read(r));
    EXPECT_EQ(std::pair(r.source, r.level), std::pair(Source::Mains, std::optional<int>(70)));
    EXPECT_LE(syscalls() - before, 10 * 4 + 4) << "read calls for ten ticks";
    fs::remove_all(root);
}

// The energy fields as "energy full design power voltage cycles", "-" where empty.
TEST(SysfsPower, EnergyOfAllBatteriesCombined) {
    const std::string bat = "BAT0 type=Battery capacity=50 ";
    struct Case {
        const char* name;
        std::vector<std::string> supplies;
        const char* energy;
    } cases[] = {
        {"energy and power, rounded down",
         {bat + "energy_now=38500999 energy_full=50000000 energy_full_design=57000000 power_now=8000999 "
                "voltage_now=11100999 cycle_count=123"},
         "38500 50000 57000 8000 11100 123"},
        {"charge at the nominal voltage, current at the present one",
         {bat + "charge_now=3000000 charge_full=4000000 charge_full_design=5000000 current_now=700000 "
                "voltage_now=12000000 voltage_min_design=11000000"},
         "33000 44000 55000 8400 12000 -"},
        {"charge without a nominal voltage: the present one",
         {bat + "charge_now=3000000 charge_full=4000000 charge_full_design=5000000 voltage_now=12000000"},
         "36000 48000 60000 - 12000 -"},
        {"a current signed by its direction", {bat + "current_now=-500000 voltage_now=10000000"},
         "- - - 5000 10000 -"},
        {"energy and charge batteries summed as energy; first voltage, most cycles",
         {bat + "energy_now=1000000 energy_full=2000000 energy_full_design=3000000 power_now=4000000 "
                "voltage_now=7000000 cycle_count=9",
          "BAT1 type=Battery charge_now=100000 charge_full=200000 charge_full_design=300000 current_now=400000 "
          "voltage_now=10000000 cycle_count=40",
          "AC type=Mains online=0 voltage_now=20000000", "mouse type=Battery scope=Device energy_now=5"},
         "2000 4000 6000 8000 7000 40"},
        {"one battery silent: no sum",
         {bat + "energy_now=1000000 power_now=1", "BAT1 type=Battery capacity=9 energy_full=5 voltage_now=8000000"},
         "- - - - 8000 -"},
        {"charge without any voltage", {bat + "charge_now=3000000 current_now=1"}, "- - - - - -"},
        {"no battery", {"AC type=Mains online=1"}, "- - - - - -"},
    };
    const fs::path root = Root();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lay(root, c.supplies);
        PowerReading r, cheap;
        ASSERT_TRUE(lnx::Power(root.string()).ReadEnergy(r));
        std::string got;
        for (const auto& f : {r.energyMwh, r.fullMwh, r.designMwh, r.powerMw, r.voltageMv, r.cycles})
            got += (got.empty() ? "" : " ") + (f ? std::to_string(*f) : "-");
        EXPECT_EQ(got, c.energy);
        ASSERT_TRUE(lnx::Power(root.string()).Read(cheap));
        EXPECT_EQ(std::pair(cheap.source, cheap.level), std::pair(r.source, r.level));
    }
    fs::remove_all(root);
}
