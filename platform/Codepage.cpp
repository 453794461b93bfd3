// The part of the code page handling that needs no system tables.
#include "platform/Codepage.h"

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

}  // namespace pelmor
