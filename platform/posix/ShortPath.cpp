// POSIX file systems have no short names: an existing file's path is its
// own short form.
#include <sys/stat.h>

#include "platform/ShortPath.h"

namespace pelmor {

namespace {

class PosixPathNames : public IPathNames {
public:
    std::string ShortPathName(const std::string& longPath) override {
        struct stat st;
        if (stat(longPath.c_str(), &st) != 0 || longPath.size() > 127) return std::string();
        return longPath;
    }
};

}  // namespace

IPathNames& SystemPathNames() {
    static PosixPathNames names;
    return names;
}

}  // namespace pelmor
