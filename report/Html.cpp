#include "report/Html.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "report/Summary.h"

namespace pelmor::report {

namespace {

// The colours of the program's own graph.
constexpr char kBatteryColour[] = "#FF0000";
constexpr char kMainsColour[] = "#00FF00";
// For telling the runs apart in the chart that lays them over each other:
// none is the mains' green; past eight, the lines are dashed, then dotted.
constexpr std::array<const char*, 8> kRunColours = {"#1f77b4", "#ff7f0e", "#d62728", "#9467bd",
                                                    "#8c564b", "#e377c2", "#17becf", "#000000"};
constexpr std::array<const char*, 3> kRunDashes = {"", "8 4", "2 3"};

// Drawing area inside the picture; the page fits a window 900 pixels wide.
constexpr double kWidth = 840, kHeight = 300;
constexpr double kLeft = 48, kRight = 16, kTop = 12, kBottom = 42;
constexpr double kPlotW = kWidth - kLeft - kRight, kPlotH = kHeight - kTop - kBottom;

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// The time axis: from the earliest to the latest elapsed second, in whole
// steps of a round length.
struct Axis {
    std::int64_t from = 0, to = 3600, step = 600;

    Axis(std::int64_t lo, std::int64_t hi) {
        static constexpr std::array<std::int64_t, 13> kSteps = {
            60, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 604800, 2592000};
        lo = std::min<std::int64_t>(lo, 0);
        hi = std::max(hi, lo + 1);
        step = kSteps.back();
        for (std::int64_t s : kSteps) {
            if ((hi - lo) / s <= 10) {
                step = s;
                break;
            }
        }
        while ((hi - lo) / step > 10) step *= 2;  // runs of years
        from = lo >= 0 ? 0 : -((-lo + step - 1) / step) * step;
        to = (hi + step - 1) / step * step;
        if (to <= from) to = from + step;
    }
    double X(std::int64_t seconds) const {
        return kLeft + kPlotW * static_cast<double>(seconds - from) / static_cast<double>(to - from);
    }
};

// A value from 0 to top (100 for the level) on the vertical axis.
double Y(double value, double top = 100) { return kTop + kPlotH * (top - value) / top; }

// A polyline in tenths of a pixel. A point on the last one is left out, and
// one that goes on along the same straight line (across, or up or down the
// same way) moves the last point instead of adding one: a long log draws
// no more points than the picture can show.
class Path {
public:
    void Add(double x, double y) {
        const Point p{static_cast<long>(x * 10 + 0.5), static_cast<long>(y * 10 + 0.5)};
        const std::size_t n = points_.size();
        if (n && p == points_[n - 1]) return;
        if (n >= 2) {
            const Point &a = points_[n - 2], &b = points_[n - 1];
            const bool across = a.y == b.y && b.y == p.y;
            const bool upDown = a.x == b.x && b.x == p.x && (b.y - a.y > 0) == (p.y - b.y > 0);
            if (across || upDown) {
                points_[n - 1] = p;
                return;
            }
        }
        points_.push_back(p);
    }
    bool Empty() const { return points_.empty(); }
    std::string Svg(const char* colour, const char* dash = "") const {
        std::string out = "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\"" +
                          (*dash ? " stroke-dasharray=\"" + std::string(dash) + "\"" : "") +
                          " stroke-width=\"2\" stroke-linejoin=\"round\" points=\"";
        for (std::size_t i = 0; i < points_.size(); ++i) {
            if (i) out += ' ';
            out += Tenths(points_[i].x) + "," + Tenths(points_[i].y);
        }
        return out + "\"/>\n";
    }

private:
    struct Point {
        long x, y;
        bool operator==(const Point&) const = default;
    };
    static std::string Tenths(long v) {
        const long whole = v / 10, tenth = v % 10;
        if (v < 0 && tenth) return Num(static_cast<double>(v) / 10);
        return std::to_string(whole) + "." + std::to_string(tenth);
    }
    std::vector<Point> points_;
};

// The level holds until the next line, which the program writes when it
// changes: a step from each line to the next.
// shift moves every line along the time axis.
void Steps(Path& path, const Axis& axis, const std::vector<Sample>& x, std::size_t from,
           std::size_t to, std::int64_t shift = 0) {
    path.Add(axis.X(x[from].elapsed - shift), Y(x[from].level));
    for (std::size_t k = from + 1; k <= to; ++k) {
        path.Add(axis.X(x[k].elapsed - shift), Y(x[k - 1].level));
        path.Add(axis.X(x[k].elapsed - shift), Y(x[k].level));
    }
}

// A measurement of one line has no step to draw.
std::string Dot(const Axis& axis, const Sample& x, const char* colour, std::int64_t shift = 0) {
    return "<circle cx=\"" + Num(axis.X(x.elapsed - shift)) + "\" cy=\"" + Num(Y(x.level)) +
           "\" r=\"3\" fill=\"" + colour + "\"/>\n";
}

// The axes: hours across, the level in percent (top 100) or the power in
// watts up.
std::string Frame(const Axis& axis, double top = 100, const char* unit = "level (%)") {
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) +
                      "\" height=\"" + Num(kHeight) + "\" viewBox=\"0 0 " + Num(kWidth) + " " +
                      Num(kHeight) + "\">\n<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(kTop) +
                      "\" width=\"" + Num(kPlotW) + "\" height=\"" + Num(kPlotH) +
                      "\" fill=\"#fff\" stroke=\"#000\"/>\n";
    for (int tenth = 1; tenth < 10; ++tenth) {
        const double y = Y(top * tenth / 10, top);
        svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kLeft + kPlotW) + "\" y1=\"" +
               Num(y) + "\" y2=\"" + Num(y) + "\" stroke=\"" +
               (tenth == 5 && top == 100 ? "#000" : "#bbb") + "\" stroke-width=\"0.5\"/>\n";
    }
    for (int fifth = 0; fifth <= 5; ++fifth) {
        char label[32];
        std::snprintf(label, sizeof label, "%g", top * fifth / 5);
        svg += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(Y(top * fifth / 5, top) + 4) +
               "\" text-anchor=\"end\">" + label + "</text>\n";
    }
    for (std::int64_t t = axis.from; t <= axis.to; t += axis.step) {
        const double x = axis.X(t);
        if (t > axis.from && t < axis.to) {
            svg += "<line x1=\"" + Num(x) + "\" x2=\"" + Num(x) + "\" y1=\"" + Num(kTop) +
                   "\" y2=\"" + Num(kTop + kPlotH) + "\" stroke=\"#bbb\" stroke-width=\"0.5\"/>\n";
        }
        std::string label = Hms(t);
        label.resize(label.size() - 3);  // h:mm
        svg += "<text x=\"" + Num(x) + "\" y=\"" + Num(kTop + kPlotH + 16) +
               "\" text-anchor=\"middle\">" + label + "</text>\n";
    }
    svg += "<text x=\"" + Num(kLeft + kPlotW / 2) + "\" y=\"" + Num(kHeight - 6) +
           "\" text-anchor=\"middle\">hours (h:mm)</text>\n<text x=\"12\" y=\"" +
           Num(kTop + kPlotH / 2) + "\" text-anchor=\"middle\" transform=\"rotate(-90 12 " +
           Num(kTop + kPlotH / 2) + ")\">" + unit + "</text>\n";
    return svg;
}

