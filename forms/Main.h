// TfrmMain, the program's one window and the owner of all run-time state.
// Its work is split by concern over MainMeasure.cpp (start, stop, close),
// MainSampling.cpp (the one-second tick), MainLog.cpp, MainHistory.cpp (the
// history and its file), MainGraph.cpp, MainKeys.cpp (the keystroke load and
// the foreground switch) and MainUrl.cpp (the web tour).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Application.h"
#include "forms/LogFormat.h"
#include "forms/Settings.h"
#include "platform/Toolkit.h"

namespace pelmor {

struct WorldRect {
    double left, top, right, bottom;
};

struct ViewRect {
    std::int32_t left, top, right, bottom;
};

// Added to a source code for samples loaded from the last run.
inline constexpr std::int32_t kPreviousRun = 10;

inline constexpr int kHistorySlide = 30;
inline constexpr char kStartCaption[] = "計測開始(&S)";
inline constexpr char kStopCaption[] = "計測終了(&E)";

class TfrmMain {
public:
    explicit TfrmMain(TApplication& owner);
    ~TfrmMain();
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Event handlers, named after their control and event.
    void TimerKeyTimer();
    void TimerURLTimer();
    void TimerBaseTimer();
    void mnuStartClick();
    void S1Click();
    void mnuSetupClick();
    void mnuExitClick();
    void FormCloseQuery(bool& CanClose);

    // Measurement log: a sample line, or text (code page 932 bytes) as it is.
    void WriteLog(std::int32_t level, std::int32_t source, std::int32_t elapsed);
    void WriteLogText(std::string_view text);

    // Battery history.
    void AppendSample(std::int32_t level, std::int32_t source);
    static void MarkPrevious(PowerSample& sample);
    static void UnmarkPrevious(PowerSample& sample);

    // History graph.
    void DrawGraph();
    void ClearGraph(ICanvas& canvas);
    void PlotLine(ICanvas& canvas, Color color, double x1, double y1, double x2, double y2,
                  std::int32_t width, std::int32_t box);

    // Settings and history file.
    void ReadSetup();
    void LoadHistory();
    void SaveHistory();

    // Brings the window to the foreground for the loads.
    bool ForceForeground(WindowHandle window);

    // URL list.
    void LoadUrlList();

    std::string ProgramDir() const;  // computed afresh on each call
    IWindow& Window() { return *window_; }
    TApplication& Owner() { return app_; }

    // Run-time state, in declaration order.
    WorldRect GraphWorld{};
    PowerSample Samples[kHistorySlots]{};
    ViewRect GraphView{};
    std::int32_t Count = 0;
    std::int32_t KeyLineCount = 0;
    std::int32_t UrlCount = 0;
    std::int32_t UrlIndex = 0;
    std::int32_t LastMinute = 0;
    std::int32_t Measuring = 0;
    std::int32_t LastLoggedSource = 0;
    std::int32_t LastLoggedLevel = 0;
    std::int32_t LogClosed = 0;
    // When the running measurement started (seconds since the epoch).
    std::int32_t StartTime = 0;

    // The last power status read successfully; a tick whose read fails uses
    // it (full and on mains until a read has succeeded).
    std::int32_t LastReadLevel = 100;
    std::int32_t LastReadSource = kOnAc;
    // Set while the log's error box is open, so ticks do not pile up boxes.
    bool LogErrorShown = false;
    // The url.lst entries as read (code page 932 bytes), in list order.
    // lstURL shows them converted; the browser is handed these bytes.
    std::vector<std::string> UrlEntries;
    // Set while a web-page tick runs: a tick that fires from a wait inside
    // it (the browser starting, a slow answer) does nothing.
    bool UrlTickRunning = false;

private:
    void AppendLog(std::string_view text);

    TApplication& app_;
    HandlerTable<TfrmMain> events_;

public:
    // The browser path and the two intervals, and the file they live in.
    Settings settings;

private:
    std::unique_ptr<IWindow> window_;

public:
    // Controls, resolved by name from the layout.
    IMemo& Memo1;
    ITimer& TimerKey;
    ICheckBox& chkKey;
    IListBox& lstURL;
    ICheckBox& chkURL;
    ITimer& TimerURL;
    ITimer& TimerBase;
    IImage& Image1;
    IStatusBar& StatusBar;
    IMenuItem& File1;
    IMenuItem& mnuStart;
    IMenuItem& S1;
    IMenuItem& mnuSetup;
    IMenuItem& mnuExit;
};

// The layout text of a form, embedded at build time from its .layout file.
const Layout& MainLayout();

// Timer interval for a setting in seconds: 0 (never fires) for 0 or less,
// the longest 32-bit interval for settings whose milliseconds pass 32 bits.
std::uint32_t TimerIntervalMs(std::int32_t seconds);

}  // namespace pelmor
