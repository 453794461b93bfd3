#include "platform/linux/BrowserProgram.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "platform/Codepage.h"

namespace pelmor::lnx {

namespace {

std::string Find(const std::string& name, const std::string& pathList,
                 const std::function<bool(const std::string&)>& isExecutable) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return isExecutable(name) ? name : std::string();
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = std::min(pathList.find(':', begin), pathList.size());
        // An empty entry would be the working folder, which is no place to
        // look for a browser.
        if (end > begin) {
            std::string candidate = pathList.substr(begin, end - begin);
            if (candidate.back() != '/') candidate += '/';
            candidate += name;
            if (isExecutable(candidate)) return candidate;
        }
        if (end == pathList.size()) return {};
        begin = end + 1;
    }
}

}  // namespace

std::string ChooseBrowser(const std::string& setting, const std::string& pathList,
                          const std::function<bool(const std::string&)>& isExecutable) {
    std::string chosen = Find(Cp932ToUtf8(setting), pathList, isExecutable);
    // Ubuntu calls its Chromium chromium-browser. Firefox, whose remote
    // control is a network port, only when the setting names it.
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        if (!chosen.empty()) break;
        chosen = Find(name, pathList, isExecutable);
    }
    return chosen;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool SpeaksBiDi(const std::string& program) {
    std::string name = program.substr(program.rfind('/') + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name.find("firefox") != std::string::npos;
}

}  // namespace pelmor::lnx
