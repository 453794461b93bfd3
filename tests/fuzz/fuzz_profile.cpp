// The portable private-profile files: any starting file, then a script of
// writes and reads taken from the input. A value written is read back as
// written (when the write was accepted), and unrelated keys are unharmed.
#include <cstring>

#include "FuzzRig.h"

using namespace pelmor;

namespace {

std::string Piece(const std::uint8_t*& data, std::size_t& size, std::size_t most) {
    if (size == 0) return {};
    std::size_t n = data[0] % (most + 1);
    ++data;
    --size;
    if (n > size) n = size;
    std::string s(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    return s;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool Plain(const std::string& s) {
    for (unsigned char c : s) {
        if (c < 0x21 || c > 0x7E || c == '[' || c == ']' || c == '=' || c == ';' || c == '"' ||
            c == '\'') {
            return false;
        }
    }
    return !s.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string start = Piece(data, size, 200);
    fuzz::WriteFile("f.ini", reinterpret_cast<const std::uint8_t*>(start.data()), start.size());
    const std::string path = fuzz::Folder() + "/f.ini";
    IniProfile ini;
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
        if (!SameName(section, "pelmor-guard") &&
            ini.GetString("PELMOR-GUARD", "guard", "", 16, path) != "kept") {
            std::abort();
        }
    }
    return 0;
}