// One measurement: red on battery, green on the mains, the stretches on the
// mains shaded.
std::string MeasurementChart(const Measurement& m) {
    const std::vector<Sample>& x = m.samples;
    const Axis axis(x.front().elapsed, x.back().elapsed);
    std::string shade, lines;
    for (std::size_t i = 0; i + 1 < x.size();) {
        std::size_t j = i + 1;
        while (j + 1 < x.size() && x[j].source == x[i].source) ++j;
        const bool mains = x[i].source == kOnAc;
        if (mains) {
            shade += "<rect x=\"" + Num(axis.X(x[i].elapsed)) + "\" y=\"" + Num(kTop) +
                     "\" width=\"" + Num(axis.X(x[j].elapsed) - axis.X(x[i].elapsed)) +
                     "\" height=\"" + Num(kPlotH) + "\" fill=\"" + kMainsColour +
                     "\" fill-opacity=\"0.15\"/>\n";
        }
        Path path;
        Steps(path, axis, x, i, j);
        lines += path.Svg(mains ? kMainsColour : kBatteryColour);
        i = j;
    }
    if (x.size() == 1) lines += Dot(axis, x[0], x[0].source == kOnAc ? kMainsColour : kBatteryColour);
    return Frame(axis) + shade + lines + "</svg>\n";
}

