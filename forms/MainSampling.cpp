// The one-second tick: power status in panel 1, the elapsed time and the log
// while measuring, and one history sample per wall-clock minute.
#include "forms/Main.h"

namespace pelmor {

void TfrmMain::TimerBaseTimer() {
    const PowerStatus power = sampling_.Read();
    if (StatusBar.PanelText(1) != power.text) StatusBar.SetPanelText(1, power.text);

    if (Measuring) {
        const std::int32_t elapsed = app_.svc.clock.Now() - StartTime;
        StatusBar.SetPanelText(0, ElapsedText(elapsed));
        if (sampling_.LogDue(power.level, power.source))
            log_.WriteLog(power.level, power.source, elapsed);
    }

    if (!sampling_.NewMinute(app_.svc.clock.LocalMinute())) return;
    history_.AppendSample(power.level, power.source);
    graph_.DrawGraph(history_);
}

}  // namespace pelmor
