// The program folder of a fuzz process, reused by every input.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <string>

#include "fakes/Fakes.h"

namespace pelmor::fuzz {

// Writes the input as the file name in the folder; returns the folder.
inline std::string Put(const char* name, const void* data, std::size_t size) {
    static const std::string dir = [] {
        char pattern[] = "/tmp/pelmor-fuzz-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        return std::string(pattern);
    }();
    std::ofstream(dir + "/" + name, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return dir;
}

}  // namespace pelmor::fuzz
