// Where the program keeps its files: pelmor.ini, pelmor.log and url.lst.
#pragma once

#include <string>

namespace pelmor {

class IDataFolder {
public:
    virtual ~IDataFolder() = default;
    // The folder, in the system's ANSI code page and without a trailing
    // delimiter. The Windows program asks the system at every call.
    virtual std::string Path() = 0;
};

// A path without its last component: "C:\\Pelmor\\pelmor.exe" gives
// "C:\\Pelmor", "C:\\pelmor.exe" and "C:pelmor.exe" give "C:". A trail byte
// of a double-byte character that has the value of a backslash cuts nothing.
std::string ExtractFileDir(const std::string& path);

}  // namespace pelmor
