// ddesend: hands commands to a DDE server through the program's own DDE
// client, one conversation per command, as the web-page tick does, and
// reports what happened:
//
//   ddesend [--app PATH] [--service NAME] [--topic NAME] [--nowait] [--gap MS] CMD...
//
// --gap pauses between two commands. One line per command: "link=L exec=E link_ms=N exec_ms=N close_ms=N
// end_ms=N ticks=T" (the times of SetLink, ExecuteMacro, CloseLink and the
// conversation's end), where ticks counts a 100 ms timer of this thread that fired meanwhile (the
// client's waits must keep dispatching messages).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/Services.h"

namespace {

int g_ticks = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

}  // namespace

int main(int argc, char** argv) {
    std::string app, service = "Iexplore", topic = "WWW_OpenURL";
    bool wait = true;
    DWORD gap = 0;
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--app" && i + 1 < argc) app = argv[++i];
        else if (a == "--service" && i + 1 < argc) service = argv[++i];
        else if (a == "--topic" && i + 1 < argc) topic = argv[++i];
        else if (a == "--nowait") wait = false;
        else if (a == "--gap" && i + 1 < argc) gap = static_cast<DWORD>(std::atol(argv[++i]));
        else commands.push_back(a);
    }
    SetTimer(nullptr, 0, 100, Tick);
    auto client = pelmor::win32::CreateDdeClient();
    for (const std::string& command : commands) {
        if (&command != &commands.front()) {
            // A pause that keeps the thread's messages going.
            DWORD start = GetTickCount();
            MSG msg;
            while (GetTickCount() - start < gap) {
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
                Sleep(10);
            }
        }
        g_ticks = 0;
        auto conv = client->CreateConversation();
        conv->SetServiceApplication(app);
        DWORD t0 = GetTickCount();
        bool linked = conv->SetLink(service, topic);
        DWORD t1 = GetTickCount();
        bool executed = linked && conv->ExecuteMacro(command, wait);
        DWORD t2 = GetTickCount();
        conv->CloseLink();
        DWORD t3 = GetTickCount();
        conv.reset();
        DWORD t4 = GetTickCount();
        std::printf("link=%d exec=%d link_ms=%lu exec_ms=%lu close_ms=%lu end_ms=%lu ticks=%d\n",
                    linked ? 1 : 0, executed ? 1 : 0, static_cast<unsigned long>(t1 - t0),
                    static_cast<unsigned long>(t2 - t1), static_cast<unsigned long>(t3 - t2),
                    static_cast<unsigned long>(t4 - t3), g_ticks);
        std::fflush(stdout);
    }
    return 0;
}
