// Conversion between the UTF-8 of the window texts and the code page 932
// bytes of the files.
#pragma once

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
// Length of the longest prefix of text, at most limit bytes, that does not end
// inside a double-byte character.
std::size_t Cp932Prefix(std::string_view cp932, std::size_t limit);

}  // namespace pelmor

namespace pelmor {

// True when the byte starts a double-byte character in the code page that
// file paths are in (the ANSI code page on Windows; never for UTF-8 paths).
bool PathLeadByte(unsigned char byte);

}  // namespace pelmor
