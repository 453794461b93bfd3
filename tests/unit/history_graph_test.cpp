// The battery history's slide and marking, and the graph drawn from it.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;
using namespace pelmor::fake;

namespace {

struct Graph : ::testing::Test {
    Rig rig;
    TfrmMain form{rig.app};
    RecordingCanvas& canvas() { return rig.ui.Main().Img("Image1").canvas; }

    // The LineTo calls drawn after the frame, i.e. the curve's segments,
    // as "x1 y1 x2 y2 color".
    std::vector<std::string> Segments() {
        std::vector<std::string> out;
        const auto& c = canvas().calls;
        // The frame is the only figure with four LineTo calls in a row; the
        // curve follows it.
        std::size_t i = 0, frameEnd = 0;
        for (; i + 4 <= c.size(); ++i) {
            if (c[i].rfind("LineTo", 0) == 0 && c[i + 1].rfind("LineTo", 0) == 0 &&
                c[i + 2].rfind("LineTo", 0) == 0 && c[i + 3].rfind("LineTo", 0) == 0) {
                frameEnd = i + 4;
                break;
            }
        }
        std::string color;
        std::string from;
        for (i = frameEnd; i < c.size(); ++i) {
            if (c[i].rfind("PenColor ", 0) == 0) color = c[i].substr(9);
            if (c[i].rfind("MoveTo ", 0) == 0) from = c[i].substr(7);
            if (c[i].rfind("LineTo ", 0) == 0) out.push_back(from + " " + c[i].substr(7) + " " + color);
        }
        return out;
    }
};

}  // namespace

TEST(History, AppendsUntilTheHundredEightiethSlotThenDropsTheOldestHalfHour) {
    Rig rig;
    TfrmMain form(rig.app);
    for (int i = 0; i < 179; ++i) form.AppendSample(i % 101, i % 2);
    EXPECT_EQ(form.Count, 179);
    EXPECT_EQ(form.Samples[178].Level, 178 % 101);

    form.AppendSample(42, 0);  // fills slot 179: slides at once
    EXPECT_EQ(form.Count, 150);
    EXPECT_EQ(form.Samples[0].Level, 30 % 101);  // old slot 30 is now slot 0
    EXPECT_EQ(form.Samples[0].Source, 0);
    EXPECT_EQ(form.Samples[148].Level, 178 % 101);
    EXPECT_EQ(form.Samples[149].Level, 42);

    for (int i = 0; i < 29; ++i) form.AppendSample(7, 1);
    EXPECT_EQ(form.Count, 179);
    form.AppendSample(8, 1);
    EXPECT_EQ(form.Count, 150);
    EXPECT_EQ(form.Samples[119].Level, 42);  // slot 149 moved down by 30
    EXPECT_EQ(form.Samples[149].Level, 8);
}

TEST(History, MarkingRaisesByTenAndUnmarkingTakesOnlyOneTenOff) {
    PowerSample s{80, 1};
    TfrmMain::MarkPrevious(s);
    EXPECT_EQ(s.Source, 11);
    TfrmMain::UnmarkPrevious(s);
    EXPECT_EQ(s.Source, 1);
    TfrmMain::UnmarkPrevious(s);
    EXPECT_EQ(s.Source, 1);  // unmarked codes stay
    PowerSample odd{50, 10};  // a hand-edited file's 10 loads as 20
    TfrmMain::MarkPrevious(odd);
    TfrmMain::UnmarkPrevious(odd);
    EXPECT_EQ(odd.Source, 10);
    PowerSample huge{50, 2147483640};  // no overflow, whatever the file held
    TfrmMain::MarkPrevious(huge);
    EXPECT_EQ(huge.Source, 2147483647);
}

TEST_F(Graph, MapsWorldToPixelsByTruncation) {
    auto& c = canvas();
    c.calls.clear();
    form.PlotLine(c, 0x123456, 0, 100, 30, 50, 3, 0);
    form.PlotLine(c, 0x123456, 60, 0, 180, 0, 1, 0);
    EXPECT_EQ(c.calls, (std::vector<std::string>{
                           "PenColor 1193046", "PenWidth 3", "MoveTo 3 4", "LineTo 61 48",
                           "PenColor 1193046", "PenWidth 1", "MoveTo 118 92", "LineTo 349 92"}));
}

TEST_F(Graph, BoxFlagDrawsTheOutlineCornerToCorner) {
    auto& c = canvas();
    c.calls.clear();
    form.PlotLine(c, 0, 0, 100, 180, 0, 2, 1);
    EXPECT_EQ(c.calls, (std::vector<std::string>{"PenColor 0", "PenWidth 2", "MoveTo 3 4",
                                                 "LineTo 349 4", "LineTo 349 92", "LineTo 3 92",
                                                 "LineTo 3 4"}));
}

