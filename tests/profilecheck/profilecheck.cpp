// Runs private-profile script cases through the Win32 functions
// (GetPrivateProfileStringA, GetPrivateProfileIntA,
// WritePrivateProfileStringA) and prints what they read back.
//   profilecheck SCRIPT [DIR]
// DIR holds the case files (default: the current directory).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "profilecheck/ProfileScript.h"

namespace {

class Win32Profile : public pelmor::IProfile {
public:
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def, std::size_t size,
                          const std::string& path) override {
        // The buffer is read up to its terminating zero: on cut double-byte
        // text Wine's count can pass the bytes it actually stored.
        std::vector<char> buf(size + 1, '\0');
        GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                 static_cast<DWORD>(size), path.c_str());
        return std::string(buf.data());
    }
    int GetInt(const std::string& section, const std::string& key, int def,
               const std::string& path) override {
        return static_cast<int>(
            GetPrivateProfileIntA(section.c_str(), key.c_str(), def, path.c_str()));
    }
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& path) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                          path.c_str()) != 0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: profilecheck SCRIPT [DIR]\n");
        return 2;
    }
    std::ifstream f(argv[1], std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::string script((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());

    // The profile functions need full paths: a bare name means the Windows
    // directory.
    std::string dir = argc > 2 ? argv[2] : ".";
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(dir.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) {
        std::fprintf(stderr, "bad directory %s\n", dir.c_str());
        return 2;
    }
    dir.assign(full, n);
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();

    Win32Profile profile;
    std::string out = pelmor::profilecheck::RunScript(script, profile, dir, '\\');
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
