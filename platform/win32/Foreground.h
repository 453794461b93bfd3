// Bringing the window in front, reached through IApi.
#pragma once

#include <cstdint>

#include "platform/Foreground.h"
#include "platform/win32/Api.h"

namespace pelmor::win32 {

// The OS family decides how the window is brought forward: Windows 98/Me
// and 2000/XP refuse the switch while the foreground-lock timeout runs, so
// it is lifted around the call there.
class Foreground : public IForeground {
public:
    explicit Foreground(IApi& api) : api_(api) {}
    void Prepare() override;
    bool BringForward(WindowHandle window) override;

    // 1 Windows 95, 3 98/Me, 10 NT 4, 11 2000/XP, 0 anything else.
    std::int32_t OsKind = 0;

private:
    IApi& api_;
};

std::int32_t DetectOsKind(IApi& api);

}  // namespace pelmor::win32
