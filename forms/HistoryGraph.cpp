#include "forms/HistoryGraph.h"

#include "forms/LogFormat.h"

namespace pelmor {

namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kGrey = 0x7F7F7F;
constexpr Color kBlack = 0x000000;
constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x00FF00;
constexpr Color kDarkRed = 0x000064;
constexpr Color kDarkGreen = 0x006400;

}  // namespace

HistoryGraph::HistoryGraph(IImage& image)
    : image_(image), GraphView{0, 0, image.Width(), image.Height()} {}

void HistoryGraph::ClearGraph(ICanvas& canvas) {
    canvas.SetPenColor(kWhite);
    canvas.SetBrushColor(kWhite);
    canvas.Rectangle(0, 0, image_.Width(), image_.Height());
}

void HistoryGraph::PlotLine(ICanvas& canvas, Color color, double x1, double y1, double x2,
                            double y2, std::int32_t width, std::int32_t box) {
    const WorldRect& w = GraphWorld;
    const ViewRect& v = GraphView;
    auto px = [&](double x) {
        return static_cast<int>(v.left + (x - w.left) / (w.right - w.left) * (v.right - v.left));
    };
    auto py = [&](double y) {
        return static_cast<int>(v.top + (y - w.top) / (w.bottom - w.top) * (v.bottom - v.top));
    };
    int X1 = px(x1), Y1 = py(y1), X2 = px(x2), Y2 = py(y2);
    canvas.SetPenColor(color);
    canvas.SetPenWidth(width);
    canvas.MoveTo(X1, Y1);
    if (box == 0) {
        canvas.LineTo(X2, Y2);
    } else {
        canvas.LineTo(X2, Y1);
        canvas.LineTo(X2, Y2);
        canvas.LineTo(X1, Y2);
        canvas.LineTo(X1, Y1);
    }
}

void HistoryGraph::DrawGraph(const BatteryHistory& history) {
    ICanvas& canvas = image_.Canvas();
    ClearGraph(canvas);
    for (int y = 10; y < 100; y += 10) {
        if (y == 50) {
            PlotLine(canvas, kBlack, 0, y, 180, y, 2, 0);
        } else {
            PlotLine(canvas, kGrey, 0, y, 180, y, 1, 0);
        }
    }
    for (int x = 10; x < 180; x += 10) {
        if (x % 60 == 0) {
            PlotLine(canvas, kBlack, x, 100, x, 0, 2, 0);
        } else if (x % 30 == 0) {
            PlotLine(canvas, kGrey, x, 100, x, 0, 2, 0);
        } else {
            PlotLine(canvas, kGrey, x, 100, x, 0, 1, 0);
        }
    }
    PlotLine(canvas, kBlack, 0, 100, 180, 0, 2, 1);
    // A segment takes the colour of its later sample. A code of no colour of
    // its own keeps the colour before it, and red when it comes first.
    Color color = kRed;
    const PowerSample* samples = history.Samples();
    for (int i = 1; i < history.Count(); ++i) {
        switch (samples[i].Source) {
            case kOnBattery: color = kRed; break;
            case kOnAc: color = kGreen; break;
            case kOnBattery + kPreviousRun: color = kDarkRed; break;
            case kOnAc + kPreviousRun: color = kDarkGreen; break;
            default: break;
        }
        PlotLine(canvas, color, i - 1, samples[i - 1].Level, i, samples[i].Level, 2, 0);
    }
}

}  // namespace pelmor
