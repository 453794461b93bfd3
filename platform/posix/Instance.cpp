#include "platform/posix/Instance.h"

namespace pelmor::posix {

bool Instance::Acquire() { return true; }

void Instance::Release() {}

}  // namespace pelmor::posix
