#include "platform/linux/DataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pelmor::lnx {

namespace {

constexpr char kFolder[] = "pelmor";
constexpr char kName[] = "pelmor";

std::string Folder(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SystemFolder(const std::string& folder) {
    return folder == "/usr" || folder.rfind("/usr/", 0) == 0;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The data folder, or empty when there is none to be had.
std::string UserDataFolder(const ProgramPlace& place) {
    std::string base;
    if (!place.dataHome.empty() && place.dataHome[0] == '/') {
        base = WithoutTrailingSlashes(place.dataHome);
    } else if (!place.home.empty() && place.home[0] == '/') {
        base = WithoutTrailingSlashes(place.home) + "/.local/share";
    } else {
        return std::string();
    }
    if (base == "/") base.clear();
    return base + "/" + kFolder;
}

bool BesideProgram(const ProgramPlace& place) {
    return place.folderWritable && !SystemFolder(Folder(place.exe));
}

// mkdir -p, each missing folder private to the user.
void MakeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            std::string part = path.substr(0, at);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        }
    }
}

}  // namespace

std::string ProgramPath(const ProgramPlace& place) {
    if (BesideProgram(place)) return place.exe;
    std::string folder = UserDataFolder(place);
    if (folder.empty()) return place.exe;
    return folder + "/" + kName;
}

std::string PrepareProgramPath(const ProgramPlace& place) {
    std::string path = ProgramPath(place);
    if (path != place.exe) MakeFolders(Folder(path));
    return path;
}

std::string RunningProgramPath() {
    ProgramPlace place;
    // The kernel gives this link's target in one page at the most.
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof buf) place.exe.assign(buf, static_cast<std::size_t>(n));
    place.folderWritable = !place.exe.empty() && ::access(Folder(place.exe).c_str(), W_OK) == 0;
    if (const char* data = std::getenv("XDG_DATA_HOME")) place.dataHome = data;
    if (const char* home = std::getenv("HOME")) {
        place.home = home;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        place.home = pw->pw_dir;
    }
    return PrepareProgramPath(place);
}

std::string DataFolder::Path() {
    if (path_.empty()) path_ = Folder(RunningProgramPath());
    return path_;
}

}  // namespace pelmor::lnx
