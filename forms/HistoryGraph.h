// The history graph: the battery history drawn into an image over a fixed
// three-hour grid, battery red and mains green, the previous run's darker.
#pragma once

#include <cstdint>

#include "forms/BatteryHistory.h"
#include "platform/Toolkit.h"

namespace pelmor {

struct WorldRect {
    double left, top, right, bottom;
};

struct ViewRect {
    std::int32_t left, top, right, bottom;
};

class HistoryGraph {
public:
    // The graph fills the image at the size it has now.
    explicit HistoryGraph(IImage& image);

    // Clears the image, then draws the grid, the frame and the curve.
    void DrawGraph(const BatteryHistory& history);

private:
    void ClearGraph(ICanvas& canvas);
    // A line between two points of the graph, or (box not 0) the outline of
    // the rectangle they span.
    void PlotLine(ICanvas& canvas, Color color, double x1, double y1, double x2, double y2,
                  std::int32_t width, std::int32_t box);

    IImage& image_;
    // Minutes on x, percent on y, at the image's edges; and its pixels.
    const WorldRect GraphWorld{-2.0, 105.0, 182.0, -5.0};
    const ViewRect GraphView;
};

}  // namespace pelmor
