// Short names through GetShortPathNameA.
#include <windows.h>

#include "platform/ShortPath.h"

namespace pelmor {

namespace {

class Win32PathNames : public IPathNames {
public:
    std::string ShortPathName(const std::string& longPath) override {
        char buffer[128];
        DWORD n = GetShortPathNameA(longPath.c_str(), buffer, sizeof buffer);
        // 0: failed; sizeof buffer or more: the size the short form would need.
        if (n == 0 || n >= sizeof buffer) return std::string();
        return std::string(buffer, n);
    }
};

}  // namespace

IPathNames& SystemPathNames() {
    static Win32PathNames names;
    return names;
}

}  // namespace pelmor