// The power the system told, against the same hours; a line breaks where
// the trace has no power or a gap. None when the trace has no power.
std::string PowerChart(const Run& r) {
    const Measurement& m = *r.m;
    double most = 0;
    std::int64_t lo = m.samples.empty() ? r.trace.front().elapsed : m.samples.front().elapsed;
    std::int64_t hi = m.samples.empty() ? lo : m.samples.back().elapsed;
    for (const TraceLine& l : r.trace) {
        lo = std::min(lo, l.elapsed);
        hi = std::max(hi, l.elapsed);
        if (l.energy.powerMw) most = std::max(most, static_cast<double>(*l.energy.powerMw) / 1000);
    }
    if (most <= 0) return {};
    // A round top: 1, 2 or 5 times a power of ten.
    double top = 1;
    for (int i = 0; top < most; ++i) top *= i % 3 == 1 ? 2.5 : 2;
    const Axis axis(lo, hi);
    std::string lines;
    Path path;
    const TraceLine* before = nullptr;
    for (const TraceLine& l : r.trace) {
        const bool broken = !l.energy.powerMw || (before && (l.elapsed < before->elapsed ||
                                                      l.elapsed - before->elapsed > 120 ||
                                                      l.event == TraceEvent::Resume));
        if (broken && !path.Empty()) {
            lines += path.Svg(kBatteryColour);
            path = Path();
        }
        if (l.energy.powerMw) path.Add(axis.X(l.elapsed), Y(static_cast<double>(*l.energy.powerMw) / 1000, top));
        before = &l;
    }
    if (!path.Empty()) lines += path.Svg(kBatteryColour);
    return Frame(axis, top, "power (W)") + lines + "</svg>\n";
}

std::string Swatch(const char* colour) {
    return "<span class=\"sw\" style=\"background:" + std::string(colour) + "\"></span>";
}

std::string Title(const Run& r, bool several) {
    const Measurement& m = *r.m;
    std::string title = "Measurement " + std::to_string(r.number);
    if (several) title += " of " + Escape(r.file->name);
    if (!m.started.empty()) {
        std::string when = m.started;
        when[10] = ' ';
        title += " &#8212; " + when;
    }
    if (!m.comment.empty()) title += " &#8212; " + Escape(m.comment);
    return title;
}

std::string Table(const std::vector<Run>& runs, bool several) {
    std::string t = "<div class=\"w\"><table>\n<tr><th>#</th>";
    if (several) t += "<th>log</th>";
    t += "<th>started</th><th>comment</th><th>battery life</th><th>bound</th><th>gaps</th>"
         "<th>estimate</th><th>avg power</th><th>capacity</th><th>level</th><th>on mains</th>"
         "<th>end line</th><th>warnings</th></tr>\n";
    for (const Run& r : runs) {
        const Measurement& m = *r.m;
        const Summary& s = r.s;
        std::string started = m.started;
        if (!started.empty()) started[10] = ' ';
        t += "<tr><td class=\"n\">" + std::to_string(r.number) + "</td>";
        if (several) t += "<td>" + Escape(r.file->name) + "</td>";
        t += "<td>" + started + "</td><td class=\"c\">" + Escape(m.comment) +
             "</td><td class=\"n\">" + LifeText(s.batteryLife) + "</td><td>" +
             (s.exact ? "exact" : "at least") + "</td><td class=\"n\">" +
             (s.gaps ? Hms(*s.gaps) : "") + "</td><td class=\"n\">" +
             (s.estimateHours ? Fixed2(*s.estimateHours) + " h (" +
                                    (s.energyBasis ? "energy" : "level") + ")"
                              : "") +
             "</td><td class=\"n\">" + (s.avgPowerW ? Fixed2(*s.avgPowerW) + " W" : "") +
             "</td><td class=\"n\">" + (s.capacityPct ? Fixed2(*s.capacityPct) + " %" : "") +
             "</td><td class=\"n\">" +
             (s.firstLevel ? std::to_string(*s.firstLevel) + " &#8594; " +
                                 std::to_string(*s.lastLevel)
                           : "") +
             "</td><td class=\"n\">" + Hms(s.mainsSeconds) + "</td>" +
             (m.closed ? "<td>closed</td>" : "<td class=\"open\">OPEN</td>") +
             "<td class=\"c\">" + FlagWords(s.flags) + "</td></tr>\n";
    }
    return t + "</table></div>\n";
}

}  // namespace

