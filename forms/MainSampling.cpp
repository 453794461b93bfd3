// The one-second tick: power status in panel 1, the elapsed time, the log and
// the trace's source lines while measuring, and one history sample (and trace
// line) per wall-clock minute.
#include "forms/Main.h"

namespace pelmor {

void TfrmMain::TimerBaseTimer() {
    const PowerStatus power = sampling_.Read();
    StatusBar.SetPanelText(1, power.text);  // the form leaves an unchanged panel alone

    if (Measuring) {
        const std::int32_t elapsed = app_.svc.clock.Now() - StartTime;
        StatusBar.SetPanelText(0, ElapsedText(elapsed));
        if (sampling_.LogDue(power.level, power.source))
            log_.WriteLog(power.level, power.source, elapsed);
        trace_.Tick(sampling_.Reading());
    }

    if (!sampling_.NewMinute(app_.svc.clock.LocalMinute())) return;
    if (Measuring) trace_.Write(TraceEvent::Minute, sampling_.Reading());
    history_.AppendSample(power.level, power.source);
    graph_.DrawGraph(history_);
}

}  // namespace pelmor
