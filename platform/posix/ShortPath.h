// POSIX file systems have no short names: an existing file's path is its
// own short form, as long as it fits the 127 bytes the caller allows.
#pragma once

#include "platform/ShortPath.h"

namespace pelmor::posix {

class PathNames : public IPathNames {
public:
    std::string ShortPathName(const std::string& longPath) override;
};

}  // namespace pelmor::posix
