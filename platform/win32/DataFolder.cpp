#include <windows.h>

#include <vector>

#include "platform/win32/DataFolder.h"

namespace pelmor::win32 {

std::string ModuleFileName() {
    std::vector<char> path(MAX_PATH);
    while (true) {
        DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::string();
        if (n < path.size() || path.size() >= 32768) return std::string(path.data(), n);
        path.resize(path.size() * 2);
    }
}

}  // namespace pelmor::win32
