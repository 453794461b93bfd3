// The named mutex that marks a running copy, and the beep start-up gives
// when it cannot be had.
#pragma once

#include <cstdint>
#include <string>

namespace pelmor {

struct MutexSecurity {
    std::uint32_t nLength = 0;
    const void* lpSecurityDescriptor = nullptr;
    std::int32_t bInheritHandle = 0;
};

class IInstanceMutex {
public:
    virtual ~IInstanceMutex() = default;
    // CreateMutexA; returns 0 for a null handle.
    virtual std::uintptr_t Create(const MutexSecurity& sa, bool initialOwner,
                                  const std::string& name) = 0;
    virtual void Release(std::uintptr_t handle) = 0;
    virtual void MessageBeep(unsigned type) = 0;
};

}  // namespace pelmor
