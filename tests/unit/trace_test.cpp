// pelmor-trace.csv as the main window writes it: which lines come when, the
// energy asked for only at a line, and a trace that cannot be written
// leaving the log and the measurement alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "fakes/Fakes.h"

using namespace pelmor;
using Source = PowerReading::Source;

namespace {

struct Main {
    fake::Rig rig;
    std::unique_ptr<TfrmMain> form = std::make_unique<TfrmMain>(rig.app);
    fake::Window& W() { return rig.ui.Form("frmMain"); }
    void StartStop() { W().Click("mnuStart"); }
    void Tick(int seconds) {
        rig.clock.now += seconds;
        W().Tick("TimerBase");
    }
    void Set(Source s, int level) { rig.power.reading.source = s, rig.power.reading.level = level; }
    void Close() {
        bool can = true;
        form->FormCloseQuery(can);
    }
    std::string Trace() { return fake::ReadFile(rig.Path("pelmor-trace.csv")).value_or("(none)"); }
};

const char kHeader[] =
    "started,time,event,elapsed_s,source,level,energy_mwh,full_mwh,design_mwh,power_mw,voltage_mv,cycles\r\n";

}  // namespace

TEST(Trace, OneLineAtEachEventOfAMeasurement) {
    Main m;
    m.rig.clock.offset = 9 * 3600;
    m.rig.power.reading = {Source::Battery, 100, 41000, 50000, 56000, 7500, 11800, 42};
    m.Tick(0);  // the program ticks from its start: minute 13 is under way
    const struct {
        const char* step;
        std::function<void()> act;
        const char* adds;
    } steps[] = {
        {"start", [&] { m.StartStop(); },
         "2023-11-15T07:13:20+09:00,2023-11-15T07:13:20+09:00,start,0,battery,100,41000,50000,56000,7500,11800,42\r\n"},
        {"same minute, same source", [&] { m.Tick(30); }, ""},
        {"source", [&] { m.Set(Source::Mains, 81), m.Tick(5); },
         "2023-11-15T07:13:20+09:00,2023-11-15T07:13:55+09:00,source,35,mains,81,41000,50000,56000,7500,11800,42\r\n"},
        {"minute", [&] { m.Tick(5); },
         "2023-11-15T07:13:20+09:00,2023-11-15T07:14:00+09:00,minute,40,mains,81,41000,50000,56000,7500,11800,42\r\n"},
        {"suspend", [&] { m.W().Sleep(true); },
         "2023-11-15T07:13:20+09:00,2023-11-15T07:14:00+09:00,suspend,40,mains,81,41000,50000,56000,7500,11800,42\r\n"},
        {"resume on battery, an hour later", [&] { m.rig.clock.now += 3600, m.Set(Source::Battery, 79), m.W().Sleep(false); },
         "2023-11-15T07:13:20+09:00,2023-11-15T08:14:00+09:00,resume,3640,battery,79,41000,50000,56000,7500,11800,42\r\n"},
        {"the resume's source is not a change", [&] { m.Tick(1); }, ""},
        {"stop", [&] { m.StartStop(); },
         "2023-11-15T07:13:20+09:00,2023-11-15T08:14:01+09:00,stop,3641,battery,79,41000,50000,56000,7500,11800,42\r\n"},
        {"idle: no minute, source or sleep lines", [&] { m.Tick(60), m.Set(Source::Mains, 79), m.Tick(1), m.W().Sleep(true); }, ""},
        {"a second measurement, unknown level", [&] { m.rig.power.reading.level.reset(), m.StartStop(); },
         "2023-11-15T08:15:02+09:00,2023-11-15T08:15:02+09:00,start,0,mains,,41000,50000,56000,7500,11800,42\r\n"},
        {"close", [&] { m.Tick(2), m.Close(); },
         "2023-11-15T08:15:02+09:00,2023-11-15T08:15:04+09:00,close,2,mains,,41000,50000,56000,7500,11800,42\r\n"},
        {"nothing after the close", [&] { m.Tick(60), m.W().Sleep(false); }, ""},
    };
    std::string want = kHeader;
    for (const auto& s : steps) {
        s.act();
        want += s.adds;
        EXPECT_EQ(m.Trace(), want) << s.step;
    }
    EXPECT_EQ(m.rig.Read("pelmor.log"),
              "     30, 100,  0\r\n     35,  81,  1\r\n   3641,  79,  0\r\n      2, 100,  1\r\n      0,   0,  2\r\n")
        << "the log as without a trace";
}

TEST(Trace, TheColumnsLineOnlyInANewOrEmptyFile) {
    const std::pair<std::optional<std::string>, bool> rows[] = {
        {std::nullopt, true}, {"", true}, {"earlier\r\n", false}};
    for (const auto& [before, header] : rows) {
        Main m;
        if (before) m.rig.Write("pelmor-trace.csv", *before);
        m.rig.power.reading.level = 101;  // a level past 100 is none, or the line would not read back
        m.StartStop();
        const std::string t = m.Trace(), kept = before.value_or("");
        EXPECT_EQ(t.substr(0, kept.size()), kept);
        EXPECT_EQ(t.substr(kept.size(), sizeof kHeader - 1) == kHeader, header) << t;
        EXPECT_EQ(t.find(",start,0,battery,,,,,,,\r\n"), t.size() - 25) << t;
    }
}

TEST(Trace, EnergyIsAskedForAtALineNotEverySecond) {
    Main m;
    PowerReading energy;
    energy.energy.energyMwh = 123, energy.energy.powerMw = 4567;
    m.rig.power.energy = energy;  // the status read leaves the energy out
    m.rig.power.reading.level = 0;  // run down: the last lines of a measurement
    m.Tick(0);
    m.StartStop();
    for (int i = 0; i < 150; ++i) m.Tick(1);
    m.StartStop();
    const std::string t = m.Trace();
    EXPECT_EQ(m.rig.power.energyReads, 4) << t;  // start, two minutes, stop
    EXPECT_NE(t.find(",stop,150,battery,0,123,,,4567,,\r\n"), std::string::npos) << t;
}

TEST(Trace, AFailingTraceLeavesTheLogAndTheMeasurementAlone) {
    Main m;
    std::filesystem::create_directory(m.rig.Path("pelmor-trace.csv"));  // cannot be opened
    m.StartStop();
    m.Set(Source::Battery, 79);
    m.Tick(61);
    m.W().Sleep(true);
    m.Close();
    EXPECT_EQ(m.rig.Read("pelmor.log"), "     61,  79,  0\r\n      0,   0,  2\r\n");
    EXPECT_EQ(m.W().Panel(0), "   0:01:01");
    EXPECT_EQ(m.rig.Find("box"), -1);
}
