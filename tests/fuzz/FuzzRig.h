// A program folder on disk, reused by every input, and the services a fuzz
// target runs the main window with.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "fakes/Fakes.h"

namespace pelmor::fuzz {

// One folder per process, reused by every input.
inline const std::string& Folder() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/pelmor-fuzz-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        return std::string(pattern);
    }();
    return dir;
}

inline void WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::string path = Folder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

inline void RemoveFile(const std::string& name) { ::unlink((Folder() + "/" + name).c_str()); }

// The main window's services over that folder.
struct Rig : fake::Rig {
    Rig() : fake::Rig(Folder()) {}
};

}  // namespace pelmor::fuzz
