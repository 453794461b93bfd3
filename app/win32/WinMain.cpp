// The Windows entry point: the Win32 services, the application object, and
// start-up. Of the command line only --help and --version are read; they
// print and end the program before any window opens.
#include <windows.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Startup.h"
#include "platform/win32/Browser.h"
#include "platform/win32/Clock.h"
#include "platform/win32/DataFolder.h"
#include "platform/win32/Foreground.h"
#include "platform/win32/Instance.h"
#include "platform/win32/Keys.h"
#include "platform/win32/LogFile.h"
#include "platform/win32/Power.h"
#include "platform/win32/Profile.h"
#include "platform/win32/ShortPath.h"
#include "platform/win32/Toolkit.h"

namespace {

// A GUI program has no console of its own. The text goes to its standard
// output when that leads somewhere (a pipe, a file, Wine's terminal), else
// to the console of the program that started it (cmd.exe), else into a
// message box. AttachConsole is not in Windows 95, 98, Me or NT 4.0: it is
// looked up at run time. The C runtime's text mode makes the CR LF.
void Say(const std::string& text) {
    if (_write(1, text.data(), static_cast<unsigned>(text.size())) == static_cast<int>(text.size())) return;
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto attach = kernel ? reinterpret_cast<AttachConsoleFn>(
                               reinterpret_cast<void*>(GetProcAddress(kernel, "AttachConsole")))
                         : nullptr;
    const DWORD parentProcess = static_cast<DWORD>(-1);
    if (attach && attach(parentProcess)) {
        if (std::FILE* console = std::fopen("CONOUT$", "w")) {
            std::fputs(text.c_str(), console);
            std::fclose(console);
            return;
        }
    }
    MessageBoxA(nullptr, text.c_str(), "Pelmor", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    using namespace pelmor;
    switch (ReadCommandLine(SplitCommandLine(commandLine ? commandLine : ""))) {
    case CommandRequest::Help:
        Say(HelpText("pelmor.exe"));
        return 0;
    case CommandRequest::Version:
        Say(VersionText());
        return 0;
    case CommandRequest::Run:
        break;
    }
    win32::IApi& api = win32::SystemApi();
    std::unique_ptr<IToolkit> ui = win32::CreateToolkit(instance);
    win32::Clock clock;
    win32::Power power(api);
    win32::LogFile log;
    win32::Profile profile;
    win32::PathNames pathNames;
    win32::Keyboard keys(api);
    win32::Foreground foreground(api);
    win32::Browser browser(win32::CreateDdeClient, win32::CreatePipeBrowser,
                           win32::SystemDefaultBrowser);
    win32::Instance mark(api);
    win32::DataFolder dataFolder;
    Services services{*ui, clock, power, log, profile, pathNames, dataFolder, keys, foreground, browser};
    TApplication app(services);
    return PelmorMain(mark, app);
}
