#include "report/Summary.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace pelmor::report {

namespace {

std::string Number(std::int64_t v) {
    char buf[24];
    auto [end, err] = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, end);
}

template <typename T>
std::string OrEmpty(const std::optional<T>& v) {
    return v ? Number(*v) : std::string();
}

// A text cell: one that a spreadsheet would take for a formula gets a
// quote mark first, so it is shown as text.
std::string CsvField(const std::string& cell) {
    const bool formula = !cell.empty() && std::string_view("=+-@\t\r").find(cell[0]) != std::string_view::npos;
    const std::string text = formula ? "'" + cell : cell;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Left-aligned text columns, right-aligned number columns; the last column
// is not padded (comments may hold characters of any width).
std::string Columns(const std::vector<std::vector<std::string>>& rows, std::string_view align) {
    std::vector<std::size_t> width(align.size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const bool last = c + 1 == row.size();
            const std::string pad(width[c] - row[c].size(), ' ');
            if (c) line += "  ";
            if (align[c] == 'r') line += pad;
            line += row[c];
            if (align[c] != 'r' && !last) line += pad;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

constexpr std::int64_t kLongestStep = 120;  // more between two trace lines: a gap
constexpr std::int64_t kClockSlack = 2;     // seconds the clock and elapsed may differ

// The gaps of a measurement on the elapsed seconds: the seconds of an
// interval inside them, found by a binary search (a long trace may hold
// many).
class Gaps {
public:
    void Add(std::int64_t from, std::int64_t to) { spans_.push_back({from, to, 0}); }
    // Sorted, overlapping ones merged, each with the gaps' seconds before it.
    void Done() {
        std::sort(spans_.begin(), spans_.end(), [](const Span& a, const Span& b) { return a.from < b.from; });
        std::vector<Span> merged;
        for (const Span& g : spans_) {
            if (!merged.empty() && g.from <= merged.back().to) {
                merged.back().to = std::max(merged.back().to, g.to);
            } else {
                merged.push_back({g.from, g.to, merged.empty() ? 0 : merged.back().before + merged.back().to - merged.back().from});
            }
        }
        spans_ = std::move(merged);
    }
    std::int64_t Within(std::int64_t from, std::int64_t to) const { return Before(to) - Before(from); }

private:
    struct Span {
        std::int64_t from, to, before;
    };
    // The gaps' seconds before t.
    std::int64_t Before(std::int64_t t) const {
        auto after = std::upper_bound(spans_.begin(), spans_.end(), t,
                                      [](std::int64_t v, const Span& g) { return v < g.from; });
        if (after == spans_.begin()) return 0;
        const Span& g = *(after - 1);
        return g.before + std::min(t, g.to) - g.from;
    }
    std::vector<Span> spans_;
};

}  // namespace

Summary Summarise(const Measurement& m, const std::vector<TraceLine>& trace) {
    Summary s;
    const std::vector<Sample>& x = m.samples;
    if (!x.empty()) {
        s.duration = x.back().elapsed;
        s.firstLevel = x.front().level;
        s.lastLevel = x.back().level;
    }

    // Stretches of lines on one source: from a line to the next one on the
    // other source (or the last line).
    std::int64_t drop = 0;
    for (std::size_t i = 0; i + 1 < x.size();) {
        std::size_t j = i + 1;
        while (j + 1 < x.size() && x[j].source == x[i].source) ++j;
        const std::int64_t time = std::int64_t{x[j].elapsed} - x[i].elapsed;
        if (x[i].source == kOnBattery) {
            s.batterySeconds += time;
            // A stretch over which the level rose (the gauge corrected
            // itself) counts as no drop, not as a gain.
            drop += std::max(0, x[i].level - x[j].level);
        } else {
            s.mainsSeconds += time;
        }
        i = j;
    }
    if (s.batterySeconds > 0) {
        s.drainPerHour = static_cast<double>(drop) * 3600.0 / static_cast<double>(s.batterySeconds);
        if (drop > 0) s.fullChargeHours = 100.0 / *s.drainPerHour;
    }

    // Where it ran on battery, from the trace's lines that know the level,
    // else from the log's.
    std::optional<int> firstOnBattery, lastOnBattery;
    int stretches = 0;
    bool before = false;
    auto point = [&](bool battery, std::optional<int> level, std::int64_t elapsed) {
        stretches += battery && !before;
        before = battery;
        if (!battery) return;
        if (!s.onBattery) s.onBattery = elapsed;
        if (level && !firstOnBattery) firstOnBattery = level;
        if (level) lastOnBattery = level;
    };
    bool traceLevels = false;
    for (const TraceLine& l : trace) traceLevels = traceLevels || l.level;
    if (traceLevels) {
        for (const TraceLine& l : trace) point(l.source == TraceSource::Battery, l.level, l.elapsed);
    } else {
        for (const Sample& v : x) point(v.source == kOnBattery, v.level, v.elapsed);
    }

    Gaps gaps;
    std::optional<double> fullMwh;
    if (trace.empty()) {
        s.flags |= kNoTrace;
        s.batteryLife = s.batterySeconds;
    } else {
        s.exact = true;
        s.gaps = 0;
        std::int64_t used = 0, usedTime = 0, powerTime = 0;
        double powerSum = 0;
        for (std::size_t i = 0; i < trace.size(); ++i) {
            const TraceLine& a = trace[i];
            if (std::llabs(a.time.utc - a.started.utc - a.elapsed) > kClockSlack) s.flags |= kClockJump;
            if (a.energy.fullMwh && *a.energy.fullMwh > 0) fullMwh = static_cast<double>(*a.energy.fullMwh);  // 0: the gauge tells nothing
            if (a.energy.fullMwh && *a.energy.fullMwh > 0 && a.energy.designMwh && *a.energy.designMwh > 0)
                s.capacityPct = 100.0 * static_cast<double>(*a.energy.fullMwh) / static_cast<double>(*a.energy.designMwh);
            if (i + 1 == trace.size()) break;
            // Each interval between two lines counts for the source of the
            // earlier one, up to the stop or the close.
            const TraceLine& b = trace[i + 1];
            const std::int64_t dt = b.elapsed - a.elapsed;
            if (dt < 0) {
                s.flags |= kClockJump;
                continue;
            }
            if (a.event == TraceEvent::Stop || a.event == TraceEvent::Close) continue;
            if ((a.event == TraceEvent::Suspend && b.event == TraceEvent::Resume) || dt > kLongestStep) {
                *s.gaps += dt;
                gaps.Add(a.elapsed, b.elapsed);
                continue;
            }
            if (a.source != TraceSource::Battery) continue;
            s.batteryLife += dt;
            if (a.energy.energyMwh && b.energy.energyMwh) {
                used += std::max<std::int64_t>(0, *a.energy.energyMwh - *b.energy.energyMwh);
                usedTime += dt;
            }
            if (a.energy.powerMw) {
                powerSum += static_cast<double>(*a.energy.powerMw) * static_cast<double>(dt);
                powerTime += dt;
            }
        }
        // The energy gauge's fall over time, else the power the system told.
        if (usedTime > 0 && used > 0)
            s.avgPowerW = static_cast<double>(used) * 3.6 / static_cast<double>(usedTime);
        else if (powerTime > 0)
            s.avgPowerW = powerSum / static_cast<double>(powerTime) / 1000.0;
        if (s.avgPowerW) s.energyUsedWh = *s.avgPowerW * static_cast<double>(s.batteryLife) / 3600.0;
    }

    gaps.Done();
    if (fullMwh && s.avgPowerW && *s.avgPowerW > 0) {
        s.estimateHours = *fullMwh / 1000.0 / *s.avgPowerW;
        s.energyBasis = true;
    } else {
        // From the first to the last change of the level on battery: the
        // time before the first change holds a step of unknown length. The
        // trace's first line gives the level at the start, which the log
        // may not have (a later measurement's first line is a change).
        std::vector<Sample> withStart;
        if (!trace.empty() && trace.front().level && (x.empty() || trace.front().elapsed < x.front().elapsed)) {
            withStart.push_back({static_cast<std::int32_t>(trace.front().elapsed), *trace.front().level,
                                 trace.front().source == TraceSource::Battery ? kOnBattery : kOnAc});
            withStart.insert(withStart.end(), x.begin(), x.end());
        }
        const std::vector<Sample>& x = withStart.empty() ? m.samples : withStart;
        std::size_t first = 0, last = 0;
        for (std::size_t k = 1; k < x.size(); ++k) {
            if (x[k - 1].source != kOnBattery || x[k].level == x[k - 1].level) continue;
            if (!first) first = k;
            last = k;
        }
        std::int64_t lost = 0, time = 0;
        for (std::size_t k = first + 1; first && k <= last; ++k) {
            if (x[k - 1].source != kOnBattery) continue;
            time += x[k].elapsed - x[k - 1].elapsed - gaps.Within(x[k - 1].elapsed, x[k].elapsed);
            lost += std::max(0, x[k - 1].level - x[k].level);
        }
        if (time > 0 && lost > 0)
            s.estimateHours = 100.0 * static_cast<double>(time) / 3600.0 / static_cast<double>(lost);
    }

    if (firstOnBattery && *firstOnBattery < 95) s.flags |= kStartedLow;
    if (lastOnBattery && *lastOnBattery > 10) s.flags |= kNotRunDown;
    if (stretches > 1) s.flags |= kMainsBetween;
    if (s.gaps && *s.gaps > 0) s.flags |= kGap;
    if (s.flags & kClockJump) s.exact = false;
    return s;
}

std::vector<Run> Runs(const std::vector<LogFile>& logs) {
    std::vector<Run> runs;
    for (const LogFile& f : logs) {
        std::vector<std::vector<TraceLine>> each(f.log.measurements.size());
        if (f.trace) each = TraceOfEach(f.log, *f.trace);
        for (std::size_t i = 0; i < f.log.measurements.size(); ++i) {
            Run r;
            r.file = &f;
            r.number = i + 1;
            r.m = &f.log.measurements[i];
            r.trace = std::move(each[i]);
            r.s = Summarise(*r.m, r.trace);
            runs.push_back(std::move(r));
        }
    }
    return runs;
}

std::string Hms(std::int64_t seconds) {
    const char* sign = seconds < 0 ? "-" : "";
    std::uint64_t v = seconds < 0 ? 0 - static_cast<std::uint64_t>(seconds)
                                  : static_cast<std::uint64_t>(seconds);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu:%02u:%02u", sign,
                  static_cast<unsigned long long>(v / 3600), static_cast<unsigned>(v / 60 % 60),
                  static_cast<unsigned>(v % 60));
    return buf;
}

std::string Fixed2(double value) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", value);
    return buf;
}

