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

namespace {

// Text the system refused as a whole, in halves cut between characters
// until each refused character stands alone and becomes U+FFFD (the system
// would put its own default character there). A lead byte whose next byte
// cannot follow it is invalid on its own and the next byte is read afresh.
// A few bad bytes in a long text cost some conversions of halves, not one
// call per character (which took over a second for a comment of 20 MB).
void DecodePieces(std::string_view text, bool strict, const Cp932Decoder& decode, std::wstring& wide) {
    std::wstring part;
    if (decode(text, strict, part) == Cp932Decoded::Converted) {
        wide += part;
        return;
    }
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t first = Cp932LeadByte(byte(0)) && text.size() > 1 && Cp932TrailByte(byte(1)) ? 2 : 1;
    if (text.size() <= first) {
        wide += L'\xFFFD';
        return;
    }
    std::size_t half = Cp932Prefix(text, text.size() / 2);
    if (half == 0) half = first;
    DecodePieces(text.substr(0, half), strict, decode, wide);
    DecodePieces(text.substr(half), strict, decode, wide);
}

}  // namespace

std::wstring DecodeCp932(std::string_view cp932, const Cp932Decoder& decode) {
    std::wstring wide;
    bool strict = true;
    Cp932Decoded result = decode(cp932, strict, wide);
    if (result == Cp932Decoded::StrictUnknown) {
        strict = false;
        result = decode(cp932, strict, wide);
    }
    if (result == Cp932Decoded::Converted) return wide;
    // In pieces of a few kilobytes, so that each bad byte costs the halving
    // of one piece only.
    wide.clear();
    for (std::size_t at = 0; at < cp932.size();) {
        std::size_t n = Cp932Prefix(cp932.substr(at), 4096);
        if (n == 0) n = cp932.size() - at;  // a lead byte at the very end
        DecodePieces(cp932.substr(at, n), strict, decode, wide);
        at += n;
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
