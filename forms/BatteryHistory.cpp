#include "forms/BatteryHistory.h"
#include "forms/PowerSampling.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace pelmor {

BatteryHistory::BatteryHistory(Settings& settings, const IClock& clock)
    : settings_(settings), clock_(clock) {}

void BatteryHistory::AppendSample(std::int32_t level, std::int32_t source) {
    samples_[count_].Level = level;
    samples_[count_].Source = source;
    ++count_;
    if (count_ >= kHistorySlots) {
        // Drop the oldest half hour: slots 30..179 move down to 0..149.
        std::memmove(&samples_[0], &samples_[kHistorySlide],
                     sizeof(PowerSample) * (kHistorySlots - kHistorySlide));
        count_ = kHistorySlots - kHistorySlide;
    }
}

void BatteryHistory::MarkPrevious(PowerSample& sample) {
    // Codes come from a file that may have been edited by hand: one too
    // large to take the mark stays at the largest code instead of overflowing.
    if (sample.Source > INT32_MAX - kPreviousRun) {
        sample.Source = INT32_MAX;
    } else {
        sample.Source += kPreviousRun;
    }
}

void BatteryHistory::UnmarkPrevious(PowerSample& sample) {
    if (sample.Source >= kPreviousRun) sample.Source -= kPreviousRun;
}

void BatteryHistory::LoadHistory(IStatusBar& status) {
    count_ = 0;
    for (PowerSample sample : settings_.ReadHistory()) {
        MarkPrevious(sample);
        samples_[count_++] = sample;
    }
    if (std::optional<std::int32_t> endTime = settings_.ReadEndTime()) {
        // Both times are 32-bit; their difference is taken as 32-bit too.
        const std::int32_t d = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(clock_.Now()) - static_cast<std::uint32_t>(*endTime));
        status.SetPanelText(2, " 前回の電源断から " + HoursMinutesSeconds(d, 0) + "経過");
    }
}

void BatteryHistory::SaveHistory() {
    const std::int32_t count = std::clamp<std::int32_t>(count_, 0, kHistorySlots);
    for (std::int32_t i = 0; i < count; ++i) UnmarkPrevious(samples_[i]);
    settings_.SaveHistory(samples_, count, clock_.Now());
}

}  // namespace pelmor
