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
using namespace std::string_literals;

namespace {

const fs::path root = fs::temp_directory_path() / ("pelmor-sysfs-" + std::to_string(getpid()));

// Changes to the supplies: "DIR attr=value ..." writes attributes (made
// empty by "attr="), "-DIR" removes a supply, "-" the whole folder.
void Put(const std::vector<std::string>& changes) {
    for (const std::string& change : changes) {
        std::istringstream words(change);
        std::string dir;
        words >> dir;
        if (dir[0] == '-') fs::remove_all(root / dir.substr(1));
        for (std::string a; words >> a;) {
            const std::size_t eq = a.find('=');
            fs::create_directories(root / dir);
            std::ofstream(root / dir / a.substr(0, eq)) << a.substr(eq + 1) << '\n';
        }
    }
}

void Lay(const std::vector<std::string>& supplies) {
    fs::remove_all(root);
    fs::create_directories(root);
    Put(supplies);
}

// "source level", or "failed" when the read says so; then the energy fields
// where any is there, "-" where empty.
template <class P>
std::string Show(P&& power, bool energy = true) {
    PowerReading r;
    if (!power.Read(r)) return "failed";
    if (energy) power.ReadEnergy(r);
    const char* source[] = {"battery", "mains", "unknown"};
    std::string text = source[static_cast<int>(r.source)] + " "s + (r.level ? std::to_string(*r.level) : "-"), more;
    bool any = false;
    for (const auto* f : r.energy.Fields())
        more += " " + (*f ? std::to_string(**f) : "-"s), any = any || *f;
    return any ? text + more : text;
}

}  // namespace

TEST(SysfsPower, SourceAndLevelFromTheSupplies) {
    const std::string bat = "BAT0 type=Battery capacity=50 ";
    struct Case {
        const char* name;
        std::vector<std::string> supplies;
        const char* want;
    } cases[] = {
        {"mains online", {"AC type=Mains online=1", bat + "capacity=76"}, "mains 76"},
        {"mains offline, empty", {"AC type=Mains online=0", bat + "capacity=0"}, "battery 0"},
        {"USB online beats a discharging battery",
         {"ucsi type=USB_C online=1", "AC type=Mains online=0", bat + "status=Discharging"}, "mains 50"},
        {"mains without 'online' ignored; all full", {"AC type=Mains", bat + "status=Full"}, "mains 50"},
        {"energy of all batteries combined, not their percentages",
         {bat + "energy_now=40000 energy_full=50000", "BAT1 type=Battery energy_now=2000 energy_full=20000"},
         "unknown 60 42 70 - - - -"},
        {"charge where energy is incomplete, rounded", {bat + "energy_full=0 charge_now=2000 charge_full=3000"},
         "unknown 67 - 0 - - - -"},
        {"energy and charge in one unit: charge at the nominal voltage",
         {bat + "energy_now=0 energy_full=40000000",
          "BAT1 type=Battery charge_now=1000000 charge_full=4000000 voltage_now=12000000 voltage_min_design=10000000"},
         "unknown 13 10000 80000 - - 12000 -"},
        {"capacity mean when one battery gives no amounts",
         {bat + "energy_now=10 energy_full=50 capacity=88", "BAT1 type=Battery charge_now=5 charge_full=0 capacity=35"},
         "unknown 62"},
        {"more than full is 100", {bat + "energy_now=2 energy_full=1"}, "unknown 100 0 0 - - - -"},
        {"no mains, one battery discharging", {bat + "status=Charging", "BAT1 type=Battery status=Discharging capacity=9"},
         "battery 30"},
        {"no mains, one charging", {bat + "status=Charging", "BAT1 type=Battery status=Unknown capacity=50"}, "mains 50"},
        {"no mains, status unknown", {bat + "status=Unknown"}, "unknown 50"},
        {"no supplies: a desktop on the mains", {}, "mains -"},
        {"device batteries and absent ones do not count",
         {"mouse type=Battery scope=Device status=Discharging capacity=5", bat + "present=0 status=Discharging"},
         "mains -"},
        {"a battery telling no level is a failed read, not a full one",
         {"AC type=Mains online=0", "BAT0 type=Battery present=1 energy_full=50000000 energy_now="}, "failed"},
        {"garbage in every level attribute", {bat + "energy_now=40x energy_full=50 capacity=-3"}, "failed"},
        {"one battery of two silent", {bat, "BAT1 type=Battery status=Full"}, "failed"},
        {"unreadable folder", {"-"}, "failed"},
        // The energy: "source level energy full design power voltage cycles".
        {"energy and power, rounded down",
         {bat + "energy_now=38500999 energy_full=50000000 energy_full_design=57000999 power_now=8000999 "
                "voltage_now=11100999 cycle_count=123"},
         "unknown 77 38500 50000 57000 8000 11100 123"},
        {"charge at the nominal voltage, current at the present one",
         {bat + "charge_now=3000000 charge_full=4000000 charge_full_design=5000000 current_now=700000 "
                "voltage_now=12000000 voltage_min_design=11000000"},
         "unknown 75 33000 44000 55000 8400 12000 -"},
        {"energy and charge summed as energy; a signed current; the first voltage, the most cycles",
         {bat + "energy_now=1000000 energy_full=2000000 energy_full_design=3000000 power_now=4000000 "
                "voltage_now=7000000 cycle_count=9",
          "BAT1 type=Battery charge_now=100000 charge_full=200000 charge_full_design=300000 current_now=-400000 "
          "voltage_now=10000000 cycle_count=40",
          "AC type=Mains online=0 voltage_now=20000000", "mouse type=Battery scope=Device energy_now=5"},
         "battery 50 2000 4000 6000 8000 7000 40"},
        {"one battery silent: no sum; a voltage of 0 is none",
         {bat + "energy_now=1000000 power_now=1 voltage_now=0",
          "BAT1 type=Battery capacity=9 energy_full=5 voltage_now=8000000"},
         "unknown 30 - - - - 8000 -"},
        {"charge without a voltage; a zero kept",
         {bat + "charge_now=3000000 charge_full=4000000 current_now=1 energy_full_design=0 power_now=0 "
                "cycle_count=0"},
         "unknown 75 - - 0 0 - 0"},
        {"energy and charge without a voltage, no capacity",
         {"BAT0 type=Battery energy_now=1 energy_full=2", "BAT1 type=Battery charge_now=1 charge_full=2"}, "unknown -"},
    };
    auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto open = descriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lay(c.supplies);
        EXPECT_EQ(Show(lnx::Power(root.string())), c.want);
        EXPECT_EQ(descriptors(), open) << "every file is closed with the reader";
    }
}


