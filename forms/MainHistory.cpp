// The battery history: one sample per wall-clock minute, three hours at most.
#include <climits>
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

}  // namespace pelmor