std::string FlagNames(unsigned flags) {
    static constexpr const char* kNames[] = {"started_low", "not_run_down", "mains_between",
                                             "gap",         "clock_jump",   "no_trace"};
    std::string out;
    for (unsigned i = 0; i < 6; ++i) {
        if (!(flags & (1u << i))) continue;
        if (!out.empty()) out += ' ';
        out += kNames[i];
    }
    return out;
}

std::string FlagWords(unsigned flags) {
    static constexpr const char* kWords[] = {
        "started under 95 %: not from a full battery",
        "not run down: the last level on battery was over 10 %",
        "on the mains in between: the battery life adds up several stretches",
        "asleep or not running for a while: that time is left out",
        "the clock was set: the figures around that moment are uncertain",
        "no trace: from the log alone, the battery life is at least this long"};
    std::string out;
    for (unsigned i = 0; i < 6; ++i) {
        if (!(flags & (1u << i))) continue;
        if (!out.empty()) out += "; ";
        out += kWords[i];
    }
    return out;
}

std::string LifeText(std::int64_t seconds) {
    std::string hm = Hms(seconds);
    hm.resize(hm.size() - 3);
    return hm + " (" + Number(seconds / 60) + " min)";
}

std::string SummaryTable(const std::vector<LogFile>& logs) {
    const std::vector<Run> runs = Runs(logs);
    if (runs.empty()) return "No measurements in the log.\n";
    const bool several = logs.size() > 1;
    std::vector<std::vector<std::string>> rows = {{"#", "started", "battery life", "bound", "gaps",
                                                   "estimate", "level", "on mains", "end line",
                                                   several ? "log" : "comment"}};
    std::string notes;
    bool open = false;
    for (const Run& r : runs) {
        const Summary& s = r.s;
        std::string started = r.m->started.empty() ? "-" : r.m->started;
        std::replace(started.begin(), started.end(), 'T', ' ');
        std::string levels = "-";
        if (s.firstLevel) levels = Number(*s.firstLevel) + " -> " + Number(*s.lastLevel);
        const std::string number = Number(static_cast<std::int64_t>(r.number));
        rows.push_back({number, started, LifeText(s.batteryLife), s.exact ? "exact" : "at least",
                        s.gaps ? Hms(*s.gaps) : "-",
                        s.estimateHours ? Fixed2(*s.estimateHours) + " h " +
                                              (s.energyBasis ? "energy" : "level")
                                        : "-",
                        levels, Hms(s.mainsSeconds), r.m->closed ? "closed" : "OPEN",
                        several ? r.file->name : r.m->comment});
        open = open || !r.m->closed;
        if (s.flags) {
            std::string words = FlagWords(s.flags);
            for (std::size_t at = 0; (at = words.find("; ", at)) != std::string::npos;)
                words.replace(at, 2, "\n   ");
            notes += (several ? r.file->name + " " : std::string()) + number + ": " + words + "\n";
        }
    }
    std::string out = Columns(rows, "rlrlrrlrll");
    if (!notes.empty()) out += "\n" + notes;
    if (open)
        out += "\nOPEN: no end line. Stopped from the menu, or cut off (the battery ran out,\n"
               "the program was killed). A shutdown at critical battery writes the end line.\n";
    return out;
}

