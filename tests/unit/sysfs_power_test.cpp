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
    const fs::path root = fs::temp_directory_path() / ("pelmor-sysfs-" + std::to_string(getpid()));
    auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto open = descriptors();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        if (c.readable) fs::create_directories(root);
        for (const std::string& supply : c.supplies) {
            std::istringstream words(supply);
            std::string dir;
            words >> dir;
            fs::create_directories(root / dir);
            for (std::string a; words >> a;) {
                const std::size_t eq = a.find('=');
                std::ofstream(root / dir / a.substr(0, eq)) << a.substr(eq + 1) << '\n';
            }
        }
        PowerReading r{Source::Battery, 7};
        EXPECT_EQ(lnx::Power(root.string()).Read(r), c.readable);
        EXPECT_EQ(std::pair(r.source, r.level), std::pair(c.source, c.level));
        EXPECT_EQ(descriptors(), open) << "the folder is closed again";
    }
    fs::remove_all(root);
}
