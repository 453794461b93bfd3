// The battery history: one sample per wall-clock minute, three hours at most,
// kept in the settings file from one run to the next.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "forms/Main.h"

namespace pelmor {

void TfrmMain::AppendSample(std::int32_t level, std::int32_t source) {
    Samples[Count].Level = level;
    Samples[Count].Source = source;
    ++Count;
    if (Count >= kHistorySlots) {
        // Drop the oldest half hour: slots 30..179 move down to 0..149.
        std::memmove(&Samples[0], &Samples[kHistorySlide],
                     sizeof(PowerSample) * (kHistorySlots - kHistorySlide));
        Count = kHistorySlots - kHistorySlide;
    }
}

void TfrmMain::MarkPrevious(PowerSample& sample) {
    // Codes come from a file that may have been edited by hand: one too
    // large to take the mark stays at the largest code instead of overflowing.
    if (sample.Source > INT32_MAX - kPreviousRun) {
        sample.Source = INT32_MAX;
    } else {
        sample.Source += kPreviousRun;
    }
}

void TfrmMain::UnmarkPrevious(PowerSample& sample) {
    if (sample.Source >= kPreviousRun) sample.Source -= kPreviousRun;
}

void TfrmMain::ReadSetup() { settings.Read(); }

// The saved samples are drawn darker, as the previous run's; panel 2 tells
// how long ago that run ended.
void TfrmMain::LoadHistory() {
    Count = 0;
    for (PowerSample sample : settings.ReadHistory()) {
        MarkPrevious(sample);
        Samples[Count++] = sample;
    }
    if (std::optional<std::int32_t> endTime = settings.ReadEndTime()) {
        // Both times are 32-bit; their difference is taken as 32-bit too.
        const std::int32_t d = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(app_.svc.clock.Now()) - static_cast<std::uint32_t>(*endTime));
        const std::int32_t hours = d / 3600;
        const std::int32_t minutes = (d - hours * 3600) / 60;
        const std::int32_t seconds = d % 60;
        char text[80];
        std::snprintf(text, sizeof text, " 前回の電源断から %d:%02d:%02d経過", static_cast<int>(hours),
                      static_cast<int>(minutes), static_cast<int>(seconds));
        StatusBar.SetPanelText(2, text);
    }
}

void TfrmMain::SaveHistory() {
    const std::int32_t count = std::clamp<std::int32_t>(Count, 0, kHistorySlots);
    for (std::int32_t i = 0; i < count; ++i) UnmarkPrevious(Samples[i]);
    settings.SaveHistory(Samples, count, app_.svc.clock.Now());
}

}  // namespace pelmor
