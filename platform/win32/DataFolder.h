// The program's files live beside the executable.
#pragma once

#include "platform/DataFolder.h"

namespace pelmor::win32 {

// Full path of the running executable, in the ANSI code page.
std::string ModuleFileName();

class DataFolder : public IDataFolder {
public:
    std::string Path() override { return ExtractFileDir(ModuleFileName()); }
};

}  // namespace pelmor::win32