// One reader over time: values reread in place, a hiccup, supplies coming
// and going (noticed within the rescan's three reads), and what a tick costs.
TEST(SysfsPower, FollowsTheSuppliesOverTime) {
    struct Step {
        std::vector<std::string> changes;
        int reads;
        const char* want;  // after the reads
    } steps[] = {
        {{"AC type=Mains online=0", "BAT0 type=Battery energy_full=60 energy_now=30 capacity=50"}, 1, "battery 50"},
        {{"BAT0 energy_now= capacity="}, 1, "failed"},
        {{"BAT0 energy_now=15"}, 1, "battery 25"},
        {{"BAT1 type=Battery energy_full=60 energy_now=45"}, 3, "battery 50"},
        {{"-BAT1"}, 3, "battery 25"},
        {{"AC online=1"}, 1, "mains 25"},
        {{"-AC", "BAT0 status=Discharging"}, 3, "battery 25"},
    };
    Lay({});
    lnx::Power power(root.string(), 3);
    for (const Step& step : steps) {
        Put(step.changes);
        std::string got;
        for (int i = 0; i < step.reads; ++i) got = Show(power, false);
        EXPECT_EQ(got, step.want) << step.changes[0];
    }

    // A notebook on the mains: a tick rereads the online state and the
    // remaining energy, and nothing else.
    Lay({"AC type=Mains online=1", "BAT0 type=Battery present=1 status=Charging capacity=70 energy_now=35 "
         "energy_full=50 energy_full_design=60 power_now=9 voltage_now=12 voltage_min_design=11 cycle_count=3"});
    lnx::Power notebook(root.string());
    auto reads = [key = std::string(), n = 0LL]() mutable {
        for (std::ifstream io("/proc/self/io"); io >> key >> n && key != "syscr:";) {}
        return n;
    };
    EXPECT_EQ(Show(notebook, false), "mains 70");
    const long long before = reads();
    for (int i = 0; i < 10; ++i) Show(notebook, false);
    EXPECT_LE(reads() - before, 10 * 2 + 4) << "read calls for ten ticks";
    fs::remove_all(root);
}
