// The one-second tick: power status in panel 1, the elapsed time and the log
// while measuring, and one history sample per wall-clock minute.
#include <cstdio>

#include "forms/Main.h"

namespace pelmor {

void TfrmMain::TimerBaseTimer() {
    char status[64];
    std::int32_t level;
    std::int32_t source;

    PowerReading power;
    if (app_.svc.power.Read(power)) {
        const char* sourceText;
        switch (power.source) {
        case PowerReading::Source::Battery:
            sourceText = "電池駆動";
            source = kOnBattery;
            break;
        case PowerReading::Source::Mains:
            sourceText = "ＡＣ駆動";
            source = kOnAc;
            break;
        default:
            sourceText = "　不明　";
            source = kOnAc;
            break;
        }
        if (power.level && *power.level < 100) {
            level = *power.level;
            std::snprintf(status, sizeof status, "%s %3d%%", sourceText, static_cast<int>(level));
        } else {
            level = 100;
            std::snprintf(status, sizeof status, "%s 満充電", sourceText);
        }
        LastReadLevel = level;
        LastReadSource = source;
    } else {
        // A failed read carries the last good values, so it neither logs a
        // change nor draws a drop that did not happen.
        std::snprintf(status, sizeof status, "%s", "バッテリ残量取得失敗");
        level = LastReadLevel;
        source = LastReadSource;
    }
    if (StatusBar.PanelText(1) != status) StatusBar.SetPanelText(1, status);

    if (Measuring) {
        std::int32_t elapsed = app_.svc.clock.Now() - StartTime;
        std::int32_t hours = elapsed / 3600;
        std::int32_t minutes = (elapsed - hours * 3600) / 60;
        std::int32_t seconds = elapsed % 60;
        std::snprintf(status, sizeof status, " %3d:%02d:%02d", static_cast<int>(hours),
                      static_cast<int>(minutes), static_cast<int>(seconds));
        StatusBar.SetPanelText(0, status);
        if (level != LastLoggedLevel || source != LastLoggedSource) {
            // Recorded before the write: ticks that run inside the log's
            // error box may log a newer change, which a late update from
            // this tick would otherwise hide, logging that change twice.
            LastLoggedLevel = level;
            LastLoggedSource = source;
            WriteLog(level, source, elapsed);
        }
    }

    int minute = app_.svc.clock.LocalMinute();
    if (minute == LastMinute) return;
    LastMinute = minute;
    AppendSample(level, source);
    DrawGraph();
}

}  // namespace pelmor
