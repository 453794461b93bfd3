// DDE client conversations through DDEML.
//
// Each conversation is its own DDEML client instance (APPCMD_CLIENTONLY,
// ANSI), connected by SetLink and dropped by CloseLink. Nothing here blocks
// the thread without bound: no connection is tried while a top-level window
// does not answer (the link then fails); when every window took the request
// and no server answered, the service application is started and the
// connection retried for a few seconds; an execute command
// is waited for a few seconds; a conversation with a partner that does not
// answer is ended later, once it does. The waits keep dispatching the
// thread's messages but the keyboard's, so the window and its timers go on
// meanwhile.
#include <windows.h>
#include <ddeml.h>

#include <algorithm>
#include <vector>

#include "platform/win32/Dde.h"
#include "platform/win32/Text.h"

namespace pelmor::win32 {

namespace {

// How long a started service application has to register its service.
constexpr DWORD kStartWaitMs = 5000;
// Pause between two connection attempts while it starts.
constexpr DWORD kConnectRetryMs = 200;
// How long an execute command with the wait flag is waited for.
constexpr DWORD kExecuteWaitMs = 5000;

// Transactions waited for, and their outcome once the server has answered.
// Only the GUI thread comes here.
struct Pending {
    HCONV conv;
    DWORD id;
    bool done;
    bool ok;
};
std::vector<Pending*> g_pending;

HDDEDATA CALLBACK ClientCallback(UINT type, UINT, HCONV conv, HSZ, HSZ, HDDEDATA data,
                                 ULONG_PTR data1, ULONG_PTR) {
    if (type == XTYP_XACT_COMPLETE) {
        for (Pending* p : g_pending) {
            if (p->conv == conv && p->id == static_cast<DWORD>(data1)) {
                p->done = true;
                p->ok = data != nullptr;
            }
        }
    }
    return nullptr;
}

// Any message but the keyboard's. Keys typed during a wait stay queued for
// the program's own loop, which turns shortcuts and dialog keys into their
// commands; dispatched here they would only reach the control with the focus.
bool PeekNotKeyboard(MSG* msg) {
    return text::PeekMsg(msg, PM_REMOVE, 0, WM_KEYFIRST - 1) ||
           text::PeekMsg(msg, PM_REMOVE, WM_KEYLAST + 1, 0xFFFF);
}

// Dispatches the thread's messages for at most ms milliseconds, or until
// done() holds. False when the message loop was asked to end (WM_QUIT is
// posted again, for the loop that owns it).
template <class Done>
bool PumpUntil(DWORD ms, Done done) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekNotKeyboard(&msg)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            text::Dispatch(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return true;
        // Nothing but keys is queued here, so waiting for anything else
        // misses nothing.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT & ~QS_KEY);
    }
}

// A connection request goes to every top-level window and waits until each
// has taken it, so one window whose thread no longer handles messages (a
// hung browser) would hold the caller for good. Before connecting, each
// top-level window is given a short while to answer a null message; while
// one does not, no connection is tried.
constexpr UINT kProbeWaitMs = 300;

BOOL CALLBACK ProbeWindow(HWND window, LPARAM hung) {
    DWORD_PTR result = 0;
    SetLastError(ERROR_SUCCESS);
    if (text::SendTimeout(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kProbeWaitMs,
                          &result))
        return TRUE;
    if (GetLastError() == ERROR_INVALID_WINDOW_HANDLE) return TRUE;  // gone meanwhile
    *reinterpret_cast<bool*>(hung) = true;
    return FALSE;
}

bool SomeWindowIsHung() {
    bool hung = false;
    EnumWindows(ProbeWindow, reinterpret_cast<LPARAM>(&hung));
    return hung;
}

// What a connection attempt came to. Only NoServer means that every window
// took the request and none answered for the service: the one case in which
// starting the service application can help.
enum class Outcome { Connected, NoServer, Refused };

Outcome Connect(DWORD inst, HSZ service, HSZ topic, HCONV& conv) {
    conv = nullptr;
    if (SomeWindowIsHung()) return Outcome::Refused;
    conv = DdeConnect(inst, service, topic, nullptr);
    if (conv) return Outcome::Connected;
    return DdeGetLastError(inst) == DMLERR_NO_CONV_ESTABLISHED ? Outcome::NoServer
                                                                : Outcome::Refused;
}

// Ending a conversation waits for the partner to acknowledge it, without
// bound and without dispatching messages, and so does ending an instance
// that still holds one. A conversation whose partner does not answer is
// therefore kept, with its instance, and ended once the partner answers
// again or is gone.
struct Leftover {
    DWORD inst;
    HCONV conv;
    HWND partner;
};
std::vector<Leftover> g_leftovers;

HWND PartnerOf(HCONV conv) {
    CONVINFO info{};
    info.cb = sizeof info;
    if (!DdeQueryConvInfo(conv, QID_SYNC, &info)) return nullptr;
    return info.hwndPartner;
}

// True when the conversation can be ended at once: its partner answers, or
// its window is gone.
bool CanEnd(HWND partner) {
    if (!partner || !IsWindow(partner)) return true;
    DWORD_PTR result = 0;
    return text::SendTimeout(partner, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kProbeWaitMs,
                             &result);
}

void EndLeftovers() {
    for (auto it = g_leftovers.begin(); it != g_leftovers.end();) {
        if (CanEnd(it->partner)) {
            DdeDisconnect(it->conv);
            DdeUninitialize(it->inst);
            it = g_leftovers.erase(it);
        } else {
            ++it;
        }
    }
}

// The service application, started when no server answers: at most once
// until a server answers or the program has ended, so a program that runs
// but never serves the conversation is not started again on every page.
class Starter {
public:
    Starter() = default;
    Starter(const Starter&) = delete;
    Starter& operator=(const Starter&) = delete;
    ~Starter() { Forget(); }

