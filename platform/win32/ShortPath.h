// Short names through GetShortPathNameA, into the 128-byte buffer the
// caller allows; empty when the call fails or the short form is longer.
#pragma once

#include "platform/ShortPath.h"

namespace pelmor::win32 {

class PathNames : public IPathNames {
public:
    std::string ShortPathName(const std::string& longPath) override;
};

}  // namespace pelmor::win32
