// TfrmMain: construction, the event table and the small menu handlers.
#include "forms/Main.h"

#include <climits>

#include "forms/About.h"
#include "forms/Setup.h"

extern const char kMainLayoutText[];

namespace pelmor {

TfrmMain* frmMain = nullptr;
std::int32_t StartTime = 0;

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
      window_(owner.svc.ui.CreateForm(MainLayout(), *this, true)),
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
    frmMain = this;
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
    OsKind = DetectOsKind(app_.svc.activation);
    window_->Show();
}

TfrmMain::~TfrmMain() {
    if (frmMain == this) frmMain = nullptr;
}

std::string TfrmMain::ProgramDir() const { return ExtractFileDir(app_.ExeName()); }

void TfrmMain::S1Click() {
    TfrmAbout about(app_);
    about.ShowModal();
}

void TfrmMain::mnuSetupClick() {
    TfrmSetup setup(app_);
    setup.ShowModal();
}

void TfrmMain::mnuExitClick() { window_->Close(); }

void TfrmMain::Dispatch(std::string_view handler) {
    if (handler == "TimerBaseTimer") {
        TimerBaseTimer();
    } else if (handler == "TimerKeyTimer") {
        TimerKeyTimer();
    } else if (handler == "TimerURLTimer") {
        TimerURLTimer();
    } else if (handler == "mnuStartClick") {
        mnuStartClick();
    } else if (handler == "S1Click") {
        S1Click();
    } else if (handler == "mnuSetupClick") {
        mnuSetupClick();
    } else if (handler == "mnuExitClick") {
        mnuExitClick();
    }
}

void TfrmMain::CloseQuery(std::string_view handler, bool& canClose) {
    if (handler == "FormCloseQuery") FormCloseQuery(canClose);
}

}  // namespace pelmor
