// The exception classes of the window framework. Handlers do not catch them:
// the event dispatch of the toolkit hands them to the application's default
// exception display, and the program carries on.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace pelmor {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Raised by StrToInt on text that is not a decimal integer.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Text (UTF-8) to a signed 32-bit integer: optional blanks around, an
// optional sign, decimal digits, or "$" / "0x" followed by hex digits.
// Anything else, and values outside 32 bits, raise EConvertError.
int StrToInt(std::string_view text);
std::string IntToStr(long long value);

}  // namespace pelmor
