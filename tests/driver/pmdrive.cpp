// pmdrive serve: drives Win32 programs from outside. One command a line on stdin (a
// word, then key=value arguments and plain words, separated by tabs) until "quit"; the
// commands are in kCommands. A reply is data lines (a kind, then tab-separated key=value
// fields, UTF-8 with \\ \t \r \n escaped), then "ok" or "error<TAB>message".
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        const char* e = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : c == '\n' ? "\\n" : nullptr;
        e ? out += e : out += c;
    }
    return out;
}

struct Line {  // one reply line: kind, then fields
    std::string text;
    Line& operator()(const char* key, const std::string& value) {
        text += std::string("\t") + key + "=" + Escape(value);
        return *this;
    }
    Line& operator()(const char* key, long long value) { return (*this)(key, std::to_string(value)); }
    Line& operator()(const char* key, HWND value) { return (*this)(key, std::to_string(reinterpret_cast<ULONG_PTR>(value))); }
    void Print() { std::printf("%s\n", text.c_str()); }
};

struct Failure { std::string message; };

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

struct Args {
    std::string command;
    std::map<std::string, std::string> named;
    std::vector<std::string> words;

    bool Has(const char* key) const { return named.count(key) != 0; }
    std::string Str(const char* key) const { return Has(key) ? named.at(key) : std::string(); }
    long long Int(const char* key, long long def) const { return Has(key) ? std::strtoll(Str(key).c_str(), nullptr, 0) : def; }
    std::string Need(const char* key) const { return Has(key) ? Str(key) : (Fail(std::string("missing ") + key + "="), ""); }
};

Args Parse(const std::string& line) {
    Args a;
    for (std::size_t at = 0, end; at <= line.size(); at = end + 1) {
        end = std::min(line.find('\t', at), line.size());
        std::string tok = line.substr(at, end - at);
        std::size_t eq = tok.find('=');
        if (at == 0) a.command = tok;
        else if (eq != std::string::npos && eq > 0) a.named[tok.substr(0, eq)] = tok.substr(eq + 1);
        else a.words.push_back(tok);
    }
    return a;
}

std::map<DWORD, HANDLE> g_processes;  // started by "start"
std::vector<HANDLE> g_held;           // named objects and files kept open

HWND Hwnd(const Args& a, bool gone = false) {
    HWND h = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoull(a.Need("hwnd").c_str(), nullptr, 0)));
    if (!gone && !IsWindow(h)) Fail("window " + a.Str("hwnd") + " does not exist");
    return h;
}

LRESULT Send(HWND h, UINT msg, WPARAM w, LPARAM l) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, 5000, &result))
        Fail("the window did not answer message " + std::to_string(msg));
    return static_cast<LRESULT>(result);
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return buf;
}

// WM_GETTEXT is marshalled across processes: a local buffer does.
std::wstring TextOf(HWND h) {
    std::wstring buf(static_cast<std::size_t>(Send(h, WM_GETTEXTLENGTH, 0, 0)) + 2, L'\0');
    buf.resize(static_cast<std::size_t>(Send(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()))));
    return buf;
}

