// The portable private-profile files: any starting file, then a script of
// writes and reads taken from the input. A value written is read back as
// written (when the write was accepted), and unrelated keys are unharmed.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "FuzzRig.h"

using namespace pelmor;

namespace {

std::string Piece(const std::uint8_t*& data, std::size_t& size, std::size_t most) {
    const std::size_t n = size ? std::min<std::size_t>(data[0] % (most + 1), size - 1) : 0;
    std::string s(reinterpret_cast<const char*>(data) + (size ? 1 : 0), n);
    data += size ? n + 1 : 0, size -= size ? n + 1 : 0;
    return s;
}

// Printable ASCII without the characters that have a meaning in the file.
bool Plain(const std::string& s) {
    return !s.empty() && s.find_first_of("[]=;\"'") == std::string::npos &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string start = Piece(data, size, 200);
    const std::string path = fuzz::Put("f.ini", start.data(), start.size()) + "/f.ini";
    posix::Profile ini;
    ini.WriteString("pelmor-guard", "Guard", "kept", path);
    for (int op = 0; op < 16 && size > 0; ++op) {
        std::string section = Piece(data, size, 8);
        std::string key = Piece(data, size, 8);
        std::string value = Piece(data, size, 24);
        bool accepted = ini.WriteString(section, key, value, path);
        std::string back = ini.GetString(section, key, "\x01", 256, path);
        ini.GetInt(section, key, 7, path);
        // Plain names and plain values always go through and come back.
        if (Plain(section) && Plain(key) && (value.empty() || Plain(value))) {
            if (!accepted || back != value) std::abort();
        }
        // A write to another section leaves this one alone.
        if (strcasecmp(section.c_str(), "pelmor-guard") != 0 &&
            ini.GetString("PELMOR-GUARD", "guard", "", 16, path) != "kept") {
            std::abort();
        }
    }
    return 0;
}
