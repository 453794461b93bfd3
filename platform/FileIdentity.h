// Whether two names, or an open descriptor and a name, are one file: the
// volume and the file's number where the system has them, so that a link
// or another spelling of the path is found too.
#pragma once

#include <string>

namespace pelmor {

bool SameFile(const std::string& a, const std::string& b);
// fd: a C runtime descriptor (0 standard input, 1 standard output); false
// unless it is an ordinary file.
bool SameFile(int fd, const std::string& path);

}  // namespace pelmor
