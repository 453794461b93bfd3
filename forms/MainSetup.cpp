// The settings and history file pelmor.ini beside the executable: the
// settings read at start-up, and the battery history with the close time,
// loaded at start-up and saved at every close.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "forms/Main.h"

namespace pelmor {

namespace {

constexpr char kIniName[] = "pelmor.ini";
constexpr char kSetupSection[] = "setup";
constexpr char kLogSection[] = "log";
constexpr std::size_t kIePathSize = sizeof(TfrmMain::IePath);
constexpr std::size_t kLogValueSize = 256;

// A file written by the program holds at most this many entries.
constexpr int kMaxLoaded = kHistorySlots - 1;

std::string Decimal(std::int32_t n) { return std::to_string(n); }

bool Space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "%d" conversion of sscanf at text[pos]: blanks, an optional sign, at
// least one digit. Values past 32 bits are held at the nearest limit.
bool ScanInt(const std::string& text, std::size_t& pos, std::int32_t& out) {
    std::size_t i = pos;
    while (i < text.size() && Space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (n <= 2147483648LL) n = n * 10 + (text[i] - '0');
    }
    if (negative) n = -n;
    if (n > INT32_MAX) n = INT32_MAX;
    if (n < INT32_MIN) n = INT32_MIN;
    out = static_cast<std::int32_t>(n);
    pos = i;
    return true;
}

// sscanf(value, "%d %d", &level, &source): a field that does not scan keeps
// what it held, and so does every field after it.
void ScanSample(const std::string& value, PowerSample& sample) {
    std::size_t pos = 0;
    if (!ScanInt(value, pos, sample.Level)) return;
    ScanInt(value, pos, sample.Source);
}

}  // namespace

void TfrmMain::ReadSetup() {
    IProfile& profile = app_.svc.profile;
    const std::string path = JoinPath(ProgramDir(), kIniName);

    std::string iePath =
        profile.GetString(kSetupSection, "iepath", kDefaultIePath, kIePathSize, path);
    std::size_t n = std::min(iePath.size(), kIePathSize - 1);
    std::memcpy(IePath, iePath.data(), n);
    IePath[n] = '\0';

    ReloadInterval = profile.GetInt(kSetupSection, "reload", 60, path);
    KeyInterval = profile.GetInt(kSetupSection, "key", 10, path);
}

void TfrmMain::LoadHistory() {
    IProfile& profile = app_.svc.profile;
    const std::string path = JoinPath(ProgramDir(), kIniName);

    // Entries are read until the first missing or empty one. A section edited
    // by hand may hold more than the program ever writes: the newest entries
    // are kept, each further entry pushing the oldest one out.
    Count = 0;
    for (std::int32_t index = 0;; ++index) {
        std::string value = profile.GetString(kLogSection, Decimal(index), "", kLogValueSize, path);
        if (value.empty()) break;
        PowerSample sample{};
        if (Count < kMaxLoaded) {
            sample = Samples[Count];
        } else {
            std::memmove(&Samples[0], &Samples[1], sizeof(PowerSample) * (kMaxLoaded - 1));
            Count = kMaxLoaded - 1;
        }
        ScanSample(value, sample);
        MarkPrevious(sample);
        Samples[Count] = sample;
        ++Count;
        if (index == INT32_MAX) break;
    }

    std::int32_t endTime = profile.GetInt(kLogSection, "endtime", -1, path);
    if (endTime > 0) {
        // Both times are 32-bit; their difference is taken as 32-bit too.
        std::int32_t d = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(app_.svc.clock.Now()) - static_cast<std::uint32_t>(endTime));
        std::int32_t hours = d / 3600;
        std::int32_t minutes = (d - hours * 3600) / 60;
        std::int32_t seconds = d % 60;
        char text[80];
        std::snprintf(text, sizeof text, " 前回の電源断から %d:%02d:%02d経過", static_cast<int>(hours),
                      static_cast<int>(minutes), static_cast<int>(seconds));
        StatusBar.SetPanelText(2, text);
    }
}

void TfrmMain::SaveHistory() {
    IProfile& profile = app_.svc.profile;
    const std::string path = JoinPath(ProgramDir(), kIniName);

    std::int32_t count = std::clamp<std::int32_t>(Count, 0, kHistorySlots);
    for (std::int32_t i = 0; i < count; ++i) {
        UnmarkPrevious(Samples[i]);
        char value[80];
        std::snprintf(value, sizeof value, "%d %d", static_cast<int>(Samples[i].Level),
                      static_cast<int>(Samples[i].Source));
        profile.WriteString(kLogSection, Decimal(i), value, path);
    }
    profile.WriteString(kLogSection, Decimal(count), "", path);
    profile.WriteString(kLogSection, "endtime", Decimal(app_.svc.clock.Now()), path);
}

}  // namespace pelmor
