#include "platform/win32/Instance.h"

namespace pelmor::win32 {

namespace {
constexpr char kMutexName[] = "ravoshu-pelmor";
constexpr unsigned kMbIconExclamation = 0x30;
}  // namespace

bool Instance::Acquire() {
    // The 32-bit record's length, no security descriptor, inheritable.
    const MutexSecurity sa{12, nullptr, 1};
    handle_ = api_.CreateMutexA(sa, true, kMutexName);
    if (handle_ != 0) return true;
    api_.MessageBeep(kMbIconExclamation);
    return false;
}

void Instance::Release() { api_.ReleaseMutex(handle_); }

}  // namespace pelmor::win32
