#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace pelmor {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool SameFile(int fd, const std::string& path) {
    struct stat sa, sb;
    return ::fstat(fd, &sa) == 0 && S_ISREG(sa.st_mode) && ::stat(path.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace pelmor
