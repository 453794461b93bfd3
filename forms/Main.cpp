// TfrmMain: construction, the event table, the menu handlers and the load
// timers.
#include "forms/Main.h"

#include <climits>

#include "forms/About.h"
#include "forms/Setup.h"

extern const char kMainLayoutText[];

namespace pelmor {

const Layout& MainLayout() {
    static const Layout layout = Layout::Parse(kMainLayoutText);
    return layout;
}

std::uint32_t TimerIntervalMs(std::int32_t seconds) {
    if (seconds <= 0) return 0;
    long long ms = static_cast<long long>(seconds) * 1000;
    return ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
}

TfrmMain::TfrmMain(TApplication& owner)
    : settings(owner.svc.profile, owner.DataDir(),
               owner.svc.browser.DefaultProgram(Settings::kDefaultIePath)),
      app_(owner),
      events_(*this, {{"TimerBaseTimer", &TfrmMain::TimerBaseTimer},
                      {"TimerKeyTimer", &TfrmMain::TimerKeyTimer},
                      {"TimerURLTimer", &TfrmMain::TimerURLTimer},
                      {"mnuStartClick", &TfrmMain::mnuStartClick},
                      {"S1Click", &TfrmMain::S1Click},
                      {"mnuSetupClick", &TfrmMain::mnuSetupClick},
                      {"mnuExitClick", &TfrmMain::mnuExitClick},
                      {"FormCloseQuery", nullptr, &TfrmMain::FormCloseQuery},
                      {"FormSuspend", &TfrmMain::FormSuspend},
                      {"FormResume", &TfrmMain::FormResume}}),
      window_(BuildForm(owner.svc.ui, MainLayout(), events_, true)),
      Memo1(window_->Memo("Memo1")),
      TimerKey(window_->Timer("TimerKey")),
      TimerURL(window_->Timer("TimerURL")),
      StatusBar(window_->StatusBar("StatusBar")),
      mnuStart(window_->MenuItem("mnuStart")),
      mnuSetup(window_->MenuItem("mnuSetup")),
      sampling_(owner.svc.power),
      log_(owner, window_.get()),
      trace_(owner),
      history_(settings, owner.svc.clock),
      graph_(window_->Image("Image1")),
      keys_(owner.svc.keys, owner.svc.foreground, window_->CheckBox("chkKey"), Memo1),
      tour_(owner.svc.browser, settings, window_->CheckBox("chkURL"), window_->ListBox("lstURL")) {
    ReadSetup();
    history_.LoadHistory(StatusBar);
    tour_.LoadUrlList(app_.DataDir());
    keys_.Prepare();
    window_->Show();
}

void TfrmMain::ReadSetup() { settings.Read(); }

void TfrmMain::TimerKeyTimer() { keys_.Tick(window_->Handle()); }

// The window comes forward after the page, for the keystroke load.
void TfrmMain::TimerURLTimer() {
    if (!tour_.Tick()) return;
    keys_.ForceForeground(window_->Handle());
    Memo1.SetFocus();
}

void TfrmMain::S1Click() {
    TfrmAbout about(app_);
    about.ShowModal();
}

void TfrmMain::mnuSetupClick() {
    TfrmSetup setup(app_, settings);
    setup.ShowModal();
}

void TfrmMain::mnuExitClick() { window_->Close(); }

}  // namespace pelmor
