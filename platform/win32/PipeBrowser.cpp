// The Chromium family over its DevTools pipe: two anonymous pipes whose
// browser ends only are inherited, their handle values on the browser's
// command line. Reading looks at the pipe (PeekNamedPipe) between short
// dispatches of the thread's messages, so the window and its timers go on
// and typed keys stay queued while an answer is awaited.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/Codepage.h"
#include "platform/DevTools.h"
#include "platform/win32/Browser.h"

namespace pelmor::win32 {

namespace {

// How long a browser just started has for its first answer, and each other
// command for its own.
constexpr int kStartMs = 5000;
constexpr int kAnswerMs = 2000;
// How long a browser asked to close, then cut off from its pipe, has to end.
constexpr DWORD kEndMs = 2000;
// How often the pipe is looked at while an answer is awaited.
constexpr DWORD kLookMs = 10;

template <class Fn>
Fn Lookup(const char* dll, const char* name) {
    HMODULE module = GetModuleHandleA(dll);
    if (!module) module = LoadLibraryA(dll);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

void Close(HANDLE& h) {
    if (h) CloseHandle(h);
    h = nullptr;
}

// A job that ends what it holds when its last handle closes, as when
// Pelmor is killed (Windows 2000 and later; looked up at run time). Null
// where there is none.
HANDLE KillOnCloseJob() {
    using Create = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCSTR);
    using Set = BOOL(WINAPI*)(HANDLE, JOBOBJECTINFOCLASS, LPVOID, DWORD);
    const auto create = Lookup<Create>("kernel32.dll", "CreateJobObjectA");
    const auto set = Lookup<Set>("kernel32.dll", "SetInformationJobObject");
    if (!create || !set) return nullptr;
    HANDLE job = create(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job && !set(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) Close(job);
    return job;
}

void RemoveFolder(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

constexpr char kProfilePrefix[] = "pelmor-browser-";

// The temporary folder, ending in a backslash; empty when there is none.
std::string TempFolder() {
    char tmp[MAX_PATH + 1];
    const DWORD n = GetTempPathA(sizeof tmp, tmp);
    if (n == 0 || n >= sizeof tmp) return {};
    std::string folder = tmp;
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

// Removes the profile folders that Pelmor processes now gone (killed, or
// their machine stopped) left in the temporary folder.
void RemoveStaleProfileFolders(const std::string& tmp) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((tmp + kProfilePrefix + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        char* end = nullptr;
        const unsigned long pid = std::strtoul(found.cFileName + sizeof kProfilePrefix - 1, &end, 10);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || *end != '-' ||
            pid == GetCurrentProcessId())
            continue;
        // A process of that number still there may be the Pelmor that made it.
        if (HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
            CloseHandle(p);
            continue;
        }
        if (GetLastError() == ERROR_INVALID_PARAMETER) RemoveFolder(tmp + found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// A new folder in the temporary folder, named after this process; empty
// when none can be made. What earlier processes left there goes first.
std::string MakeProfileFolder() {
    const std::string tmp = TempFolder();
    if (tmp.empty()) return {};
    RemoveStaleProfileFolders(tmp);
    const std::string base = tmp + kProfilePrefix + std::to_string(GetCurrentProcessId()) + "-";
    for (unsigned i = GetTickCount() % 10000, tries = 0; tries < 100; ++i, ++tries) {
        const std::string name = base + std::to_string(i);
        if (CreateDirectoryA(name.c_str(), nullptr)) return name;
    }
    return {};
}

// One started browser: its process, its pipe, its profile folder.
class Session : IDevToolsPipe {
public:
    explicit Session(const std::string& program) : client_(*this, kStartMs, kAnswerMs) {
        profile_ = MakeProfileFolder();
        if (!profile_.empty()) Start(program);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Asked to close, the browser leaves its profile whole; one that cannot
    // be asked, or does not close, is cut off from its pipe (and quits),
    // then ended.
    ~Session() {
        if (Running() && client_.Answered()) {
            client_.Close();
            PumpMessages(kEndMs, [this] { return !Running(); });
        }
        Close(toBrowser_);
        Close(fromBrowser_);
        if (Running()) PumpMessages(kEndMs, [this] { return !Running(); });
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, kEndMs);
        }
        Close(process_);
        Close(job_);
        if (!profile_.empty()) RemoveFolder(profile_);
    }

    bool Gone() {
        return !Running() || client_.Closed() ||
               client_.Misses() >= DevToolsClient::kMissesBeforeRestart;
    }

    IBrowser::Result Open(const std::string& url, const std::function<void()>& connected) {
        return client_.Open(url, connected);
    }

private:
    void Start(const std::string& program) {
        // Created inheritable; Pelmor's own ends are then replaced by
        // duplicates that are not, so the browser inherits its two only.
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE browserReads = nullptr, browserWrites = nullptr, toBrowser = nullptr,
               fromBrowser = nullptr;
        const HANDLE self = GetCurrentProcess();
        bool ok = CreatePipe(&browserReads, &toBrowser, &inherit, 0) &&
                  CreatePipe(&fromBrowser, &browserWrites, &inherit, 0) &&
                  DuplicateHandle(self, toBrowser, self, &toBrowser_, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE) &&
                  DuplicateHandle(self, fromBrowser, self, &fromBrowser_, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
        if (ok) toBrowser = fromBrowser = nullptr;  // closed by the duplication
        if (ok) {
            // Handle values are below 2^32 in a 64-bit process too, which
            // inherits them unchanged.
            std::string commandLine = PipeCommandLine(
                program, profile_,
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(browserReads)),
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(browserWrites)));
            STARTUPINFOA si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            job_ = KillOnCloseJob();
            ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                CREATE_SUSPENDED, nullptr, nullptr, &si, &pi);
            if (ok) {
                using Assign = BOOL(WINAPI*)(HANDLE, HANDLE);
                const auto assign = Lookup<Assign>("kernel32.dll", "AssignProcessToJobObject");
                // A browser already in a job of its own caller's may not
                // join this one; it then ends with its pipe alone.
                if (job_ && (!assign || !assign(job_, pi.hProcess))) Close(job_);
                ResumeThread(pi.hThread);
                CloseHandle(pi.hThread);
                process_ = pi.hProcess;
            }
        }
        for (HANDLE* h : {&browserReads, &browserWrites, &toBrowser, &fromBrowser}) Close(*h);
        if (!ok) Close(toBrowser_), Close(fromBrowser_);
    }

    bool Running() {
        if (process_ && WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) Close(process_);
        return process_ != nullptr;
    }

    // Messages are short; a browser that stopped reading its pipe fills it
    // only after many pages unanswered, and is dropped long before.
    bool Write(const std::string& bytes) override {
        for (std::size_t done = 0; done < bytes.size();) {
            DWORD n = 0;
            if (!toBrowser_ || !WriteFile(toBrowser_, bytes.data() + done,
                                          static_cast<DWORD>(bytes.size() - done), &n, nullptr) ||
                n == 0)
                return false;
            done += n;
        }
        return true;
    }

    // What is there now; false once the browser's end is closed.
    bool Take(std::string& to, bool& took) {
        DWORD available = 0;
        if (!fromBrowser_ || !PeekNamedPipe(fromBrowser_, nullptr, 0, nullptr, &available, nullptr))
            return false;
        while (available > 0) {
            char chunk[65536];
            DWORD n = 0;
            if (!ReadFile(fromBrowser_, chunk, available < sizeof chunk ? available : sizeof chunk,
                          &n, nullptr) ||
                n == 0)
                return false;
            to.append(chunk, n);
            available -= n < available ? n : available;
            took = true;
        }
        return true;
    }

    bool Read(std::string& to, int ms) override {
        const DWORD start = GetTickCount();
        for (;;) {
            bool took = false;
            if (!Take(to, took)) return took;
            if (took) return true;
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= static_cast<DWORD>(ms)) return true;
            const DWORD left = static_cast<DWORD>(ms) - elapsed;
            // The message loop asked to end: the answer is given up on.
            if (!PumpMessages(left < kLookMs ? left : kLookMs, [] { return false; })) return true;
        }
    }

    DevToolsClient client_;
    std::string profile_;
    HANDLE process_ = nullptr, job_ = nullptr, toBrowser_ = nullptr, fromBrowser_ = nullptr;
};

class PipeBrowser : public IBrowser {
public:
    Result OpenPage(const std::string& program, const std::string& url,
                    const std::function<void()>& connected) override {
        if (session_ && session_->Gone()) session_.reset();
        if (!session_) session_ = std::make_unique<Session>(program);
        return session_->Open(NavigableUrl(Cp932ToUtf8(url)), connected);
    }

private:
    std::unique_ptr<Session> session_;
};

}  // namespace

std::unique_ptr<IBrowser> CreatePipeBrowser() { return std::make_unique<PipeBrowser>(); }

std::string SystemDefaultBrowser(const std::string& iePath) {
    // GetVersion says 6.2 to a program that does not declare Windows 10;
    // the NT kernel's own call says what runs.
    struct VersionInfo {
        ULONG size, major, minor, build, platform;
        WCHAR service[128];
    } v{sizeof(VersionInfo), 0, 0, 0, 0, {}};
    using RtlGetVersion = LONG(WINAPI*)(VersionInfo*);
    const auto get = Lookup<RtlGetVersion>("ntdll.dll", "RtlGetVersion");
    if (!get || get(&v) != 0) return iePath;

    using Open = LONG(WINAPI*)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
    using Query = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    using CloseKey = LONG(WINAPI*)(HKEY);
    const auto open = Lookup<Open>("advapi32.dll", "RegOpenKeyExA");
    const auto query = Lookup<Query>("advapi32.dll", "RegQueryValueExA");
    const auto close = Lookup<CloseKey>("advapi32.dll", "RegCloseKey");
    std::string edge;
    HKEY key = nullptr;
    if (v.major >= 10 && open && query && close &&
        open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe",
             0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        char path[MAX_PATH];
        DWORD type = 0, size = sizeof path;
        if (query(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && size > 1) {
            edge.assign(path, size - 1);
            // A value stored in quotes, or with its terminator counted.
            edge = edge.substr(0, edge.find('\0'));
            if (edge.size() > 1 && edge.front() == '"') edge = edge.substr(1, edge.find('"', 1) - 1);
        }
        close(key);
    }
    // pelmor.ini holds paths of code page 932 bytes under 128.
    if (edge.size() >= 128) edge.clear();
    return DefaultBrowserPath(v.major, edge, iePath);
}

}  // namespace pelmor::win32