DWORD PidOf(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

void PrintWindow_(HWND h) {
    RECT r{}, c{};
    GetWindowRect(h, &r);
    GetClientRect(h, &c);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    Line{"window"}("hwnd", h)("class", Utf8(ClassOf(h)))("title", Utf8(TextOf(h)))("pid", PidOf(h))(
        "enabled", IsWindowEnabled(h) ? 1 : 0)("x", r.left)("y", r.top)("client_x", origin.x)("client_y", origin.y)(
        "client_w", c.right)("client_h", c.bottom)("style", GetWindowLongPtrW(h, GWL_STYLE) & 0xffffffff)
        .Print();
}

BOOL CALLBACK Collect(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

// The visible top-level windows that match class=, title= and pid=.
std::vector<HWND> TopWindows(const Args& a) {
    std::vector<HWND> all, found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all) {
        wchar_t title[512] = {};
        GetWindowTextW(h, title, 512);  // top-level captions are readable directly
        if (IsWindowVisible(h) && (!a.Has("pid") || PidOf(h) == static_cast<DWORD>(a.Int("pid", 0))) &&
            (!a.Has("class") || ClassOf(h) == Wide(a.Str("class"))) && (!a.Has("title") || Wide(a.Str("title")) == title))
            found.push_back(h);
    }
    return found;
}

// Polls until done() holds or timeout= (default 10 s) has passed.
template <class Done>
void WaitFor(const Args& a, DWORD def, const char* failure, Done done) {
    const DWORD timeout = static_cast<DWORD>(a.Int("timeout", def)), start = GetTickCount();
    for (; !done(); Sleep(50))
        if (GetTickCount() - start >= timeout) Fail(failure);
}

// find: waits for matching windows (or the one hwnd= names); timeout=0 looks once.
void CmdFind(const Args& a) {
    if (a.Has("hwnd")) return PrintWindow_(Hwnd(a));
    std::vector<HWND> found;
    WaitFor(a, 10000, "no such window", [&] { return !(found = TopWindows(a)).empty(); });
    for (HWND h : found) PrintWindow_(h);
}

void CmdGone(const Args& a) { WaitFor(a, 10000, "window still there", [h = Hwnd(a, true)] { return !IsWindow(h); }); }

// The controls of hwnd= that match class=, text= and at=X,Y (top-left corner in its
// client area).
int PrintControls(const Args& a) {
    HWND top = Hwnd(a);
    std::vector<HWND> all;
    EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&all));
    int printed = 0;
    for (HWND h : all) {
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
        const std::string at = std::to_string(r.left) + "," + std::to_string(r.top), text = Utf8(TextOf(h));
        if ((a.Has("class") && _wcsicmp(ClassOf(h).c_str(), Wide(a.Str("class")).c_str()) != 0) ||
            (a.Has("at") && a.Str("at") != at) || (a.Has("text") && text != a.Str("text")))
            continue;
        LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
        Line l{"control"};
        l("hwnd", h)("class", Utf8(ClassOf(h)))("text", text)("w", r.right - r.left)(
            "h", r.bottom - r.top)("visible", (style & WS_VISIBLE) ? 1 : 0)("enabled", (style & WS_DISABLED) ? 0 : 1);
        if (_wcsicmp(ClassOf(h).c_str(), L"Button") == 0) l("checked", static_cast<long long>(Send(h, BM_GETCHECK, 0, 0)));
        l.Print();
        ++printed;
    }
    return printed;
}

void CmdControl(const Args& a) { WaitFor(a, 5000, "no such control", [&] { return PrintControls(a) > 0; }); }

void CmdText(const Args& a) { Line{"text"}("text", Utf8(TextOf(Hwnd(a)))).Print(); }

void CmdSetText(const Args& a) {
    std::wstring text = Wide(a.Need("text"));
    if (!Send(Hwnd(a), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()))) Fail("WM_SETTEXT refused");
}

// Posted: a click or close that opens a modal dialog must not block us.
template <UINT kMsg>
void CmdPost(const Args& a) {
    if (!PostMessageW(Hwnd(a), kMsg, 0, 0)) Fail("cannot post message " + std::to_string(kMsg));
}

void CmdCheck(const Args& a) {
    HWND h = Hwnd(a);
    long long want = a.Int("state", 1);
    for (int i = 0; i < 3 && Send(h, BM_GETCHECK, 0, 0) != want; ++i) Send(h, BM_CLICK, 0, 0);
    if (Send(h, BM_GETCHECK, 0, 0) != want) Fail("check box did not change");
}

// Memory in the bar's own process, which SB_GETPARTS and SB_GETTEXTW write into.
struct Remote {
    HANDLE process;
    void* mem = nullptr;
    ~Remote() {
        if (mem) VirtualFreeEx(process, mem, 0, MEM_RELEASE);
        if (process) CloseHandle(process);
    }
    void Read(void* into, SIZE_T n) {
        SIZE_T got = 0;
        if (!ReadProcessMemory(process, mem, into, n, &got) || got != n) Fail("cannot read the window's process");
    }
};

