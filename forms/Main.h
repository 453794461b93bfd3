// TfrmMain, the program's one window. It owns the parts that do the work:
// the power sampling, the measurement log and trace, the battery history and
// its graph, the keystroke load and the web tour, and ties them to its
// controls and timers: Main.cpp (construction, the menu, the load timers),
// MainSampling.cpp (the one-second tick) and MainMeasure.cpp (start, stop,
// close, suspend and resume).
#pragma once

#include <cstdint>
#include <memory>

#include "app/Application.h"
#include "forms/BatteryHistory.h"
#include "forms/HistoryGraph.h"
#include "forms/KeyLoad.h"
#include "forms/MeasurementLog.h"
#include "forms/MeasurementTrace.h"
#include "forms/PowerSampling.h"
#include "forms/Settings.h"
#include "forms/WebTour.h"
#include "platform/Toolkit.h"

namespace pelmor {

class TfrmMain {
public:
    explicit TfrmMain(TApplication& owner);

    // Event handlers, named after their control and event.
    void TimerKeyTimer();
    void TimerURLTimer();
    void TimerBaseTimer();
    void mnuStartClick();
    void S1Click();
    void mnuSetupClick();
    void mnuExitClick();
    void FormCloseQuery(bool& CanClose);
    void FormSuspend();
    void FormResume();

    // Reads the settings file again.
    void ReadSetup();

    // The browser path and the two intervals, and the file they live in;
    // the settings dialog changes them.
    Settings settings;

private:
    TApplication& app_;
    HandlerTable<TfrmMain> events_;
    std::unique_ptr<IWindow> window_;

    // Controls, resolved by name from the layout.
    IMemo& Memo1;
    ITimer& TimerKey;
    ITimer& TimerURL;
    IStatusBar& StatusBar;
    IMenuItem& mnuStart;
    IMenuItem& mnuSetup;

    PowerSampling sampling_;
    MeasurementLog log_;
    MeasurementTrace trace_;
    BatteryHistory history_;
    HistoryGraph graph_;
    KeyLoad keys_;
    WebTour tour_;

    // A measurement runs, since StartTime (seconds since the epoch).
    bool Measuring = false;
    std::int32_t StartTime = 0;
};

// The layout text of a form, embedded at build time from its .layout file.
const Layout& MainLayout();

// Timer interval for a setting in seconds: 0 (never fires) for 0 or less,
// the longest 32-bit interval for settings whose milliseconds pass 32 bits.
std::uint32_t TimerIntervalMs(std::int32_t seconds);

}  // namespace pelmor
