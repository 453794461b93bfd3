// Runs N of one kind of work on the main window, for instruction counts:
//   tick_bench idle N     N one-second ticks, nothing changes, no new minute
//   tick_bench log N      N ticks while measuring, each logging a level change
//   tick_bench minute N   N ticks while measuring, each the first of a minute:
//                         a history sample, the graph, and a trace line
//   tick_bench draw N     N redraws of the graph with a full history
// The cost of one is the difference between two runs with different N.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fakes/Fakes.h"
#include "forms/Main.h"

using namespace pelmor;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tick_bench idle|log|minute|draw N\n");
        return 2;
    }
    const char* mode = argv[1];
    long n = std::atol(argv[2]);
    fake::Rig rig;
    TfrmMain form(rig.app);
    fake::Window& w = rig.ui.Form("frmMain");
    w.images["Image1"]->canvas.record = false;
    rig.power.reading = {PowerReading::Source::Battery, 80};
    form.TimerBaseTimer();  // first tick: panel text, first sample, graph
    if (std::strcmp(mode, "idle") == 0) {
        for (long i = 0; i < n; ++i) form.TimerBaseTimer();
    } else if (std::strcmp(mode, "log") == 0) {
        w.Click("mnuStart");
        for (long i = 0; i < n; ++i) {
            rig.power.reading.level = i % 2 ? 79 : 80;
            form.TimerBaseTimer();
            rig.journal.clear();
        }
    } else if (std::strcmp(mode, "minute") == 0) {
        w.Click("mnuStart");
        for (long i = 0; i < n; ++i) {
            rig.clock.now += 60;
            form.TimerBaseTimer();
            rig.journal.clear();
        }
    } else if (std::strcmp(mode, "draw") == 0) {
        Settings settings(rig.profile, rig.dir);
        BatteryHistory history(settings, rig.clock);
        for (int i = 0; i < 179; ++i) history.AppendSample(100 - i / 2, i % 2);
        HistoryGraph graph(*w.images["Image1"]);
        for (long i = 0; i < n; ++i) graph.DrawGraph(history);
    } else {
        return 2;
    }
    std::printf("%s %ld done\n", mode, n);
    return 0;
}