void CmdStatus(const Args& a) {
    HWND h = Hwnd(a);
    Remote r{OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, PidOf(h))};
    if (!r.process || !(r.mem = VirtualAllocEx(r.process, nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
        Fail("cannot reach the window's process");
    int edges[64] = {};
    int parts = static_cast<int>(Send(h, SB_GETPARTS, 64, reinterpret_cast<LPARAM>(r.mem)));
    r.Read(edges, sizeof edges);
    for (int i = 0; i < parts && i < 64; ++i) {
        std::wstring text(std::min<std::size_t>(LOWORD(Send(h, SB_GETTEXTLENGTHW, i, 0)), 4000) + 1, L'\0');
        Send(h, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(r.mem));
        r.Read(text.data(), text.size() * sizeof(wchar_t));
        text.resize(text.size() - 1);
        Line{"panel"}("width", edges[i] == -1 ? -1 : edges[i] - (i ? edges[i - 1] : 0))("text", Utf8(text)).Print();
    }
}

void CmdItems(const Args& a) {
    HWND h = Hwnd(a);
    int count = static_cast<int>(Send(h, LB_GETCOUNT, 0, 0));
    Line{"listbox"}("count", count)("selected", static_cast<long long>(Send(h, LB_GETCURSEL, 0, 0))).Print();
    for (int i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(Send(h, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        LRESULT got = Send(h, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        Line{"item"}("index", i)("text", Utf8(text)).Print();
    }
}

void CmdForeground(const Args& a) {
    HWND h = Hwnd(a);
    for (int i = 0; i < 20 && GetForegroundWindow() != h; ++i, Sleep(50)) SetForegroundWindow(h);
    if (GetForegroundWindow() != h) Fail("the window did not come to the foreground");
}

WORD VkOf(const std::string& name) {
    static const std::map<std::string, WORD> keys = {
        {"enter", VK_RETURN}, {"esc", VK_ESCAPE}, {"up", VK_UP}, {"alt", VK_MENU}, {"ctrl", VK_CONTROL}};
    if (keys.count(name)) return keys.at(name);
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') return static_cast<WORD>(std::toupper(name[0]));
    Fail("unknown key " + name);
}

// keys [hwnd=H] chord...   chord: "ctrl+s", "alt+f", "up", "x". With hwnd= the window
// (or a window it owns) is made the foreground first.
void CmdKeys(const Args& a) {
    if (a.Has("hwnd") && GetAncestor(GetForegroundWindow(), GA_ROOTOWNER) != Hwnd(a)) CmdForeground(a);
    for (const std::string& chord : a.words) {
        std::vector<WORD> vks;
        std::size_t plus = chord.find('+');
        if (plus != std::string::npos) vks.push_back(VkOf(chord.substr(0, plus)));
        vks.push_back(VkOf(chord.substr(plus == std::string::npos ? 0 : plus + 1)));
        for (int up = 0; up < 2; ++up) {
            for (std::size_t k = 0; k < vks.size(); ++k) {
                WORD vk = vks[up ? vks.size() - 1 - k : k];
                keybd_event(static_cast<BYTE>(vk), static_cast<BYTE>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)),
                            (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_UP ? KEYEVENTF_EXTENDEDKEY : 0), 0);
            }
        }
        Sleep(150);
    }
}

// What has the keyboard: the foreground window and its focused control.
void CmdFocus(const Args&) {
    HWND fg = GetForegroundWindow();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (fg) GetGUIThreadInfo(GetWindowThreadProcessId(fg, nullptr), &info);
    Line{"focus"}("foreground", fg)("active", info.hwndActive)("focus", info.hwndFocus).Print();
}

// WM_QUERYENDSESSION, then WM_ENDSESSION with the answer.
void CmdEndSession(const Args& a) {
    HWND h = Hwnd(a);
    DWORD_PTR answer = 0, ignored = 0;
    if (!SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer))
        Fail("no answer to WM_QUERYENDSESSION");
    Line{"queryendsession"}("result", static_cast<long long>(answer)).Print();
    if (!SendMessageTimeoutW(h, WM_ENDSESSION, answer ? TRUE : FALSE, 0, SMTO_ABORTIFHUNG, 10000, &ignored))
        Fail("no answer to WM_ENDSESSION");
}

void CmdEvent(const Args& a) {
    HANDLE h = CreateEventW(nullptr, TRUE, FALSE, Wide(a.Need("name")).c_str());
    if (!h) Fail("CreateEvent failed: " + std::to_string(GetLastError()));
    g_held.push_back(h);
}

void CmdMutex(const Args& a) {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, Wide(a.Need("name")).c_str());
    if (h) CloseHandle(h);
    Line{"mutex"}("exists", h ? 1 : 0).Print();
}

// hold file=: opens the file without sharing.
void CmdHold(const Args& a) {
    HANDLE h = CreateFileW(Wide(a.Need("file")).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) Fail("cannot open the file: error " + std::to_string(GetLastError()));
    g_held.push_back(h);
}

void CmdRelease(const Args&) {
    for (HANDLE h : g_held) CloseHandle(h);
    g_held.clear();
}

void CmdStart(const Args& a) {
    std::wstring path = Wide(a.Need("path")), cmd = L"\"" + path + L"\"";
    std::wstring dir = path.substr(0, path.find_last_of(L"\\/"));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        Fail("cannot start " + a.Str("path") + ": error " + std::to_string(GetLastError()));
    CloseHandle(pi.hThread);
    g_processes[pi.dwProcessId] = pi.hProcess;
    Line{"process"}("pid", static_cast<long long>(pi.dwProcessId)).Print();
}

// wait-exit pid= [timeout=ms]: the exit code, signed.
void CmdWaitExit(const Args& a) {
    DWORD pid = static_cast<DWORD>(a.Int("pid", 0));
    if (!g_processes.count(pid)) Fail("process " + std::to_string(pid) + " was not started here");
    HANDLE h = g_processes[pid];
    if (WaitForSingleObject(h, static_cast<DWORD>(a.Int("timeout", 10000))) == WAIT_TIMEOUT)
        Fail("process " + std::to_string(pid) + " still running");
    DWORD code = 0;
    GetExitCodeProcess(h, &code);
    Line{"exit"}("signed", static_cast<long long>(static_cast<LONG>(code))).Print();
}

void CmdCleanup(const Args&) {
    for (auto& [pid, h] : g_processes) {
        if (WaitForSingleObject(h, 0) != WAIT_TIMEOUT) continue;
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 5000);
        Line{"killed"}("pid", static_cast<long long>(pid)).Print();
    }
}

