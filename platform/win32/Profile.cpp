#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/win32/Profile.h"

namespace pelmor::win32 {

std::string Profile::GetString(const std::string& section, const std::string& key,
                               const std::string& def, std::size_t size,
                               const std::string& path) {
    if (size == 0) return {};
    // The system copies at most buffer - 1 bytes and a zero. The buffer starts
    // small and grows while the value fills it, up to the size asked for, so
    // that a huge size costs memory only for a value that long.
    const std::size_t limit = size > 0x7FFFFFFF ? 0x7FFFFFFF : size;
    std::size_t capacity = limit < 4096 ? limit : 4096;
    for (;;) {
        std::vector<char> buf(capacity + 1, '\0');
        DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(),
                                             buf.data(), static_cast<DWORD>(capacity),
                                             path.c_str());
        if (n > capacity - 1) n = static_cast<DWORD>(capacity - 1);  // never trust it past the buffer
        // A value cut inside a double-byte character is counted with the
        // byte that was left out: the text ends at the terminating zero.
        if (n < capacity - 1 || capacity == limit) return std::string(buf.data(), strnlen(buf.data(), n));
        capacity = capacity > limit / 2 ? limit : capacity * 2;
    }
}

int Profile::GetInt(const std::string& section, const std::string& key, int def,
                    const std::string& path) {
    return static_cast<int>(
        ::GetPrivateProfileIntA(section.c_str(), key.c_str(), def, path.c_str()));
}

bool Profile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value, const std::string& path) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                        path.c_str()) != FALSE;
}

}  // namespace pelmor::win32
