#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <utility>

#include "platform/posix/Power.h"

namespace pelmor {
namespace {

namespace fs = std::filesystem;

// A power-supply directory in the layout of sysfs, made in a temp dir.
class SysfsPowerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "pelmor-power-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root_ = tmpl;
    }
    void TearDown() override { fs::remove_all(root_); }

    void Supply(const char* name,
                std::initializer_list<std::pair<const char*, const char*>> attrs) {
        fs::create_directories(root_ / name);
        for (auto& [key, value] : attrs) std::ofstream(root_ / name / key) << value << "\n";
    }
    PowerStatus Read(bool expectOk = true) {
        SysfsPowerSource power(root_.string());
        PowerStatus s{7, 7};
        EXPECT_EQ(power.Read(s), expectOk);
        return s;
    }
    fs::path root_;
};

TEST_F(SysfsPowerTest, MainsAndBatteryGiveLineStatusAndCapacity) {
    Supply("AC", {{"type", "Mains"}, {"online", "1"}});
    Supply("BAT0", {{"type", "Battery"}, {"present", "1"}, {"status", "Charging"},
                    {"capacity", "76"}});
    PowerStatus s = Read();
    EXPECT_EQ(s.ACLineStatus, 1);
    EXPECT_EQ(s.BatteryLifePercent, 76);

    Supply("AC", {{"online", "0"}});
    s = Read();
    EXPECT_EQ(s.ACLineStatus, 0);
}

TEST_F(SysfsPowerTest, EnergyOfAllBatteriesIsCombined) {
    Supply("AC", {{"type", "Mains"}, {"online", "0"}});
    // 30 + 11 of 50 + 50: 41 %, whatever each capacity file says.
    Supply("BAT0", {{"type", "Battery"}, {"energy_now", "30000000"},
                    {"energy_full", "50000000"}, {"capacity", "60"}});
    Supply("BAT1", {{"type", "Battery"}, {"energy_now", "11000000"},
                    {"energy_full", "50000000"}, {"capacity", "22"}});
    EXPECT_EQ(Read().BatteryLifePercent, 41);
}

TEST_F(SysfsPowerTest, ChargeIsUsedWhenEnergyIsNotReportedAndResultIsRounded) {
    Supply("BAT0", {{"type", "Battery"}, {"charge_now", "2000"}, {"charge_full", "3000"}});
    EXPECT_EQ(Read().BatteryLifePercent, 67);  // 66.67
}

TEST_F(SysfsPowerTest, WithoutMainsTheBatteryStatusDecidesTheLine) {
    Supply("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
    EXPECT_EQ(Read().ACLineStatus, 0);
    Supply("BAT0", {{"status", "Full"}});
    EXPECT_EQ(Read().ACLineStatus, 1);
    Supply("BAT0", {{"status", "Unknown"}});
    EXPECT_EQ(Read().ACLineStatus, 255);
}

TEST_F(SysfsPowerTest, DeviceBatteriesAndAbsentBatteriesDoNotCount) {
    Supply("hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "5"},
                               {"status", "Discharging"}});
    Supply("BAT1", {{"type", "Battery"}, {"present", "0"}, {"capacity", "0"}});
    PowerStatus s = Read();
    EXPECT_EQ(s.ACLineStatus, 255);
    EXPECT_EQ(s.BatteryLifePercent, 255);

    Supply("BAT0", {{"type", "Battery"}, {"capacity", "88"}});
    EXPECT_EQ(Read().BatteryLifePercent, 88);
}

TEST_F(SysfsPowerTest, OutOfRangeAndGarbageValuesAreContained) {
    Supply("BAT0", {{"type", "Battery"}, {"energy_now", "60"}, {"energy_full", "50"}});
    EXPECT_EQ(Read().BatteryLifePercent, 100);
    Supply("BAT0", {{"energy_now", "abc"}, {"energy_full", "0"}, {"capacity", "-3"}});
    EXPECT_EQ(Read().BatteryLifePercent, 255);
}

TEST_F(SysfsPowerTest, DesktopWithoutSuppliesReadsAsUnknown) {
    PowerStatus s = Read();
    EXPECT_EQ(s.ACLineStatus, 255);
    EXPECT_EQ(s.BatteryLifePercent, 255);
}

TEST_F(SysfsPowerTest, UnreadableDirectoryFailsAndLeavesTheStatusAlone) {
    SysfsPowerSource power((root_ / "missing").string());
    PowerStatus s{7, 7};
    EXPECT_FALSE(power.Read(s));
    EXPECT_EQ(s.ACLineStatus, 7);
    EXPECT_EQ(s.BatteryLifePercent, 7);
}

}  // namespace
}  // namespace pelmor
