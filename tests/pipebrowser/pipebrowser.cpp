// A stand-in for a Chromium-family browser, run as chrome.exe: it reads the
// DevTools protocol (NUL-ended JSON) from the handle that
// --remote-debugging-io-pipes names first and answers on the second, as a
// browser with one page would. Beside itself it writes:
//   starts  its command line, one line per start
//   rec     each command's method (and, for Page.navigate, its URL)
// A file "mute" beside it makes it read on without answering, and stay when
// its pipe closes, as a hung browser would.
#include <windows.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace {

std::string g_dir;

bool Exists(const char* name) {
    return GetFileAttributesA((g_dir + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Append(const char* name, const std::string& line) {
    if (FILE* f = std::fopen((g_dir + name).c_str(), "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    g_dir.assign(self, n);
    g_dir.erase(g_dir.find_last_of('\\') + 1);
    const std::string line = GetCommandLineA();
    Append("starts", line);

    const char kSwitch[] = "--remote-debugging-io-pipes=";
    const std::size_t at = line.find(kSwitch);
    if (at == std::string::npos) return 2;
    unsigned long in = 0, out = 0;
    if (std::sscanf(line.c_str() + at + sizeof kSwitch - 1, "%lu,%lu", &in, &out) != 2) return 2;
    const HANDLE from = reinterpret_cast<HANDLE>(ULONG_PTR{in}), to = reinterpret_cast<HANDLE>(ULONG_PTR{out});

    std::string inbox;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(from, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        inbox.append(chunk, got);
        for (std::size_t nul; (nul = inbox.find('\0')) != std::string::npos;) {
            const nlohmann::json m = nlohmann::json::parse(inbox.substr(0, nul), nullptr, false);
            inbox.erase(0, nul + 1);
            const std::string method = m.value("method", "");
            const nlohmann::json params = m.value("params", nlohmann::json::object());
            Append("rec", method == "Page.navigate" ? method + " " + params.value("url", "") : method);
            if (Exists("mute")) continue;
            nlohmann::json result = nlohmann::json::object();
            if (method == "Target.getTargets") result["targetInfos"] = {{{"type", "page"}, {"targetId", "T1"}}};
            if (method == "Target.attachToTarget") result["sessionId"] = "S1";
            if (method == "Page.navigate") result["frameId"] = "F1";
            const std::string answer = nlohmann::json{{"id", m.value("id", 0)}, {"result", result}}.dump() + '\0';
            WriteFile(to, answer.data(), static_cast<DWORD>(answer.size()), &got, nullptr);
            if (method == "Browser.close") return 0;
        }
    }
    // The pipe closed: a hung browser stays until it is ended.
    while (Exists("mute")) Sleep(200);
    return 0;
}
