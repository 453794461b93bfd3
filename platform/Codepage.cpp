// The part of the code page handling that needs no system tables, and the
// folder of a path whose bytes are in the code page.
#include "platform/Codepage.h"
#include "platform/DataFolder.h"

namespace pelmor {

std::size_t Cp932Prefix(std::string_view cp932, std::size_t limit) {
    std::size_t i = 0;
    while (i < cp932.size()) {
        std::size_t n = Cp932LeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
        if (i + n > limit || i + n > cp932.size()) break;
        i += n;
    }
    return i;
}

std::wstring DecodeCp932(std::string_view cp932, const Cp932Decoder& decode) {
    std::wstring wide;
    bool strict = true;
    Cp932Decoded result = decode(cp932, strict, wide);
    if (result == Cp932Decoded::StrictUnknown) {
        strict = false;
        result = decode(cp932, strict, wide);
    }
    if (result == Cp932Decoded::Converted) return wide;
    // Character by character, so that each invalid one becomes U+FFFD (the
    // system would put its own default character there). A lead byte whose
    // next byte cannot follow it is a character of its own, and invalid.
    wide.clear();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(cp932[i]); };
    for (std::size_t i = 0, n = 1; i < cp932.size(); i += n) {
        n = Cp932LeadByte(byte(i)) && i + 1 < cp932.size() && Cp932TrailByte(byte(i + 1)) ? 2 : 1;
        std::wstring part;
        wide += decode(cp932.substr(i, n), strict, part) == Cp932Decoded::Converted ? part : L"\xFFFD";
    }
    return wide;
}

std::string ExtractFileDir(const std::string& path) {
    // The last '\\', '/' or ':' that is a character of its own: the trail
    // byte of a double-byte character can have the value of a backslash.
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (PathLeadByte(c)) {
            ++i;
        } else if (c == '\\' || c == '/' || c == ':') {
            cut = i;
        }
    }
    if (cut == std::string::npos) return std::string();
    // "C:\pelmor.exe" and "C:pelmor.exe" both give "C:"
    return path.substr(0, path[cut] == ':' ? cut + 1 : cut);
}

}  // namespace pelmor
