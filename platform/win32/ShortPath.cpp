#include <windows.h>

#include "platform/win32/ShortPath.h"

namespace pelmor::win32 {

std::string PathNames::ShortPathName(const std::string& longPath) {
    char buffer[128];
    DWORD n = GetShortPathNameA(longPath.c_str(), buffer, sizeof buffer);
    // 0: failed; sizeof buffer or more: the size the short form would need.
    if (n == 0 || n >= sizeof buffer) return std::string();
    return std::string(buffer, n);
}

}  // namespace pelmor::win32
