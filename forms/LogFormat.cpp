#include "forms/LogFormat.h"

#include <charconv>
#include <cstdio>

#include "platform/Codepage.h"

namespace pelmor {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A whole decimal number, optionally negative, that fits 32 bits.
bool ParseInt(std::string_view s, std::int32_t& value) {
    s = Trim(s);
    if (s.empty()) return false;
    auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), value);
    return err == std::errc() && end == s.data() + s.size();
}

}  // namespace

std::string LogBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string SampleLine(std::int32_t elapsed, std::int32_t level, std::int32_t source) {
    char line[64];
    std::snprintf(line, sizeof line, "%7d, %3d, %2d\n", static_cast<int>(elapsed),
                  static_cast<int>(level), static_cast<int>(source));
    return line;
}

std::string EndLine() { return SampleLine(0, 0, kEndOfMeasurement); }

std::string LogHeader(const std::string& ctimeText, std::string_view comment) {
    const std::size_t fixed = 3 + ctimeText.size() + 2 + 1;  // "\n' " date "' " comment "\n"
    const std::size_t room = fixed < kHeaderBytes ? kHeaderBytes - fixed : 0;
    std::string header = "\n' ";
    header += ctimeText;
    header += "' ";
    header += comment.substr(0, Cp932Prefix(comment, room));
    header += '\n';
    return header;
}

LogLine ParseLogLine(std::string_view line) {
    LogLine p;
    if (Trim(line).empty()) {
        p.kind = LogLineKind::Blank;
        return p;
    }
    if (line.front() == '\'') {
        p.kind = LogLineKind::Quoted;
        p.text = line.substr(1);
        if (!p.text.empty() && p.text.front() == ' ') p.text.remove_prefix(1);
        return p;
    }
    const std::size_t c1 = line.find(',');
    const std::size_t c2 = c1 == std::string_view::npos ? c1 : line.find(',', c1 + 1);
    if (c2 == std::string_view::npos || line.find(',', c2 + 1) != std::string_view::npos)
        return p;
    if (!ParseInt(line.substr(0, c1), p.elapsed) ||
        !ParseInt(line.substr(c1 + 1, c2 - c1 - 1), p.level) ||
        !ParseInt(line.substr(c2 + 1), p.source))
        return p;
    if (p.source == kEndOfMeasurement) {
        if (p.level != 0) {
            p.reason = "an end line (source 2) with a level other than 0";
            return p;
        }
        p.kind = LogLineKind::End;
        return p;
    }
    if (p.source != kOnBattery && p.source != kOnAc) {
        p.reason = "the power source is not 0, 1 or 2";
        return p;
    }
    if (p.level < 0 || p.level > 100) {
        p.reason = "the level is not 0 to 100";
        return p;
    }
    p.kind = LogLineKind::Sample;
    return p;
}

}  // namespace pelmor
