// The mark of a running copy, reached through IApi.
#pragma once

#include <cstdint>

#include "platform/Instance.h"
#include "platform/win32/Api.h"

namespace pelmor::win32 {

// The named mutex "ravoshu-pelmor". A copy started while another runs gets
// the same mutex and runs like the first; only a null handle stops start-up,
// with the exclamation beep.
class Instance : public IInstance {
public:
    explicit Instance(IApi& api) : api_(api) {}
    bool Acquire() override;
    void Release() override;

private:
    IApi& api_;
    std::uintptr_t handle_ = 0;
};

}  // namespace pelmor::win32
