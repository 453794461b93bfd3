// The Windows entry point: the Win32 services, the application object, and
// start-up. The entry point's arguments are not used.
#include <windows.h>

#include "app/Application.h"
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace pelmor;
    win32::IApi& api = win32::SystemApi();
    std::unique_ptr<IToolkit> ui = win32::CreateToolkit(instance);
    win32::Clock clock;
    win32::Power power(api);
    win32::LogFile log;
    win32::Profile profile;
    win32::PathNames pathNames;
    win32::Keyboard keys(api);
    win32::Foreground foreground(api);
    win32::Browser browser;
    win32::Instance mark(api);
    win32::DataFolder dataFolder;
    Services services{*ui, clock, power, log, profile, pathNames, dataFolder, keys, foreground, browser};
    TApplication app(services);
    return PelmorMain(mark, app);
}
