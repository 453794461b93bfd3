// ddesend: hands commands to a DDE server through the program's own DDE
// client, one conversation per command, as the web-page tick does, and
// reports what happened:
//
//   ddesend [--app PATH] [--service NAME] [--topic NAME] [--nowait] CMD...
//
// One line per command: "link=L exec=E link_ms=N exec_ms=N ticks=T", where
// ticks counts a 100 ms timer of this thread that fired meanwhile (the
// client's waits must keep dispatching messages).
#include <windows.h>

#include <cstdio>
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
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--app" && i + 1 < argc) app = argv[++i];
        else if (a == "--service" && i + 1 < argc) service = argv[++i];
        else if (a == "--topic" && i + 1 < argc) topic = argv[++i];
        else if (a == "--nowait") wait = false;
        else commands.push_back(a);
    }
    SetTimer(nullptr, 0, 100, Tick);
    auto client = pelmor::win32::CreateDdeClient();
    for (const std::string& command : commands) {
        g_ticks = 0;
        auto conv = client->CreateConversation();
        conv->SetServiceApplication(app);
        DWORD t0 = GetTickCount();
        bool linked = conv->SetLink(service, topic);
        DWORD t1 = GetTickCount();
        bool executed = linked && conv->ExecuteMacro(command, wait);
        DWORD t2 = GetTickCount();
        conv->CloseLink();
        conv.reset();
        std::printf("link=%d exec=%d link_ms=%lu exec_ms=%lu ticks=%d\n", linked ? 1 : 0,
                    executed ? 1 : 0, static_cast<unsigned long>(t1 - t0),
                    static_cast<unsigned long>(t2 - t1), g_ticks);
        std::fflush(stdout);
    }
    return 0;
}
