// Conversion between the UTF-8 of the window texts and the code page 932
// bytes of the files.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pelmor {

// The bytes that start and continue a double-byte character of code page 932.
inline bool Cp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
inline bool Cp932TrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Characters that code page 932 cannot hold become '?'.
std::string Utf8ToCp932(std::string_view utf8);
// Bytes that are not valid code page 932 become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// What the system's conversion of code page 932 bytes to UTF-16 did.
enum class Cp932Decoded {
    Converted,
    Invalid,       // refused: bytes that are not valid code page 932
    StrictUnknown  // refused: the system cannot be asked to reject invalid bytes
};
// One call of the system's conversion, asked (strict) or not to reject
// invalid bytes; without strict the system puts a default character of its
// own in place of each.
using Cp932Decoder =
    std::function<Cp932Decoded(std::string_view bytes, bool strict, std::wstring& out)>;
// The bytes through the system's conversion, each invalid character U+FFFD
// where the system can reject them, the system's default character where it
// cannot.
std::wstring DecodeCp932(std::string_view cp932, const Cp932Decoder& decode);

// Length of the longest prefix of text, at most limit bytes, that does not end
// inside a double-byte character.
std::size_t Cp932Prefix(std::string_view cp932, std::size_t limit);

}  // namespace pelmor

namespace pelmor {

// True when the byte starts a double-byte character in the code page that
// file paths are in (the ANSI code page on Windows; never for UTF-8 paths).
bool PathLeadByte(unsigned char byte);

}  // namespace pelmor
