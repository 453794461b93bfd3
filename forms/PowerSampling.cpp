#include "forms/PowerSampling.h"

#include <cstdio>

namespace pelmor {

PowerStatus PowerSampling::Read() {
    PowerReading fresh;
    const bool read = power_.Read(fresh);
    if (read) reading_ = fresh;
    const PowerReading& power = reading_;

    const char* sourceText;
    std::int32_t source;
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
    const bool full = !power.level || *power.level >= 100;
    const std::int32_t level = full ? 100 : *power.level;
    if (!read) return {level, source, "バッテリ残量取得失敗"};
    // Most ticks show what the last one showed: the text is made anew only
    // when the source's words or the level change.
    if (level != shownLevel_ || sourceText != shownSource_) {
        char text[64];
        if (full) std::snprintf(text, sizeof text, "%s 満充電", sourceText);
        else std::snprintf(text, sizeof text, "%s %3d%%", sourceText, static_cast<int>(level));
        shownText_ = text;
        shownLevel_ = level;
        shownSource_ = sourceText;
    }
    return {level, source, shownText_};
}

bool PowerSampling::LogDue(std::int32_t level, std::int32_t source) {
    if (level == LastLoggedLevel && source == LastLoggedSource) return false;
    LastLoggedLevel = level;
    LastLoggedSource = source;
    return true;
}

bool PowerSampling::NewMinute(int minute) {
    if (minute == LastMinute) return false;
    LastMinute = minute;
    return true;
}

std::string HoursMinutesSeconds(std::int32_t seconds, int hourWidth) {
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = (seconds - hours * 3600) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%*d:%02d:%02d", hourWidth, static_cast<int>(hours),
                  static_cast<int>(minutes), static_cast<int>(seconds % 60));
    return text;
}

}  // namespace pelmor
