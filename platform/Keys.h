// Synthesised keyboard events for the system input queue.
#pragma once

#include <cstdint>

namespace pelmor {

class IKeyInjector {
public:
    virtual ~IKeyInjector() = default;
    virtual void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags,
                            std::uintptr_t extra) = 0;
};

}  // namespace pelmor