std::string HtmlReport(const std::vector<LogFile>& logs) {
    std::string names;
    for (const LogFile& f : logs) names += (names.empty() ? "" : ", ") + Escape(f.name);
    const std::vector<Run> runs = Runs(logs);
    const bool several = logs.size() > 1;
    std::size_t skipped = 0;
    for (const LogFile& f : logs) skipped += f.log.skipped.size() + (f.trace ? f.trace->skipped.size() : 0);
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Pelmor: " + names + "</title>\n<style>\n"
        "body{font-family:sans-serif;margin:8px;color:#222;max-width:884px}\n"
        "table{border-collapse:collapse;font-size:13px}\n.w{overflow-x:auto}\n"
        "th,td{border:1px solid #aaa;padding:3px 6px;text-align:left;white-space:nowrap}\n"
        "td.n{text-align:right}\ntd.c{white-space:normal}\n"
        ".open{color:#c00;font-weight:bold}\n"
        "h2{font-size:1.1em;margin:1.6em 0 .4em}\nsvg{max-width:100%;height:auto}\n"
        "svg text{font-size:12px;fill:#333;font-family:sans-serif}\n"
        ".sw{display:inline-block;width:1em;height:.7em;margin:0 .3em 0 1em}\n"
        "</style>\n</head>\n<body>\n<h1>Pelmor: battery life</h1>\n<p>" + names +
        ": " + std::to_string(runs.size()) + " measurement(s)";
    if (skipped) page += ", " + std::to_string(skipped) + " line(s) that could not be read";
    page += ".</p>\n";
    if (runs.empty()) return page + "</body>\n</html>\n";

    page += Table(runs, several);
    bool open = false;
    for (const Run& r : runs) open = open || !r.m->closed;
    if (open) {
        page += "<p><span class=\"open\">OPEN</span>: no end line. The measurement was stopped "
                "from the menu or cut off (the battery ran out, the program was killed); a "
                "shutdown at critical battery writes the end line.</p>\n";
    }

    // The overlay: each run from the moment it went onto battery.
    std::int64_t lo = 0, hi = 0;
    std::vector<const Run*> drawn;
    for (const Run& r : runs) {
        const Measurement& m = *r.m;
        page += "<h2>" + Title(r, several) + "</h2>\n";
        if (m.samples.empty()) {
            page += "<p>No sample lines.</p>\n";
            continue;
        }
        page += MeasurementChart(m) + "<div>" + Swatch(kBatteryColour) + "on battery" +
                Swatch(kMainsColour) + "on mains (shaded)</div>\n";
        if (!r.trace.empty()) page += PowerChart(r);
        const std::int64_t shift = r.s.onBattery.value_or(0);
        lo = std::min<std::int64_t>(lo, m.samples.front().elapsed - shift);
        hi = std::max<std::int64_t>(hi, m.samples.back().elapsed - shift);
        drawn.push_back(&r);
    }

    if (!drawn.empty()) {
        const Axis axis(lo, hi);
        page += "<h2>All measurements, from the moment each went onto battery</h2>\n" + Frame(axis);
        std::string legend;
        for (std::size_t n = 0; n < drawn.size(); ++n) {
            const Run& r = *drawn[n];
            const std::vector<Sample>& x = r.m->samples;
            const char* colour = kRunColours[n % kRunColours.size()];
            const char* dash = kRunDashes[n / kRunColours.size() % kRunDashes.size()];
            const std::int64_t shift = r.s.onBattery.value_or(0);
            Path path;
            Steps(path, axis, x, 0, x.size() - 1, shift);
            page += path.Svg(colour, dash);
            if (x.size() == 1) page += Dot(axis, x[0], colour, shift);
            legend += "<div><svg width=\"40\" height=\"10\"><line x1=\"0\" y1=\"5\" x2=\"40\" "
                      "y2=\"5\" stroke-width=\"3\" stroke=\"" + std::string(colour) + "\"" +
                      (*dash ? " stroke-dasharray=\"" + std::string(dash) + "\"" : "") +
                      "/></svg> " + std::to_string(n + 1) + ". " + Title(r, several) + "</div>\n";
        }
        page += "</svg>\n" + legend;
    }
    return page + "</body>\n</html>\n";
}

}  // namespace pelmor::report
