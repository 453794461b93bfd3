#include "forms/Settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/Application.h"

namespace pelmor {

namespace {

constexpr char kIniName[] = "pelmor.ini";
constexpr char kSetupSection[] = "setup";
constexpr char kLogSection[] = "log";
constexpr std::size_t kLogValueSize = 256;
// A file written by the program holds at most this many entries.
constexpr std::size_t kMaxLoaded = kHistorySlots - 1;

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
    out = static_cast<std::int32_t>(std::clamp<long long>(n, INT32_MIN, INT32_MAX));
    pos = i;
    return true;
}

}  // namespace

Settings::Settings(IProfile& profile, const std::string& dir, std::string defaultIePath)
    : profile_(profile), path_(JoinPath(dir, kIniName)), defaultIePath_(std::move(defaultIePath)) {}

void Settings::Read() {
    std::string iePath =
        profile_.GetString(kSetupSection, "iepath", DefaultIePath(), sizeof IePath, path_);
    const std::size_t n = std::min(iePath.size(), sizeof IePath - 1);
    std::memcpy(IePath, iePath.data(), n);
    IePath[n] = '\0';
    ReloadInterval = profile_.GetInt(kSetupSection, "reload", 60, path_);
    KeyInterval = profile_.GetInt(kSetupSection, "key", 10, path_);
}

bool Settings::StoreIePath(std::string_view cp932) {
    if (cp932.size() >= sizeof IePath) return false;
    std::memcpy(IePath, cp932.data(), cp932.size());
    IePath[cp932.size()] = '\0';
    profile_.WriteString(kSetupSection, "iepath", IePath, path_);
    return true;
}

bool Settings::StoreReloadInterval(std::int32_t seconds) {
    ReloadInterval = std::max(seconds, kMinReloadInterval);
    if (seconds < kMinReloadInterval) return false;
    profile_.WriteString(kSetupSection, "reload", Decimal(ReloadInterval), path_);
    return true;
}

bool Settings::StoreKeyInterval(std::int32_t seconds) {
    KeyInterval = std::max(seconds, kMinKeyInterval);
    if (seconds < kMinKeyInterval) return false;
    profile_.WriteString(kSetupSection, "key", Decimal(KeyInterval), path_);
    return true;
}

// Entries are read until the first missing or empty one. Each holds "%d %d";
// a number that does not scan is 0, and so is every number after it.
std::vector<PowerSample> Settings::ReadHistory() {
    std::vector<PowerSample> samples;
    for (std::int32_t index = 0;; ++index) {
        const std::string value =
            profile_.GetString(kLogSection, Decimal(index), "", kLogValueSize, path_);
        if (value.empty()) break;
        PowerSample sample{};
        std::size_t pos = 0;
        if (ScanInt(value, pos, sample.Level)) ScanInt(value, pos, sample.Source);
        if (samples.size() == kMaxLoaded) samples.erase(samples.begin());
        samples.push_back(sample);
        if (index == INT32_MAX) break;
    }
    return samples;
}

std::optional<std::int32_t> Settings::ReadEndTime() {
    const std::int32_t endTime = profile_.GetInt(kLogSection, "endtime", -1, path_);
    if (endTime <= 0) return std::nullopt;
    return endTime;
}

void Settings::SaveHistory(const PowerSample* samples, std::int32_t count, std::int32_t now) {
    count = std::clamp<std::int32_t>(count, 0, kHistorySlots);
    for (std::int32_t i = 0; i < count; ++i) {
        char value[32];
        std::snprintf(value, sizeof value, "%d %d", static_cast<int>(samples[i].Level),
                      static_cast<int>(samples[i].Source));
        profile_.WriteString(kLogSection, Decimal(i), value, path_);
    }
    profile_.WriteString(kLogSection, Decimal(count), "", path_);
    profile_.WriteString(kLogSection, "endtime", Decimal(now), path_);
}

}  // namespace pelmor
