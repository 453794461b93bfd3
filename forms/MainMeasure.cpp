// Starting and stopping a measurement (one menu item, Ctrl+S, whose caption
// tells which), the close query that ends the log and the trace and saves the
// history, and the trace's lines around a suspend.
#include "forms/Comment.h"
#include "forms/Main.h"

namespace pelmor {

namespace {

constexpr char kStartCaption[] = "計測開始(&S)";
constexpr char kStopCaption[] = "計測終了(&E)";

}  // namespace

void TfrmMain::mnuStartClick() {
    if (mnuStart.Caption() == kStartCaption) {
        // The comment dialog's button gives the measurement its header; the
        // measurement starts however the dialog was closed.
        {
            TfrmComment comment(app_);
            comment.ShowModal();
            if (comment.Header()) log_.WriteLogText(*comment.Header());
        }
        StartTime = app_.svc.clock.Now();
        Measuring = true;
        sampling_.Read();
        trace_.Start(StartTime, sampling_.Reading());
        TimerURL.SetInterval(TimerIntervalMs(settings.ReloadInterval));
        TimerKey.SetInterval(TimerIntervalMs(settings.KeyInterval));
        mnuStart.SetCaption(kStopCaption);
        TimerKey.SetEnabled(true);
        TimerURL.SetEnabled(true);
        mnuSetup.SetEnabled(false);
    } else {
        trace_.Write(TraceEvent::Stop, sampling_.Reading());
        mnuStart.SetCaption(kStartCaption);
        Measuring = false;
        mnuSetup.SetEnabled(true);
        TimerKey.SetEnabled(false);
        TimerURL.SetEnabled(false);
        StatusBar.SetPanelText(0, "");
    }
}

void TfrmMain::FormCloseQuery(bool& /*CanClose*/) {
    if (Measuring) {
        log_.WriteEndLine();
        trace_.Write(TraceEvent::Close, sampling_.Reading());
    }
    history_.SaveHistory();
}

// The system is about to sleep: the trace's last line before it. The status
// is the last second's, as the system may not wait for a slow read.
void TfrmMain::FormSuspend() {
    if (Measuring) trace_.Write(TraceEvent::Suspend, sampling_.Reading());
}

// Awake again: the status is read afresh, as the source may have changed.
void TfrmMain::FormResume() {
    if (!Measuring) return;
    sampling_.Read();
    trace_.Write(TraceEvent::Resume, sampling_.Reading());
}

}  // namespace pelmor
