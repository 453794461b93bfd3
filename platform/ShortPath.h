// Short (8.3) names of files. Paths are bytes in the system's ANSI code
// page, as the ANSI file APIs take them.
#pragma once

#include <string>

namespace pelmor {

class IPathNames {
public:
    virtual ~IPathNames() = default;
    // The short form of an existing file's path, at most 127 bytes. Empty
    // when it cannot be had: no such file, or a short form that does not fit.
    virtual std::string ShortPathName(const std::string& longPath) = 0;
};

}  // namespace pelmor