TEST_F(Graph, ClearPaintsWhiteAndRestoresPenAndBrush) {
    auto& c = canvas();
    c.pen = 0x0000FF;
    c.brush = 0x00FF00;
    c.penWidth = 2;
    c.calls.clear();
    form.ClearGraph(c);
    EXPECT_EQ(c.calls, (std::vector<std::string>{"PenColor 16777215", "BrushColor 16777215",
                                                 "Rectangle 0 0 353 97", "PenColor 255",
                                                 "BrushColor 65280"}));
    EXPECT_EQ(c.penWidth, 2);
}

TEST_F(Graph, DrawsClearGridFrameThenCurveInThatOrder) {
    form.DrawGraph();
    const auto& c = canvas().calls;
    ASSERT_GE(c.size(), 3u);
    EXPECT_EQ(c[2], "Rectangle 0 0 353 97");
    // Figures: each starts with a MoveTo. 9 horizontal, 17 vertical, 1 frame.
    EXPECT_EQ(std::count_if(c.begin(), c.end(), [](const std::string& s) { return s.rfind("MoveTo", 0) == 0; }), 27);
    // First horizontal line y=10 grey width 1; y=50 black width 2.
    auto first = std::find(c.begin(), c.end(), "MoveTo 3 83");
    ASSERT_NE(first, c.end());
    EXPECT_EQ(*(first - 2), "PenColor 8355711");
    EXPECT_EQ(*(first - 1), "PenWidth 1");
    auto fifty = std::find(c.begin(), c.end(), "MoveTo 3 48");
    ASSERT_NE(fifty, c.end());
    EXPECT_EQ(*(fifty - 2), "PenColor 0");
    EXPECT_EQ(*(fifty - 1), "PenWidth 2");
    // Vertical lines: x=60 black 2 (hour), x=30 grey 2 (half hour), x=10 grey 1.
    auto px = [](int x) { return static_cast<int>((x + 2) / 184.0 * 353); };
    auto v = [&](int x) { return std::find(c.begin(), c.end(), "MoveTo " + std::to_string(px(x)) + " 4"); };
    ASSERT_NE(v(60), c.end());
    EXPECT_EQ(*(v(60) - 2), "PenColor 0");
    EXPECT_EQ(*(v(60) - 1), "PenWidth 2");
    EXPECT_EQ(*(v(30) - 2), "PenColor 8355711");
    EXPECT_EQ(*(v(30) - 1), "PenWidth 2");
    EXPECT_EQ(*(v(10) - 1), "PenWidth 1");
    EXPECT_EQ(*(v(120) - 2), "PenColor 0");
    EXPECT_EQ(*(v(150) - 1), "PenWidth 2");
    EXPECT_EQ(*(v(170) - 1), "PenWidth 1");
    EXPECT_TRUE(Segments().empty());  // no history: grid and frame only
}

TEST_F(Graph, OneSampleDrawsNoCurveTwoDrawOneSegment) {
    form.AppendSample(90, 0);
    form.DrawGraph();
    EXPECT_TRUE(Segments().empty());
    canvas().calls.clear();
    form.AppendSample(100, 1);
    form.DrawGraph();
    // From (0, 90) to (1, 100), coloured by the later sample (AC: green).
    EXPECT_EQ(Segments(), (std::vector<std::string>{"3 13 5 4 65280"}));
}

TEST_F(Graph, EachSegmentTakesTheColourOfItsLaterSample) {
    int sources[] = {10, 10, 11, 0, 1, 0};
    for (int i = 0; i < 6; ++i) form.Samples[i] = {100 - i, sources[i]};
    form.Count = 6;
    form.DrawGraph();
    auto segs = Segments();
    ASSERT_EQ(segs.size(), 5u);
    auto color = [](const std::string& s) { return s.substr(s.rfind(' ') + 1); };
    EXPECT_EQ(color(segs[0]), "100");      // dark red (0x000064)
    EXPECT_EQ(color(segs[1]), "25600");    // dark green (0x006400)
    EXPECT_EQ(color(segs[2]), "255");      // red: the first sample of this run
    EXPECT_EQ(color(segs[3]), "65280");    // green
    EXPECT_EQ(color(segs[4]), "255");
}

TEST_F(Graph, UnknownCodesKeepTheColourBeforeThemAndStartRed) {
    int sources[] = {0, 21, 11, 20};
    for (int i = 0; i < 4; ++i) form.Samples[i] = {50, sources[i]};
    form.Count = 4;
    form.DrawGraph();
    auto segs = Segments();
    ASSERT_EQ(segs.size(), 3u);
    EXPECT_EQ(segs[0], "3 48 5 48 255");
    EXPECT_EQ(segs[1], "5 48 7 48 25600");
    EXPECT_EQ(segs[2], "7 48 9 48 25600");
}

TEST_F(Graph, TheRightmostPointIsSlot178AndLevelsSpanTheFrame) {
    for (int i = 0; i < 179; ++i) form.AppendSample(i == 178 ? 0 : 100, 0);
    form.DrawGraph();
    auto segs = Segments();
    ASSERT_EQ(segs.size(), 178u);
    EXPECT_EQ(segs.front(), "3 4 5 4 255");
    EXPECT_EQ(segs.back(), "343 4 345 92 255");
}
