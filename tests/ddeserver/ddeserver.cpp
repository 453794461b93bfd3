// ddeserver: a stand-in for the browser's DDE service "Iexplore" / "WWW_OpenURL". Its
// files are beside it: "mode" holds accept (the default), hang (never answers a command),
// stall (handles no message after the first command) or mute (no service). It appends each
// execute command, up to its zero, as a line to "rec"; "connect", "execute cb=N zero=Z" and
// "disconnect" lines to "events"; "ready" to "ready" once running and "start" to "starts"
// at each start. It ends (and removes "stop") when a file "stop" appears, or after 5 min.
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const DWORD kLifetime = 300000;
std::string g_dir, g_mode = "accept";
HSZ g_topic = nullptr;

void Append(const char* name, const std::string& bytes) {
    if (std::FILE* f = std::fopen((g_dir + name).c_str(), "ab")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

bool StopAsked() { return GetFileAttributesA((g_dir + "stop").c_str()) != INVALID_FILE_ATTRIBUTES; }

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:  // hsz1 is the topic; the service was matched by the name filter
        return reinterpret_cast<HDDEDATA>(DdeCmpStringHandles(hsz1, g_topic) == 0);
    case XTYP_CONNECT_CONFIRM:
        Append("events", "connect\n");
        return nullptr;
    case XTYP_DISCONNECT:
        Append("events", "disconnect\n");
        return nullptr;
    case XTYP_EXECUTE: {
        DWORD cb = DdeGetData(data, nullptr, 0, 0);
        std::vector<char> bytes(cb);
        if (cb) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), cb, 0);
        std::size_t len = 0;
        while (len < bytes.size() && bytes[len] != '\0') ++len;
        Append("rec", std::string(bytes.data(), len) + "\n");
        Append("events", "execute cb=" + std::to_string(cb) + " zero=" + (len < cb ? "1" : "0") + "\n");
        if (g_mode == "hang") return CBR_BLOCK;
        if (g_mode == "stall") {
            for (DWORD start = GetTickCount(); !StopAsked() && GetTickCount() - start < kLifetime;) Sleep(100);
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

}  // namespace

int main() {
    char path[MAX_PATH], mode[16];
    g_dir.assign(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    g_dir.erase(g_dir.find_last_of("\\/") + 1);
    Append("starts", "start\n");
    if (std::FILE* f = std::fopen((g_dir + "mode").c_str(), "rb")) {
        if (std::fscanf(f, "%15s", mode) == 1) g_mode = mode;
        std::fclose(f);
    }

    DWORD inst = 0;
    if (DdeInitializeA(&inst, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0) !=
        DMLERR_NO_ERROR)
        return 3;
    HSZ service = DdeCreateStringHandleA(inst, "Iexplore", CP_WINANSI);
    g_topic = DdeCreateStringHandleA(inst, "WWW_OpenURL", CP_WINANSI);
    if (g_mode != "mute" && !DdeNameService(inst, service, nullptr, DNS_REGISTER)) return 4;
    Append("ready", "ready\n");

    SetTimer(nullptr, 0, 100, CheckStop);
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < kLifetime && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DeleteFileA((g_dir + "stop").c_str());
    DdeNameService(inst, service, nullptr, DNS_UNREGISTER);
    DdeUninitialize(inst);
    return 0;
}
