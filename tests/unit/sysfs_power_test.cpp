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
    const char* bat = "BAT0 type=Battery";
    struct Case {
        const char* name;
        std::vector<std::string> supplies;  // "DIR attr=value ..."
        Source source;
        std::optional<int> level;
        bool readable = true;
    } cases[] = {
        {"mains online", {"AC type=Mains online=1", bat + " capacity=76"s}, Source::Mains, 76},
        {"mains offline, empty", {"AC type=Mains online=0", bat + " capacity=0"s}, Source::Battery, 0},
        {"USB online beats a discharging battery",
         {"ucsi type=USB_C online=1", "AC type=Mains online=0", bat + " status=Discharging"s},
         Source::Mains, {}},
        {"mains without 'online' ignored; all full", {"AC type=Mains", bat + " status=Full"s},
         Source::Mains, {}},
        {"energy of all batteries combined, not their percentages",
         {bat + " energy_now=40000 energy_full=50000 capacity=99"s,
          "BAT1 type=Battery energy_now=2000 energy_full=20000 capacity=99"}, Source::Unknown, 60},
        {"charge where energy is incomplete, rounded", {bat + " energy_full=5 charge_now=2000 charge_full=3000"s},
         Source::Unknown, 67},
        {"capacity mean when one battery gives no amounts",
         {bat + " energy_now=10 energy_full=50 capacity=88"s, "BAT1 type=Battery charge_now=5 charge_full=0 capacity=35"},
         Source::Unknown, 62},
        {"more than full is 100", {bat + " energy_now=2 energy_full=1"s}, Source::Unknown, 100},
        {"garbage gives no level",
         {bat + " energy_now=40x energy_full=50 capacity=-3"s, "BAT1 type=Battery capacity=9%"},
         Source::Unknown, {}},
        {"no mains, one battery discharging",
         {bat + " status=Charging"s, "BAT1 type=Battery status=Discharging"}, Source::Battery, {}},
        {"no mains, one charging", {bat + " status=Charging"s, "BAT1 type=Battery status=Unknown"},
         Source::Mains, {}},
        {"no mains, status unknown", {bat + " status=Unknown"s}, Source::Unknown, {}},
        {"device batteries and absent ones do not count",
         {"mouse type=Battery scope=Device status=Discharging capacity=5",
          bat + " present=0 status=Discharging capacity=9"s}, Source::Unknown, {}},
        {"no supplies at all", {}, Source::Unknown, {}},
        {"unreadable directory: the reading stays", {}, Source::Battery, 7, false},
    };
    const fs::path root = Root();
    auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto open = descriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lay(root, c.supplies);
        if (!c.readable) fs::remove_all(root);
        PowerReading r{Source::Battery, 7};
        EXPECT_EQ(lnx::Power(root.string()).Read(r), c.readable);
        EXPECT_EQ(std::pair(r.source, r.level), std::pair(c.source, c.level));
        EXPECT_EQ(descriptors(), open) << "the folder is closed again";
    }
    fs::remove_all(root);
}

// The energy fields as "energy full design power voltage cycles", "-" where empty.
TEST(SysfsPower, EnergyOfAllBatteriesCombined) {
    const std::string bat = "BAT0 type=Battery ";
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
         {bat + "energy_now=1000000 power_now=1", "BAT1 type=Battery energy_full=5 voltage_now=8000000"},
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
