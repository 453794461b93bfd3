// ddeserver: a stand-in for the browser's DDE service in tests. It registers
// a service (default "Iexplore") with one topic (default "WWW_OpenURL") and
// appends every execute command it receives to a record file, one line per
// command, the command's bytes as received up to its terminating zero.
//
//   ddeserver [RECORD] [--mode accept|refuse|reject|hang|stall|freeze]
//             [--events FILE] [--ready FILE] [--stop FILE]
//             [--lifetime SECONDS] [--start-delay MS]
//             [--service NAME] [--topic NAME]
//
// Started without arguments, as a service application is, it takes them
// from ddeserver.args beside the program (one line, words separated by
// blanks, no quoting) if that file exists; RECORD defaults to ddeserver.rec
// beside the program.
// Modes: accept takes every command; refuse turns every conversation down;
// reject records commands but answers "not processed"; hang records them
// and never answers (the transaction stays blocked); stall records the first
// command and then stops handling messages until the stop file appears;
// freeze registers the service and then stops handling messages altogether.
// --events appends "connect", "execute cb=N zero=Z" and "disconnect" lines.
// --ready is created once the service is registered; the server ends when
// the --stop file appears or after --lifetime seconds (default 600).
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum class Mode { Accept, Refuse, Reject, Hang, Stall, Freeze };

struct Options {
    std::string record;
    std::string events;
    std::string ready;
    std::string stop;
    std::string service = "Iexplore";
    std::string topic = "WWW_OpenURL";
    Mode mode = Mode::Accept;
    unsigned lifetime = 600;
    unsigned startDelay = 0;
};

Options g_opt;
DWORD g_inst = 0;
HSZ g_topic = nullptr;

void Append(const std::string& path, const std::string& bytes) {
    if (path.empty()) return;
    if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

bool Exists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Stops handling messages until the stop file appears or the lifetime ends.
void StopResponding() {
    const DWORD start = GetTickCount();
    while (!Exists(g_opt.stop) && GetTickCount() - start < g_opt.lifetime * 1000u) Sleep(100);
}

HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR,
                           ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:
        // hsz1 is the topic; the service was matched by the name filter.
        if (g_opt.mode == Mode::Refuse) return nullptr;
        if (DdeCmpStringHandles(hsz1, g_topic) != 0) return nullptr;
        return reinterpret_cast<HDDEDATA>(TRUE);
    case XTYP_CONNECT_CONFIRM:
        Append(g_opt.events, "connect\n");
        return nullptr;
    case XTYP_DISCONNECT:
        Append(g_opt.events, "disconnect\n");
        return nullptr;
    case XTYP_EXECUTE: {
        DWORD cb = DdeGetData(data, nullptr, 0, 0);
        std::vector<char> bytes(cb);
        if (cb) DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), cb, 0);
        std::size_t len = 0;
        while (len < bytes.size() && bytes[len] != '\0') ++len;
        Append(g_opt.record, std::string(bytes.data(), len) + "\n");
        Append(g_opt.events, "execute cb=" + std::to_string(cb) +
                                 " zero=" + (len < bytes.size() ? "1" : "0") + "\n");
        if (g_opt.mode == Mode::Hang) return CBR_BLOCK;
        if (g_opt.mode == Mode::Stall) {
            StopResponding();
            ExitProcess(0);
        }
        if (g_opt.mode == Mode::Reject) return reinterpret_cast<HDDEDATA>(DDE_FNOTPROCESSED);
        return reinterpret_cast<HDDEDATA>(DDE_FACK);
    }
    default:
        return nullptr;
    }
}

void CALLBACK CheckStop(HWND, UINT, UINT_PTR, DWORD) {
    if (Exists(g_opt.stop)) PostQuitMessage(0);
}

void CALLBACK LifetimeOver(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

std::string BesideProgram(const char* name) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    std::size_t slash = s.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : s.substr(0, slash + 1)) + name;
}

bool Parse(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--mode") {
            std::string m = value();
            if (m == "accept") g_opt.mode = Mode::Accept;
            else if (m == "refuse") g_opt.mode = Mode::Refuse;
            else if (m == "reject") g_opt.mode = Mode::Reject;
            else if (m == "hang") g_opt.mode = Mode::Hang;
            else if (m == "stall") g_opt.mode = Mode::Stall;
            else if (m == "freeze") g_opt.mode = Mode::Freeze;
            else return false;
        } else if (a == "--events") {
            g_opt.events = value();
        } else if (a == "--ready") {
            g_opt.ready = value();
        } else if (a == "--stop") {
            g_opt.stop = value();
        } else if (a == "--lifetime") {
            g_opt.lifetime = static_cast<unsigned>(std::strtoul(value().c_str(), nullptr, 10));
        } else if (a == "--start-delay") {
            g_opt.startDelay = static_cast<unsigned>(std::strtoul(value().c_str(), nullptr, 10));
        } else if (a == "--service") {
            g_opt.service = value();
        } else if (a == "--topic") {
            g_opt.topic = value();
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            g_opt.record = a;
        }
    }
    if (g_opt.record.empty()) g_opt.record = BesideProgram("ddeserver.rec");
    return true;
}

// The words of ddeserver.args beside the program, after a program name.
std::vector<std::string> ArgsFile() {
    std::vector<std::string> words{"ddeserver"};
    std::FILE* f = std::fopen(BesideProgram("ddeserver.args").c_str(), "rb");
    if (!f) return words;
    std::string word;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(c));
        }
    }
    if (!word.empty()) words.push_back(word);
    std::fclose(f);
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> fileWords;
    std::vector<char*> fileArgs;
    if (argc <= 1) {
        fileWords = ArgsFile();
        for (std::string& w : fileWords) fileArgs.push_back(w.data());
        argc = static_cast<int>(fileArgs.size());
        argv = fileArgs.data();
    }
    if (!Parse(argc, argv)) return 2;
    if (g_opt.startDelay) Sleep(g_opt.startDelay);

    if (DdeInitializeA(&g_inst, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS |
                                              CBF_SKIP_UNREGISTRATIONS,
                       0) != DMLERR_NO_ERROR)
        return 3;
    HSZ service = DdeCreateStringHandleA(g_inst, g_opt.service.c_str(), CP_WINANSI);
    g_topic = DdeCreateStringHandleA(g_inst, g_opt.topic.c_str(), CP_WINANSI);
    if (!DdeNameService(g_inst, service, nullptr, DNS_REGISTER)) return 4;
    if (!g_opt.ready.empty()) Append(g_opt.ready, "ready\n");

    if (g_opt.mode == Mode::Freeze) {
        // Registered, but never again looking at its messages.
        StopResponding();
        return 0;
    }

    SetTimer(nullptr, 0, 100, CheckStop);
    SetTimer(nullptr, 0, g_opt.lifetime * 1000u, LifetimeOver);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DdeNameService(g_inst, service, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(g_inst, service);
    DdeFreeStringHandle(g_inst, g_topic);
    DdeUninitialize(g_inst);
    return 0;
}
