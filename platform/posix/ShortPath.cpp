#include "platform/posix/ShortPath.h"

#include <sys/stat.h>

namespace pelmor::posix {

std::string PathNames::ShortPathName(const std::string& longPath) {
    struct stat st;
    if (stat(longPath.c_str(), &st) != 0 || longPath.size() > 127) return std::string();
    return longPath;
}

}  // namespace pelmor::posix
