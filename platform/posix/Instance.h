// The mark of a running copy on a POSIX system: there is none to take. A
// second copy runs like the first and shares its files, as on Windows, where
// the named mutex only stops start-up when it cannot be created at all.
#pragma once

#include "platform/Instance.h"

namespace pelmor::posix {

class Instance : public IInstance {
public:
    bool Acquire() override;
    void Release() override;
};

}  // namespace pelmor::posix
