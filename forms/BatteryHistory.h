// The battery history: one sample per wall-clock minute, three hours at most,
// kept in the settings file from one run to the next. Samples loaded from
// that file carry the previous-run mark on their source code.
#pragma once

#include <cstdint>

#include "forms/Settings.h"
#include "platform/Clock.h"
#include "platform/Toolkit.h"

namespace pelmor {

inline constexpr std::int32_t kPreviousRun = 10;  // added to a sample's source
inline constexpr int kHistorySlide = 30;

class BatteryHistory {
public:
    BatteryHistory(Settings& settings, const IClock& clock);

    // Stores the sample in slot Count; when that is the 180th slot, the
    // oldest half hour is dropped.
    void AppendSample(std::int32_t level, std::int32_t source);
    static void MarkPrevious(PowerSample& sample);
    static void UnmarkPrevious(PowerSample& sample);

    // Replaces the history by the saved one, marked as the previous run's,
    // and tells in panel 2 of status how long ago that run ended.
    void LoadHistory(IStatusBar& status);
    // Saves every sample unmarked, and the time of the save.
    void SaveHistory();

    const PowerSample* Samples() const { return samples_; }
    std::int32_t Count() const { return count_; }

private:
    Settings& settings_;
    const IClock& clock_;
    PowerSample samples_[kHistorySlots]{};
    std::int32_t count_ = 0;
};

}  // namespace pelmor
