// ddeserver: a stand-in for the browser's DDE service "Iexplore" / "WWW_OpenURL". It
// reads its arguments from ddeserver.args beside it:
//   RECORD [--mode accept|hang|stall] [--events FILE] [--ready FILE] [--stop FILE] [--lifetime SECONDS]
// and appends each execute command, up to its zero, as a line to RECORD. hang never
// answers; stall handles no message after the first command. --events gets "connect",
// "execute cb=N zero=Z" and "disconnect" lines, --ready "ready" once registered; it ends
// when the --stop file appears or after --lifetime seconds. Each start adds a line to
// "starts" beside the program.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string g_record, g_events, g_ready, g_stop, g_mode = "accept";
unsigned g_lifetime = 600;
HSZ g_topic = nullptr;

void Append(const std::string& path, const std::string& bytes) {
    if (path.empty()) return;
    if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

bool StopAsked() { return !g_stop.empty() && GetFileAttributesA(g_stop.c_str()) != INVALID_FILE_ATTRIBUTES; }

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:  // hsz1 is the topic; the service was matched by the name filter
        return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz1, g_topic) == 0);
    case XTYP_CONNECT_CONFIRM:
        Append(g_events, "connect\n");
        return nullptr;
    case XTYP_DISCONNECT:
        Append(g_events, "disconnect\n");
        return nullptr;
    case XTYP_EXECUTE: {
        DWORD cb = DdeGetData(data, nullptr, 0, 0);
        std::vector<char> bytes(cb);
        if (cb) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), cb, 0);
        std::size_t len = 0;
        while (len < bytes.size() && bytes[len] != '\0') ++len;
        Append(g_record, std::string(bytes.data(), len) + "\n");
        Append(g_events, "execute cb=" + std::to_string(cb) + " zero=" + (len < cb ? "1" : "0") + "\n");
        if (g_mode == "hang") return CBR_BLOCK;
        if (g_mode == "stall") {
            for (DWORD start = GetTickCount(); !StopAsked() && GetTickCount() - start < g_lifetime * 1000u;) Sleep(100);
            ExitProcess(0);
        }
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    default:
        return nullptr;
    }
}

void CALLBACK CheckStop(HWND, UINT, UINT_PTR, DWORD) {
    if (StopAsked()) PostQuitMessage(0);
}

std::string BesideProgram(const char* name) {
    char path[MAX_PATH];
    std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return s.substr(0, s.find_last_of("\\/") + 1) + name;
}

}  // namespace

int main() {
    Append(BesideProgram("starts"), "start\n");
    std::FILE* f = std::fopen(BesideProgram("ddeserver.args").c_str(), "rb");
    if (!f) return 2;
    char w[1024], value[1024];
    while (std::fscanf(f, "%1023s", w) == 1) {
        std::string key = w;
        if (key.rfind("--", 0) != 0) g_record = key;
        else if (std::fscanf(f, "%1023s", value) != 1) return 2;
        else if (key == "--mode") g_mode = value;
        else if (key == "--events") g_events = value;
        else if (key == "--ready") g_ready = value;
        else if (key == "--stop") g_stop = value;
        else if (key == "--lifetime") g_lifetime = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    }
    std::fclose(f);

    DWORD inst = 0;
    if (DdeInitializeA(&inst, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0) !=
        DMLERR_NO_ERROR)
        return 3;
    HSZ service = DdeCreateStringHandleA(inst, "Iexplore", CP_WINANSI);
    g_topic = DdeCreateStringHandleA(inst, "WWW_OpenURL", CP_WINANSI);
    if (!DdeNameService(inst, service, nullptr, DNS_REGISTER)) return 4;
    Append(g_ready, "ready\n");

    SetTimer(nullptr, 0, 100, CheckStop);
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < g_lifetime * 1000u && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DdeNameService(inst, service, nullptr, DNS_UNREGISTER);
    DdeUninitialize(inst);
    return 0;
}
