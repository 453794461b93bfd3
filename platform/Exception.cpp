#include "platform/Exception.h"

#include <cstdint>

namespace pelmor {

int StrToInt(std::string_view text) {
    std::string_view t = text;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    auto fail = [&]() -> int {
        throw EConvertError("'" + std::string(text) + "' は有効な整数ではありません。");
    };
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 1 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty()) return fail();
    std::int64_t value = 0;
    for (char c : t) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return fail();
        }
        value = value * base + digit;
        if (value > 0x100000000LL) return fail();
    }
    if (negative) value = -value;
    if (base == 10 && (value > INT32_MAX || value < INT32_MIN)) return fail();
    // Hex spellings cover the whole 32-bit pattern, as $FFFFFFFF is -1.
    if (base == 16 && (value > 0xFFFFFFFFLL || value < -0xFFFFFFFFLL)) return fail();
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

std::string IntToStr(long long value) { return std::to_string(value); }

}  // namespace pelmor
