// The once-a-second reading of the power status: the level and source code a
// tick goes on with and the text of status panel 1, which readings the log
// has not had yet, and which ticks start a new minute of the history.
#pragma once

#include <cstdint>
#include <string>

#include "forms/LogFormat.h"
#include "platform/Power.h"

namespace pelmor {

struct PowerStatus {
    std::int32_t level;   // percent, 0 to 100
    std::int32_t source;  // kOnBattery or kOnAc
    std::string text;     // for status panel 1
};

class PowerSampling {
public:
    explicit PowerSampling(IPowerSource& power) : power_(power) {}

    // A failed read carries the last good values, so it neither logs a change
    // nor draws a drop that did not happen (full and on mains until a read
    // has succeeded).
    PowerStatus Read();
    // The last good reading as the system gave it (source and level unknown
    // until a read has succeeded).
    const PowerReading& Reading() const { return reading_; }
    // True when level or source differ from the last ones logged; they are
    // then recorded as logged, before the caller writes them: ticks that run
    // inside the log's error box may log a newer change, which a late update
    // would otherwise hide, logging that change twice.
    bool LogDue(std::int32_t level, std::int32_t source);
    // True on the first tick of a minute of the hour.
    bool NewMinute(int minute);

private:
    IPowerSource& power_;
    PowerReading reading_;
    std::int32_t LastLoggedLevel = -1;
    std::int32_t LastLoggedSource = -1;
    int LastMinute = -1;
    std::int32_t shownLevel_ = -1;
    const char* shownSource_ = nullptr;
    std::string shownText_;
};

// Seconds as hours:minutes:seconds, the hours at least hourWidth wide.
std::string HoursMinutesSeconds(std::int32_t seconds, int hourWidth);

// The elapsed time of a measurement for status panel 0: " %3d:%02d:%02d".
inline std::string ElapsedText(std::int32_t elapsed) { return " " + HoursMinutesSeconds(elapsed, 3); }

}  // namespace pelmor
