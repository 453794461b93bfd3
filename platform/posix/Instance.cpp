#include "platform/posix/Instance.h"

namespace pelmor {

bool PosixInstance::Acquire() { return true; }

void PosixInstance::Release() {}

}  // namespace pelmor
