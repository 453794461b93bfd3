// TfrmMain: construction, the event table and the small menu handlers.
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
    : app_(owner),
      events_(*this, {{"TimerBaseTimer", &TfrmMain::TimerBaseTimer},
                      {"TimerKeyTimer", &TfrmMain::TimerKeyTimer},
                      {"TimerURLTimer", &TfrmMain::TimerURLTimer},
                      {"mnuStartClick", &TfrmMain::mnuStartClick},
                      {"S1Click", &TfrmMain::S1Click},
                      {"mnuSetupClick", &TfrmMain::mnuSetupClick},
                      {"mnuExitClick", &TfrmMain::mnuExitClick},
                      {"FormCloseQuery", nullptr, &TfrmMain::FormCloseQuery}}),
      settings(owner.svc.profile, ExtractFileDir(owner.ExeName())),
      window_(BuildForm(owner.svc.ui, MainLayout(), events_, true)),
      Memo1(window_->Memo("Memo1")),
      TimerKey(window_->Timer("TimerKey")),
      chkKey(window_->CheckBox("chkKey")),
      lstURL(window_->ListBox("lstURL")),
      chkURL(window_->CheckBox("chkURL")),
      TimerURL(window_->Timer("TimerURL")),
      TimerBase(window_->Timer("TimerBase")),
      Image1(window_->Image("Image1")),
      StatusBar(window_->StatusBar("StatusBar")),
      File1(window_->MenuItem("File1")),
      mnuStart(window_->MenuItem("mnuStart")),
      S1(window_->MenuItem("S1")),
      mnuSetup(window_->MenuItem("mnuSetup")),
      mnuExit(window_->MenuItem("mnuExit")) {
    ReadSetup();
    GraphWorld = {-2.0, 105.0, 182.0, -5.0};
    GraphView = {0, 0, Image1.Width(), Image1.Height()};
    Count = 0;
    LastMinute = -1;
    Measuring = 0;
    LastLoggedLevel = -1;
    LastLoggedSource = -1;
    KeyLineCount = 0;
    UrlIndex = 0;
    LogClosed = 0;
    LoadHistory();
    LoadUrlList();
    app_.svc.foreground.Prepare();
    window_->Show();
}

TfrmMain::~TfrmMain() = default;

std::string TfrmMain::ProgramDir() const { return ExtractFileDir(app_.ExeName()); }

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
