// The part of the code page handling that needs no system tables.
#include "platform/Codepage.h"

namespace pelmor {

namespace {

// Lead bytes of the double-byte characters of code page 932.
bool Cp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

std::size_t Cp932Prefix(std::string_view cp932, std::size_t limit) {
    std::size_t i = 0;
    while (i < cp932.size()) {
        std::size_t n = Cp932Lead(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
        if (i + n > limit || i + n > cp932.size()) break;
        i += n;
    }
    return i;
}

}  // namespace pelmor