std::string SummaryCsv(const std::vector<LogFile>& logs) {
    std::string out =
        "measurement,started,comment,duration_s,first_level,last_level,battery_s,mains_s,"
        "drain_pct_per_h,full_charge_h,ended,battery_life_s,life_bound,gaps_s,estimated_life_h,"
        "estimate_basis,avg_power_w,energy_used_wh,capacity_pct,flags,log\n";
    auto fixed = [](const std::optional<double>& v) { return v ? Fixed2(*v) : std::string(); };
    for (const Run& r : Runs(logs)) {
        const Measurement& m = *r.m;
        const Summary& s = r.s;
        out += Number(static_cast<std::int64_t>(r.number)) + "," + m.started + "," +
               CsvField(m.comment) + "," + OrEmpty(s.duration) + "," + OrEmpty(s.firstLevel) +
               "," + OrEmpty(s.lastLevel) + "," + Number(s.batterySeconds) + "," +
               Number(s.mainsSeconds) + "," + fixed(s.drainPerHour) + "," +
               fixed(s.fullChargeHours) + "," + (m.closed ? "closed" : "open") + "," +
               Number(s.batteryLife) + "," + (s.exact ? "exact" : "at_least") + "," +
               OrEmpty(s.gaps) + "," + fixed(s.estimateHours) + "," +
               (s.estimateHours ? (s.energyBasis ? "energy" : "level") : "") + "," +
               fixed(s.avgPowerW) + "," + fixed(s.energyUsedWh) + "," + fixed(s.capacityPct) +
               "," + FlagNames(s.flags) + "," + CsvField(r.file->name) + "\n";
    }
    return out;
}

std::string SamplesCsv(const Log& log) {
    std::string out = "measurement,elapsed_s,level,source\n";
    char buf[64];
    for (std::size_t i = 0; i < log.measurements.size(); ++i) {
        for (const Sample& x : log.measurements[i].samples) {
            char* p = std::to_chars(buf, buf + 20, i + 1).ptr;
            *p++ = ',';
            p = std::to_chars(p, p + 12, x.elapsed).ptr;
            *p++ = ',';
            p = std::to_chars(p, p + 4, x.level).ptr;
            *p++ = ',';
            *p++ = static_cast<char>('0' + x.source);
            *p++ = '\n';
            out.append(buf, p);
        }
    }
    return out;
}

}  // namespace pelmor::report
