// The battery history (the slide, the previous-run mark, the settings file)
// and its graph.
#include <gtest/gtest.h>

#include "fakes/Fakes.h"

using namespace pelmor;

namespace {

// A history over the rig's settings file, loaded from it.
struct History {
    fake::Rig rig;
    Settings settings{rig.profile, rig.dir};
    BatteryHistory history{settings, rig.clock};
    fake::StatusBar status;
    explicit History(const std::string& ini = "") {
        if (!ini.empty()) rig.Write("pelmor.ini", ini);
        status.panels.resize(3);
        history.LoadHistory(status);
    }
};

}  // namespace

TEST(History, SlidesHalfAnHourWhenFull) {
    History h;
    for (int i = 0; i < 179; ++i) h.history.AppendSample(i, 0);
    EXPECT_EQ(h.history.Count(), 179);
    h.history.AppendSample(179, 1);
    ASSERT_EQ(h.history.Count(), 150);
    EXPECT_EQ(h.history.Samples()[0].Level, 30);
    EXPECT_EQ(std::pair(h.history.Samples()[149].Level, h.history.Samples()[149].Source), std::pair(179, 1));
}

TEST(History, HandEditedFiles) {
    const struct {
        const char* name;
        std::string ini;
        int count;
        PowerSample first;
        const char* panel2;
    } rows[] = {
        {"one number", "[log]\r\n0=57\r\n", 1, {57, 10}, ""},
        {"gap ends the list", "[log]\r\n0=5 0\r\n2=6 0\r\n", 1, {5, 10}, ""},
        {"huge code stays the largest", "[log]\r\n0=1 2147483640\r\n", 1, {1, INT32_MAX}, ""},
        {"tab between the numbers", "[log]\r\n0=9\t1\r\n", 1, {9, 11}, ""},
        {"level 0", "[log]\r\n0=0 1\r\n", 1, {0, 11}, ""},
        {"text after the level", "[log]\r\n0=57: 1\r\n", 1, {57, 10}, ""},
        {"negative level", "[log]\r\n0=-5 0\r\n", 1, {-5, 10}, ""},
        {"endtime in the future", "[log]\r\nendtime=1700000030\r\n", 0, {}, " 前回の電源断から 0:00:-30経過"},
        {"endtime 100 hours ago", "[log]\r\nendtime=1699639940\r\n", 0, {}, " 前回の電源断から 100:01:00経過"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        History h(r.ini);
        EXPECT_EQ(h.history.Count(), r.count);
        const PowerSample& first = h.history.Samples()[0];
        if (r.count) { EXPECT_EQ(std::pair(first.Level, first.Source), std::pair(r.first.Level, r.first.Source)); }
        EXPECT_EQ(h.status.panels[2], r.panel2);
    }
    // More entries than the program writes: the newest 179 are kept.
    std::string ini = "[log]\r\n";
    for (int i = 0; i < 200; ++i) ini += std::to_string(i) + "=" + std::to_string(i) + " 0\r\n";
    History h(ini);
    EXPECT_EQ(h.history.Count(), 179);
    EXPECT_EQ(std::pair(h.history.Samples()[0].Level, h.history.Samples()[178].Level), std::pair(21, 199));
}

TEST(Graph, GridFrameAndCurve) {
    History h;
    const PowerSample samples[] = {{100, 11}, {50, 10}, {40, 11}, {0, 0}, {20, 1}, {30, 7}};
    for (const PowerSample& s : samples) h.history.AppendSample(s.Level, s.Source);
    fake::Image image;
    image.width = 353, image.height = 97;
    HistoryGraph(image).DrawGraph(h.history);
    const auto& c = image.canvas.calls;
    ASSERT_EQ(c.size(), 1u + 9 + 17 + 4 + 5);
    const std::pair<int, const char*> rows[] = {
        {0, "pen 16777215 1 rect 0 0 353 97 brush 16777215"},  // cleared white
        {1, "pen 8355711 1 line 3 83 349 83"},  // y 10: grey, thin
        {5, "pen 0 2 line 3 48 349 48"},        // y 50: black, wide
        {9, "pen 8355711 1 line 3 13 349 13"},  // y 90, the last horizontal line
        {10, "pen 8355711 1 line 23 4 23 92"},  // x 10: the vertical lines after
        {12, "pen 8355711 2 line 61 4 61 92"},  // x 30: half hour
        {15, "pen 0 2 line 118 4 118 92"},      // x 60: hour
        {27, "pen 0 2 line 3 4 349 4"},         // the frame
        {30, "pen 0 2 line 3 92 3 4"},
        {31, "pen 100 2 line 3 4 5 48"},         // previous run, battery: dark red
        {32, "pen 25600 2 line 5 48 7 57"},      // previous run, mains: dark green
        {33, "pen 255 2 line 7 57 9 92"},        // battery: red
        {34, "pen 65280 2 line 9 92 11 74"},     // mains: green
        {35, "pen 65280 2 line 11 74 13 66"},    // a code of no colour keeps the last
    };
    for (auto [i, want] : rows) EXPECT_EQ(c[static_cast<std::size_t>(i)], want) << i;
}
