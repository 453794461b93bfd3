// The power sampling's reading of the status, and the measurement log.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace pelmor;
using Source = PowerReading::Source;

TEST(Sampling, SourceAndLevelOfAReading) {
    const struct {
        const char* name;
        Source source;
        std::optional<int> level;
        bool fails;
        const char* text;
        std::int32_t logged, code;
    } rows[] = {
        {"battery", Source::Battery, 80, false, "電池駆動  80%", 80, 0},
        {"mains", Source::Mains, 5, false, "ＡＣ駆動   5%", 5, 1},
        {"empty", Source::Battery, 0, false, "電池駆動   0%", 0, 0},
        {"unknown source counts as mains", Source::Unknown, 42, false, "　不明　  42%", 42, 1},
        {"unknown level is full", Source::Battery, std::nullopt, false, "電池駆動 満充電", 100, 0},
        {"full", Source::Mains, 100, false, "ＡＣ駆動 満充電", 100, 1},
        {"failed read before any good one", Source::Battery, 80, true, "バッテリ残量取得失敗", 100, 1},
    };
    for (const auto& r : rows) {
        fake::Power power;
        power.reading = {r.source, r.level};
        power.fails = r.fails;
        const PowerStatus status = PowerSampling(power).Read();
        EXPECT_EQ(std::tuple(status.text, status.level, status.source), std::tuple(r.text, r.logged, r.code)) << r.name;
    }
}

TEST(Log, LinesAppendedWithCrLfUntilTheEndLine) {
    fake::Rig rig;
    MeasurementLog log(rig.app, nullptr);
    log.WriteLogText("");
    EXPECT_EQ(fake::ReadFile(rig.Path("pelmor.log")), "") << "created, though nothing is written";
    log.WriteLogText("\n' x\n");
    log.WriteLog(87, 0, 125);
    EXPECT_FALSE(log.LogClosed());
    log.WriteEndLine();
    EXPECT_TRUE(log.LogClosed());
    log.WriteLog(1, 1, 1);
    log.WriteLogText("more");
    EXPECT_EQ(rig.Read("pelmor.log"), "\r\n' x\r\n    125,  87,  0\r\n      0,   0,  2\r\n");
}