    // Starts the program at path, as it is: no shell, no search, no
    // arguments. False when it is not started (the one started before still
    // runs, or it cannot start).
    bool Start(const std::string& path) {
        if (path.empty() || Running()) return false;
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        return true;
    }

    // A server answered: the next page that finds none may start one again.
    void Forget() {
        if (process_) CloseHandle(process_);
        process_ = nullptr;
    }

private:
    bool Running() {
        if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) return true;
        Forget();
        return false;
    }

    HANDLE process_ = nullptr;
};

class Conversation : public IDdeClientConv {
public:
    explicit Conversation(Starter& starter) : starter_(starter) {}
    Conversation(const Conversation&) = delete;
    Conversation& operator=(const Conversation&) = delete;
    ~Conversation() override {
        CloseLink();
        if (inst_) DdeUninitialize(inst_);
    }

    void SetServiceApplication(const std::string& path) override { serviceApp_ = path; }

    bool SetLink(const std::string& service, const std::string& topic) override {
        CloseLink();
        EndLeftovers();
        if (!inst_ && DdeInitializeA(&inst_, ClientCallback,
                                     APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS,
                                     0) != DMLERR_NO_ERROR) {
            inst_ = 0;
            return false;
        }
        HSZ hszService = DdeCreateStringHandleA(inst_, service.c_str(), CP_WINANSI);
        HSZ hszTopic = DdeCreateStringHandleA(inst_, topic.c_str(), CP_WINANSI);
        if (hszService && hszTopic) {
            // While some window does not answer, the link fails as it is: a
            // browser started then could not be reached either, and one more
            // would start at every tick.
            if (Connect(inst_, hszService, hszTopic, conv_) == Outcome::NoServer &&
                starter_.Start(serviceApp_)) {
                // The program needs a moment to register its service (and
                // its windows may not answer while it starts).
                const DWORD start = GetTickCount();
                while (!conv_ && GetTickCount() - start < kStartWaitMs) {
                    if (!PumpUntil(kConnectRetryMs, [] { return false; })) break;
                    Connect(inst_, hszService, hszTopic, conv_);
                }
            }
        }
        if (hszService) DdeFreeStringHandle(inst_, hszService);
        if (hszTopic) DdeFreeStringHandle(inst_, hszTopic);
        if (conv_) starter_.Forget();
        return conv_ != nullptr;
    }

    // The command goes as CF_TEXT: its bytes and the terminating zero that
    // execute strings carry by convention (DDEML converts them between ANSI
    // and Unicode partners as zero-terminated strings).
    bool ExecuteMacro(const std::string& command, bool wait) override {
        if (!conv_) return false;
        std::vector<BYTE> data(command.begin(), command.end());
        data.push_back(0);
        Pending pending{conv_, 0, false, false};
        HDDEDATA queued =
            DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()), conv_, nullptr,
                                 CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &pending.id);
        if (!queued) return false;
        if (!wait) return true;

        g_pending.push_back(&pending);
        HCONV conv = conv_;
        PumpUntil(kExecuteWaitMs, [&] { return pending.done; });
        g_pending.erase(std::remove(g_pending.begin(), g_pending.end(), &pending),
                        g_pending.end());
        if (!pending.done && conv_ == conv) DdeAbandonTransaction(inst_, conv_, pending.id);
        return pending.done && pending.ok;
    }

    void CloseLink() override {
        if (!conv_) return;
        HWND partner = PartnerOf(conv_);
        if (CanEnd(partner)) {
            DdeDisconnect(conv_);
        } else {
            g_leftovers.push_back({inst_, conv_, partner});
            inst_ = 0;
        }
        conv_ = nullptr;
    }

private:
    Starter& starter_;
    DWORD inst_ = 0;
    HCONV conv_ = nullptr;
    std::string serviceApp_;
};

// The conversations of one client share what it started.
class DdeClient : public IDdeClient {
public:
    std::unique_ptr<IDdeClientConv> CreateConversation() override {
        return std::make_unique<Conversation>(starter_);
    }

private:
    Starter starter_;
};

}  // namespace

bool PumpMessages(unsigned long ms, const std::function<bool()>& done) {
    return PumpUntil(ms, done);
}

std::unique_ptr<IDdeClient> CreateDdeClient() { return std::make_unique<DdeClient>(); }

}  // namespace pelmor::win32