const std::map<std::string, void (*)(const Args&)> kCommands = {
    {"find", CmdFind},       {"gone", CmdGone},         {"control", CmdControl},     {"text", CmdText},
    {"settext", CmdSetText}, {"click", CmdPost<BM_CLICK>},       {"check", CmdCheck},         {"status", CmdStatus},
    {"items", CmdItems},     {"foreground", CmdForeground}, {"keys", CmdKeys},       {"focus", CmdFocus},
    {"close", CmdPost<WM_CLOSE>},     {"endsession", CmdEndSession}, {"event", CmdEvent},     {"mutex", CmdMutex},
    {"hold", CmdHold},       {"release", CmdRelease},   {"start", CmdStart},         {"wait-exit", CmdWaitExit},
    {"cleanup", CmdCleanup},
};

}  // namespace

int wmain(int, wchar_t**) {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF alone
    _setmode(_fileno(stdin), _O_BINARY);
    for (std::string line; std::getline(std::cin, line);) {
        Args a = Parse(line);
        if (a.command == "quit") break;
        try {
            auto it = kCommands.find(a.command);
            if (it == kCommands.end()) Fail("unknown command " + a.command);
            it->second(a);
            std::puts("ok");
        } catch (const Failure& f) {
            std::printf("error\t%s\n", Escape(f.message).c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}
