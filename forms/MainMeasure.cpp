// Starting and stopping a measurement (one menu item, Ctrl+S, whose caption
// tells which), and the close query that ends the log and saves the history.
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
        TimerURL.SetInterval(TimerIntervalMs(settings.ReloadInterval));
        TimerKey.SetInterval(TimerIntervalMs(settings.KeyInterval));
        mnuStart.SetCaption(kStopCaption);
        TimerKey.SetEnabled(true);
        TimerURL.SetEnabled(true);
        mnuSetup.SetEnabled(false);
    } else {
        mnuStart.SetCaption(kStartCaption);
        Measuring = false;
        mnuSetup.SetEnabled(true);
        TimerKey.SetEnabled(false);
        TimerURL.SetEnabled(false);
        StatusBar.SetPanelText(0, "");
    }
}

void TfrmMain::FormCloseQuery(bool& /*CanClose*/) {
    if (Measuring) log_.WriteEndLine();
    history_.SaveHistory();
}

}  // namespace pelmor
