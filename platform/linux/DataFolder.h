// Where the Linux program keeps pelmor.ini, pelmor.log and url.lst: in the
// folder of the path below, which is the real executable when its folder
// may be written, as on Windows, and otherwise in a folder of the user's data.
#pragma once

#include <string>

#include "platform/DataFolder.h"

namespace pelmor::lnx {

struct ProgramPlace {
    std::string exe;              // full path of the running executable
    bool folderWritable = false;  // its folder may be written by this user
    std::string dataHome;         // $XDG_DATA_HOME as set, maybe empty
    std::string home;             // $HOME, maybe empty
};

// The executable itself when its folder may be written and is not one of
// the system's (under /usr, where the package manager puts programs).
// Otherwise <data home>/pelmor/pelmor, the data home being $XDG_DATA_HOME
// when it is an absolute path, else $HOME/.local/share. Without either, the
// executable itself: there is nowhere better.
std::string ProgramPath(const ProgramPlace& place);

// ProgramPath, with the data folder created (mode 0700) when it is the one
// chosen.
std::string PrepareProgramPath(const ProgramPlace& place);

// PrepareProgramPath for this process: /proc/self/exe, access(2) on its
// folder, the environment (the password database when $HOME is unset).
std::string RunningProgramPath();

// The folder of RunningProgramPath, found (and made) once.
class DataFolder : public IDataFolder {
public:
    std::string Path() override;

private:
    std::string path_;
};

}  // namespace pelmor::lnx
