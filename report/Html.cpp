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
// For telling the runs apart in the chart that lays them over each other.
constexpr std::array<const char*, 8> kRunColours = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                                    "#9467bd", "#8c564b", "#e377c2", "#17becf"};

// Drawing area inside the picture.
constexpr double kWidth = 860, kHeight = 300;
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

double Y(int level) { return kTop + kPlotH * (100 - level) / 100.0; }

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
    std::string Svg(const char* colour) const {
        std::string out = "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
                          "\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"";
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
void Steps(Path& path, const Axis& axis, const std::vector<Sample>& x, std::size_t from,
           std::size_t to) {
    path.Add(axis.X(x[from].elapsed), Y(x[from].level));
    for (std::size_t k = from + 1; k <= to; ++k) {
        path.Add(axis.X(x[k].elapsed), Y(x[k - 1].level));
        path.Add(axis.X(x[k].elapsed), Y(x[k].level));
    }
}

// A measurement of one line has no step to draw.
std::string Dot(const Axis& axis, const Sample& x, const char* colour) {
    return "<circle cx=\"" + Num(axis.X(x.elapsed)) + "\" cy=\"" + Num(Y(x.level)) +
           "\" r=\"3\" fill=\"" + colour + "\"/>\n";
}

std::string Frame(const Axis& axis) {
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) +
                      "\" height=\"" + Num(kHeight) + "\" viewBox=\"0 0 " + Num(kWidth) + " " +
                      Num(kHeight) + "\">\n<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(kTop) +
                      "\" width=\"" + Num(kPlotW) + "\" height=\"" + Num(kPlotH) +
                      "\" fill=\"#fff\" stroke=\"#000\"/>\n";
    for (int level = 10; level < 100; level += 10) {
        svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kLeft + kPlotW) + "\" y1=\"" +
               Num(Y(level)) + "\" y2=\"" + Num(Y(level)) + "\" stroke=\"" +
               (level == 50 ? "#000" : "#bbb") + "\" stroke-width=\"0.5\"/>\n";
    }
    for (int level = 0; level <= 100; level += 20) {
        svg += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(Y(level) + 4) +
               "\" text-anchor=\"end\">" + std::to_string(level) + "</text>\n";
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
           Num(kTop + kPlotH / 2) + ")\">level (%)</text>\n";
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

std::string Swatch(const char* colour) {
    return "<span class=\"sw\" style=\"background:" + std::string(colour) + "\"></span>";
}

std::string Title(const Log& log, std::size_t i) {
    const Measurement& m = log.measurements[i];
    std::string title = "Measurement " + std::to_string(i + 1);
    if (!m.started.empty()) {
        std::string when = m.started;
        when[10] = ' ';
        title += " &#8212; " + when;
    }
    if (!m.comment.empty()) title += " &#8212; " + Escape(m.comment);
    return title;
}

std::string Table(const Log& log) {
    std::string t =
        "<table>\n<tr><th>#</th><th>started</th><th>comment</th><th>duration</th>"
        "<th>level</th><th>on battery</th><th>on mains</th><th>drain %/h</th>"
        "<th>100 % lasts</th><th>end line</th></tr>\n";
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        const Measurement& m = log.measurements[i];
        const Summary s = Summarise(m);
        std::string started = m.started;
        if (!started.empty()) started[10] = ' ';
        t += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td><td>" + started +
             "</td><td class=\"c\">" + Escape(m.comment) + "</td><td class=\"n\">" +
             (s.duration ? Hms(*s.duration) : "") + "</td><td class=\"n\">" +
             (s.firstLevel ? std::to_string(*s.firstLevel) + " &#8594; " +
                                 std::to_string(*s.lastLevel)
                           : "") +
             "</td><td class=\"n\">" + Hms(s.batterySeconds) + "</td><td class=\"n\">" +
             Hms(s.mainsSeconds) + "</td><td class=\"n\">" +
             (s.drainPerHour ? Fixed2(*s.drainPerHour) : "") + "</td><td class=\"n\">" +
             (s.fullChargeHours ? Fixed2(*s.fullChargeHours) + " h" : "") + "</td>" +
             (m.closed ? "<td>closed</td>" : "<td class=\"open\">OPEN</td>") + "</tr>\n";
    }
    return t + "</table>\n";
}

}  // namespace

std::string HtmlReport(const Log& log, std::string_view fileName) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Pelmor: " + Escape(fileName) + "</title>\n<style>\n"
        "body{font-family:sans-serif;margin:1.5em;color:#222}\n"
        "table{border-collapse:collapse;font-size:14px}\n"
        "th,td{border:1px solid #aaa;padding:3px 8px;text-align:left;white-space:nowrap}\n"
        "td.n{text-align:right}\ntd.c{white-space:normal}\n"
        ".open{color:#c00;font-weight:bold}\n"
        "h2{font-size:1.1em;margin:1.6em 0 .4em}\n"
        "svg text{font-size:12px;fill:#333;font-family:sans-serif}\n"
        ".sw{display:inline-block;width:1em;height:.7em;margin:0 .3em 0 1em}\n"
        "</style>\n</head>\n<body>\n<h1>Pelmor: battery life</h1>\n<p>" + Escape(fileName) +
        ": " + std::to_string(log.measurements.size()) + " measurement(s)";
    if (!log.skipped.empty())
        page += ", " + std::to_string(log.skipped.size()) + " line(s) that could not be read";
    page += ".</p>\n";
    if (log.measurements.empty()) return page + "</body>\n</html>\n";

    page += Table(log);
    bool open = false;
    for (const Measurement& m : log.measurements) open = open || !m.closed;
    if (open) {
        page += "<p><span class=\"open\">OPEN</span>: no end line. The measurement was stopped "
                "from the menu or cut off (the battery ran out, the program was killed); for a "
                "run to an empty battery, its duration is the battery life.</p>\n";
    }

    std::int64_t lo = 0, hi = 0;
    std::vector<std::size_t> drawn;
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        const Measurement& m = log.measurements[i];
        page += "<h2>" + Title(log, i) + "</h2>\n";
        if (m.samples.empty()) {
            page += "<p>No sample lines.</p>\n";
            continue;
        }
        page += MeasurementChart(m) + "<div>" + Swatch(kBatteryColour) + "on battery" +
                Swatch(kMainsColour) + "on mains (shaded)</div>\n";
        lo = std::min<std::int64_t>(lo, m.samples.front().elapsed);
        hi = std::max<std::int64_t>(hi, m.samples.back().elapsed);
        drawn.push_back(i);
    }

    if (!drawn.empty()) {
        const Axis axis(lo, hi);
        page += "<h2>All measurements</h2>\n" + Frame(axis);
        std::string legend;
        for (std::size_t n = 0; n < drawn.size(); ++n) {
            const Measurement& m = log.measurements[drawn[n]];
            const char* colour = kRunColours[n % kRunColours.size()];
            Path path;
            Steps(path, axis, m.samples, 0, m.samples.size() - 1);
            page += path.Svg(colour);
            if (m.samples.size() == 1) page += Dot(axis, m.samples[0], colour);
            legend += "<div>" + Swatch(colour) + Title(log, drawn[n]) + "</div>\n";
        }
        page += "</svg>\n" + legend;
    }
    return page + "</body>\n</html>\n";
}

}  // namespace pelmor::report
